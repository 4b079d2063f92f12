#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A worksheet's result lines are printed as its statements are calculated,
# its messages kept back: with both streams in one file, every result line
# still comes before the first message, and the messages keep their order.
# Usage: results_first.sh TESSARY_CALC
set -uo pipefail

calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'a=1\nb=a/0\nc=(2\nd=c*3\n' >"$work/m.txt"
"$calc" "$work/m.txt" >"$work/both" 2>&1
status=$?
expected='a=1
b=0
c=0
d=0
tessary-calc: b=: ERROR 9 被0除 (at character 2 of "1/0")
tessary-calc: 公式错误：括号不配对!
tessary-calc: c=: ERROR 3 ( ) 不匹配 (in "(2")'
if [[ $(cat "$work/both") != "$expected" || $status != 1 ]]; then
  echo "tessary-calc m.txt 2>&1 printed (exit $status):"
  cat "$work/both"
  exit 1
fi

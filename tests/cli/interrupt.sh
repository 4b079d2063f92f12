#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Ctrl+C at the prompt drops the line being typed and the prompt goes on
# with the names it keeps, with the line editing module and without it.
# Each run types "x=5", then "abc" and Ctrl+C, then "x*2" on a terminal
# (script(1) makes one); "x*2" must give 10 and "abc" nothing. The shell
# script(1) starts execs the program: a shell left waiting would die of the
# Ctrl+C itself, as dash does.
# Usage: interrupt.sh TESSARY_CALC
set -uo pipefail

calc=$1
[[ $calc == */* && $calc != /* ]] && calc=$PWD/$calc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/alone/bin"
cp "$calc" "$work/alone/bin/"
failed=0

for program in "$calc" "$work/alone/bin/tessary-calc"; do
  { sleep 1; printf 'x=5\r'; sleep 0.5; printf 'abc'; sleep 0.5; printf '\003'
    sleep 0.5; printf 'x*2\r'; sleep 0.5; printf 'quit\r'; sleep 0.5; } |
    env -u XDG_STATE_HOME HOME="$work/home" SHELL=/bin/sh timeout 20 script -qec "exec \"$program\"" /dev/null \
      >"$work/screen"
  status=$?
  if ((status != 0)) || ! grep -qE '^10'$'\r''?$' "$work/screen" ||
    grep -q 'ERROR\|错误\|未知' "$work/screen"; then
    echo "$program: exit $status, screen:"
    cat -v "$work/screen"
    failed=1
  fi
done
exit $failed

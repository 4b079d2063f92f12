#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Ctrl+R at the prompt finds a line by Chinese text and keeps it whole.
# Types "结果=5", "结果*2", "y=3", then Ctrl+R, "结", "果" and Enter on a
# terminal (script(1) makes one): the search shows its query and match, the
# line found runs again (10 twice) and enters the history as it was.
# Then Ctrl+R, "y", Ctrl+G, "7" and Enter: Ctrl+G gives the typed line back.
# Usage: reverse_search.sh TESSARY_CALC
set -uo pipefail

calc=$1
[[ $calc == */* && $calc != /* ]] && calc=$PWD/$calc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home"

{
  sleep 1
  for line in '结果=5' '结果*2' 'y=3'; do
    printf '%s\r' "$line"
    sleep 0.6
  done
  printf '\022'; sleep 0.6; printf '结'; sleep 0.6; printf '果'; sleep 0.6; printf '\r'
  sleep 0.6
  printf '2+\022'; sleep 0.6; printf 'y'; sleep 0.6; printf '\007'; sleep 0.6; printf '7\r'
  sleep 0.6; printf 'quit\r'; sleep 0.6
} | env -u XDG_STATE_HOME HOME="$work/home" LC_ALL=C.UTF-8 SHELL=/bin/sh timeout 20 \
  script -qec "exec \"$calc\"" /dev/null >"$work/screen"
status=$?
history=$work/home/.local/state/tessary/history
failed=0
if ((status != 0)); then failed=1; fi
grep -q "(reverse-i-search)'结果': 结果\*2" "$work/screen" || failed=1
(($(grep -cE '^10'$'\r''?$' "$work/screen") == 2)) || failed=1
grep -qE '^9'$'\r''?$' "$work/screen" || failed=1
[[ $(grep -v '^_HiStOrY' "$history" 2>/dev/null | tr '\n' ' ') == '结果=5 结果*2 y=3 结果*2 2+7 quit ' ]] ||
  failed=1
if ((failed)); then
  echo "exit $status, screen:"
  cat -v "$work/screen"
  echo "history:"
  cat "$history"
fi
exit $failed

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The prompt's line editing comes from lib/tessary/libtessary_lineedit.so
# beside the program's folder, and only when nobody else can have put or
# replaced it; without it the prompt still calculates, after a note. Each
# run types "1+2" and "quit" on a terminal (script(1) makes one).
# Usage: prompt_module.sh TESSARY_CALC
set -uo pipefail

calc=$1
[[ $calc == */* && $calc != /* ]] && calc=$PWD/$calc
module=$(dirname "$(dirname "$calc")")/lib/tessary/libtessary_lineedit.so
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
note='无法载入行编辑模块'
failed=0

# Runs the program at $1 on a terminal; its screen goes to $work/screen.
type_lines() {
  printf '1+2\nquit\n' |
    env -u XDG_STATE_HOME HOME="$work/home" timeout 10 script -qec "$1" /dev/null >"$work/screen"
}

# check NAME PROGRAM NOTE_EXPECTED [WHY]
check() {
  local name=$1 program=$2 wants_note=$3 why=${4:-}
  type_lines "$program"
  local status=$?
  local has_note=0 bad=0
  grep -q "$note" "$work/screen" && has_note=1
  ((status == 0 && has_note == wants_note)) || bad=1
  grep -qE '(^|> )3'$'\r''?$' "$work/screen" || bad=1
  [[ -z $why ]] || grep -q "$why" "$work/screen" || bad=1
  if ((bad)); then
    echo "$name: exit $status, screen:"
    cat -v "$work/screen"
    failed=1
  fi
}

mkdir -p "$work/home"
check "with the module" "$calc" 0

mkdir -p "$work/alone/bin"
cp "$calc" "$work/alone/bin/"
check "without the module" "$work/alone/bin/tessary-calc" 1

mkdir -p "$work/shared/bin" "$work/shared/lib/tessary"
cp "$calc" "$work/shared/bin/"
cp "$module" "$work/shared/lib/tessary/"
chmod 755 "$work/shared" "$work/shared/lib" "$work/shared/lib/tessary"
check "with a trusted copy" "$work/shared/bin/tessary-calc" 0
chmod g+w "$work/shared/lib/tessary"
check "in a folder others may write" "$work/shared/bin/tessary-calc" 1 '其他用户可以写入'
exit $failed

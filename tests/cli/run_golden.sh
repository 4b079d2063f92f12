#!/usr/bin/env bash
# Runs one golden case of tessary-calc and compares its transcript with
# golden/NAME.expected: standard output, then "[stderr]" and standard error
# if any, then "[exit N]".
#   NAME.args   arguments, one per line (default: -f NAME.txt)
#   NAME.stdin  standard input (default: empty, not a terminal)
# With GOLDEN_UPDATE=1 the transcript replaces NAME.expected instead.
# Usage: run_golden.sh TESSARY_CALC GOLDEN_DIR NAME
set -uo pipefail

calc=$1
cd "$2" || exit 1
name=$3

args=(-f "$name.txt")
if [[ -f $name.args ]]; then
  mapfile -t args <"$name.args"
fi
stdin=/dev/null
if [[ -f $name.stdin ]]; then
  stdin=$name.stdin
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$calc" "${args[@]}" <"$stdin" >"$work/stdout" 2>"$work/stderr"
status=$?
{
  cat "$work/stdout"
  if [[ -s $work/stderr ]]; then
    echo "[stderr]"
    cat "$work/stderr"
  fi
  echo "[exit $status]"
} >"$work/actual"

if [[ ${GOLDEN_UPDATE:-0} == 1 ]]; then
  cp "$work/actual" "$name.expected"
  exit 0
fi
if ! cmp -s "$name.expected" "$work/actual"; then
  echo "golden case '$name' differs (expected vs actual):"
  diff -u "$name.expected" "$work/actual"
  exit 1
fi

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs one golden case of tessary-calc and compares its transcript with
# golden/NAME.expected: standard output, then "[stderr]" and standard error
# if any, then "[exit N]".
#   NAME.args   arguments, one per line (default: -f NAME.txt)
#   NAME.stdin  standard input (default: empty, not a terminal)
#   NAME.locale the locale the case runs in (default: C); the tool's own
#               texts follow it
#   NAME.setup  shell commands that make what git cannot hold (a FIFO, a
#               16 MiB file) in a fresh folder; the case then runs there, and
#               a file or link named "stdin" made there is its standard input
# A case still running after 10 s has blocked: it is stopped (exit 124).
# With GOLDEN_UPDATE=1 the transcript replaces NAME.expected instead.
# Usage: run_golden.sh TESSARY_CALC GOLDEN_DIR NAME
set -uo pipefail

calc=$1
[[ $calc == */* && $calc != /* ]] && calc=$PWD/$calc
cd "$2" || exit 1
golden=$(pwd)
name=$3

args=(-f "$name.txt")
if [[ -f $name.args ]]; then
  mapfile -t args <"$name.args"
fi
stdin=/dev/null
if [[ -f $name.stdin ]]; then
  stdin=$golden/$name.stdin
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ -f $name.setup ]]; then
  mkdir "$work/case"
  (cd "$work/case" && bash "$golden/$name.setup") || exit 1
  cd "$work/case" || exit 1
  if [[ -e stdin ]]; then
    stdin=stdin
  fi
fi
locale=C
if [[ -f $golden/$name.locale ]]; then
  locale=$(<"$golden/$name.locale")
fi
timeout 10 env -u LANGUAGE LC_ALL="$locale" "$calc" "${args[@]}" <"$stdin" >"$work/stdout" 2>"$work/stderr"
status=$?
cd "$golden" || exit 1
{
  cat "$work/stdout"
  if [[ -s $work/stderr ]]; then
    echo "[stderr]"
    cat "$work/stderr"
  fi
  echo "[exit $status]"
} >"$work/actual"

if [[ ${GOLDEN_UPDATE:-0} == 1 ]]; then
  cp "$work/actual" "$golden/$name.expected"
  exit 0
fi
if ! cmp -s "$golden/$name.expected" "$work/actual"; then
  echo "golden case '$name' differs (expected vs actual):"
  diff -u "$golden/$name.expected" "$work/actual"
  exit 1
fi

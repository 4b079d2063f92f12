#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end: the calculator process as a user runs it (tessary-calc -f FILE:
# read each line, evaluate it, print its number text) against a muParser
# process that reads the same file and prints each value with "%.15Lg"
# (bench/muparser_calc.cpp), over the short, mixed and long corpora written
# to files by bench/corpus_files.
#
#   bench/e2e_bench.sh [RUNS]    (default 5 runs of each program per corpus)
#
# The two programs run in turn, A B A B ..., each with its output sent to
# /dev/null; a run's time is its user + system CPU (the machine is shared, so
# CPU is steadier than wall time; the wall-time ratio is shown too). Figures
# are medians. BUILD=dir picks the build folder (default build);
# TESSARY_CALC=path times another build of the calculator; LINES="S M L" the
# lines per corpus file (default 600000 100000 1500).
#
# With valgrind installed it also counts the instructions per short formula
# of each whole process: (instructions for 2N lines - for N lines) / N, which
# cancels the start-up.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
build=${BUILD:-build}
read -r -a lines <<<"${LINES:-600000 100000 1500}"
ours=${TESSARY_CALC:-$build/cli/tessary-calc}
theirs=$build/bench/muparser_calc

# The yardstick is the only user of muParser: installed here, not for every build.
source scripts/deps.sh
tessary_install_packages libmuparser-dev
cmake "$build" -DTESSARY_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target tessary-calc muparser_calc corpus_files >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/corpus_files" "$work" "${lines[@]}"

# Prints "wall cpu" in seconds for one run of the command.
TIMEFORMAT='%3R %3U %3S'
timed() {
  local t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<<"$t"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Both programs must print one line per formula, no errors, and values that
# agree (ours is 80-bit, muParser 64-bit: 1E-9 relative).
check() {
  local file=$1
  "$ours" -f "$file" >"$work/ours.out"
  "$theirs" "$file" >"$work/theirs.out"
  paste -d' ' "$work/ours.out" "$work/theirs.out" | awk -v name="$file" '
    { d = $1 - $2; if (d < 0) d = -d; m = ($1 < 0 ? -$1 : $1); if (d > 1e-9 * m + 1e-12) bad++ }
    /ERROR/ { errors++ }
    END { if (bad || errors || NR == 0) { printf "%s: %d disagreements, %d errors\n", name, bad, errors; exit 1 } }'
}

printf '%-7s %8s %14s %14s %12s %12s\n' corpus lines "ours f/s" "muParser f/s" "ratio (cpu)" "ratio (wall)"
for corpus in short mixed long; do
  file=$work/$corpus.txt
  n=$(wc -l <"$file")
  check "$file"
  : >"$work/a" ; : >"$work/b"
  for ((i = 0; i < runs; i++)); do
    timed "$ours" -f "$file" >>"$work/a"
    timed "$theirs" "$file" >>"$work/b"
  done
  paste -d' ' "$work/a" "$work/b" >"$work/pairs"
  ourCpu=$(awk '{ print $2 }' "$work/a" | median)
  theirCpu=$(awk '{ print $2 }' "$work/b" | median)
  cpuRatio=$(awk '{ print $4 / $2 }' "$work/pairs" | median)
  wallRatio=$(awk '{ print $3 / $1 }' "$work/pairs" | median)
  printf '%-7s %8d %14.0f %14.0f %11.1fx %11.1fx\n' "$corpus" "$n" \
    "$(awk -v n="$n" -v t="$ourCpu" 'BEGIN { print n / t }')" \
    "$(awk -v n="$n" -v t="$theirCpu" 'BEGIN { print n / t }')" "$cpuRatio" "$wallRatio"
done

if command -v valgrind >/dev/null; then
  n=2000
  head -n "$n" "$work/short.txt" >"$work/n.txt"
  head -n $((2 * n)) "$work/short.txt" >"$work/2n.txt"
  instructions() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
      awk '/Collected :/ { print $NF }'
  }
  echo
  echo "instructions per short formula, whole process (callgrind, 2N - N lines, N = $n):"
  for program in ours theirs; do
    if [[ $program == ours ]]; then cmd=("$ours" -f); else cmd=("$theirs"); fi
    one=$(instructions "${cmd[@]}" "$work/n.txt")
    two=$(instructions "${cmd[@]}" "$work/2n.txt")
    printf '  %-9s %8.0f\n' "$([[ $program == ours ]] && echo tessary || echo muParser)" \
      "$(awk -v a="$one" -v b="$two" -v n="$n" 'BEGIN { print (b - a) / n }')"
  done
fi

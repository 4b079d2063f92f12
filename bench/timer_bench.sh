#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the timer benchmark in both modes, alternately, three times each, and
# prints the median CPU time of each mode and their ratio (goal: TAATimer at
# most 1.2 times Qt's).
#   bench/timer_bench.sh [path/to/timer_bench] [extra arguments, e.g. --seconds 5]
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bench/timer_bench
if [[ $# -gt 0 && $1 != --* ]]; then
  bin=$1
  shift
fi
if [[ ! -x $bin ]]; then
  echo "timer_bench.sh: $bin not found; build the timer_bench target first" >&2
  exit 1
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

runs=3
declare -A cpu
for ((i = 1; i <= runs; i++)); do
  for mode in aatimer qtimer; do
    line=$("$bin" "$mode" "$@")
    echo "$line"
    cpu[$mode]+="$(sed -n 's/.* cpu_ms=\([0-9.]*\).*/\1/p' <<<"$line") "
  done
done

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
aa=$(median "${cpu[aatimer]}")
qt=$(median "${cpu[qtimer]}")
awk -v aa="$aa" -v qt="$qt" 'BEGIN {
  printf "median cpu_ms: aatimer %.1f, qtimer %.1f\n", aa, qt
  if (qt > 0) printf "ratio aatimer/qtimer: %.2f (goal <= 1.2)\n", aa / qt
  else print "ratio aatimer/qtimer: qtimer used no measurable CPU"
}'

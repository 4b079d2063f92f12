#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# CPU of the whole program while all six side panels scroll: starts the
# window under Xvfb with the panels active and without a board, and reads
# the run time of all its threads (/proc/PID/task/*/schedstat, nanoseconds)
# over the stretch in which every panel scrolls.
#
#   bench/panels_cpu.sh [RUNS] [PATH_TO_TESSARY]     (default 3 runs)
#
# With the built-in text each panel first stands at the top for its pause
# (8 to 10 s after the start), then scrolls its pass of about 14 s: all six
# scroll from about 10.3 s to 22.6 s after the start. The measured stretch
# is 11.0 to 21.5 s, which keeps a margin on either side for a slower start.
# Goal: at most 1% of one core (the median of the runs).
set -euo pipefail

runs=${1:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
program=${2:-$root/build/app/tessary}
[[ -x $program ]] || { echo "no program at $program (build first)" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }

readonly from=11.0 to=21.5

# Run time of all threads of a process so far, in nanoseconds.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'; }

measure() {
  local work pid start t0 t1
  work=$(mktemp -d)
  mkdir -m 700 "$work/run"
  start=$(date +%s.%N)
  XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" "$program" --panels-active --no-board &
  pid=$!
  sleep "$(awk -v s="$start" -v n="$(date +%s.%N)" -v f=$from 'BEGIN { print f - (n - s) }')"
  t0=$(cpu_ns "$pid")
  sleep "$(awk -v s="$start" -v n="$(date +%s.%N)" -v t=$to 'BEGIN { print t - (n - s) }')"
  t1=$(cpu_ns "$pid")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  rm -rf "$work"
  awk -v d=$((t1 - t0)) -v s="$(awk -v a=$from -v b=$to 'BEGIN { print b - a }')" \
    'BEGIN { printf "%.3f\n", 100 * d / 1e9 / s }'
}

if [[ -n ${TESSARY_INSIDE_XVFB:-} ]]; then
  for ((i = 0; i < runs; i++)); do measure; done
  exit
fi
results=$(TESSARY_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$runs" "$program")
echo "six scrolling panels, $from-$to s after the start, % of one core per run: $(echo $results)"
echo "$results" | sort -g | awk '{ v[NR] = $1 } END {
  printf "median %.2f%% of one core (goal <= 1%%)\n", v[int((NR + 1) / 2)] }'

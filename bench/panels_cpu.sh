#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# CPU of the whole program while the six side panels scroll: starts the
# window under Xvfb with the panels active, lets it settle, then reads the
# process's user+system time from /proc over SECONDS (default 20).
#
#   bench/panels_cpu.sh [SECONDS] [PATH_TO_TESSARY]
#
# Goal: at most 2% of one core.
set -euo pipefail

seconds=${1:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
program=${2:-$root/build/app/tessary}
[[ -x $program ]] || { echo "no program at $program (build first)" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"

measure() {
  XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" "$program" --panels-active &
  local pid=$! hz ticks0 ticks1
  sleep 3  # start-up and the first layout are not what is measured
  hz=$(getconf CLK_TCK)
  ticks0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$seconds"
  ticks1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  awk -v d=$((ticks1 - ticks0)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "six scrolling panels: %.2f%% of one core over %d s (goal <= 2%%)\n", 100 * d / hz / s, s }'
}
if [[ -n ${TESSARY_INSIDE_XVFB:-} ]]; then
  measure
else
  TESSARY_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$seconds" "$program"
fi

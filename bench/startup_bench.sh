#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Start-up benchmark: how long the calculator takes from being started to
# its window being on the screen and painted, side by side in one run with
# SpeedCrunch (Debian's Qt calculator), started the same way under one Xvfb.
#
#   bench/startup_bench.sh [ROUNDS]        (default 20)
#
# Both programs are timed alike by bench/windowprobe.cpp, from outside, in
# the X server: "mapped" when the top-level window is mapped, "painted" at
# the last drawing into it before it has been still for 250 ms. Every start
# gets fresh HOME, XDG config, cache, data and runtime folders, so no
# settings, session or single-instance lock carries over. Round 0 warms the
# disk cache and is not counted; the order alternates round by round.
# TESSARY_EXE=path times another build of ours instead of build/app/tessary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-20}
if ! [[ $rounds =~ ^[0-9]+$ ]] || ((rounds == 0)); then
  echo "usage: $0 [ROUNDS]" >&2
  exit 2
fi

if [[ ${TESSARY_STARTUP_INNER:-} != 1 ]]; then
  cd "$root"
  source scripts/deps.sh
  # Benchmark-only: the program to compare with, and the X headers of the probe.
  tessary_install_packages "${TESSARY_PACKAGES[@]}" speedcrunch libxcb1-dev libxcb-damage0-dev
  if [[ -z ${TESSARY_EXE:-} ]]; then
    cmake --preset default >&2
    cmake --build --preset default --target tessary manual >&2
    TESSARY_EXE=$root/build/app/tessary
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  g++ -std=c++20 -O2 -o "$work/windowprobe" bench/windowprobe.cpp -lxcb-damage -lxcb
  TESSARY_STARTUP_INNER=1 TESSARY_EXE=$TESSARY_EXE PROBE=$work/windowprobe \
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$rounds"
  exit
fi

# Inside Xvfb from here on.
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
names=(tessary speedcrunch)
commands=("$TESSARY_EXE" speedcrunch)
declare -A mapped painted

# One start of program i: prints "MAP PAINT" in milliseconds; the probe's
# complaint, if any, goes to standard error.
start_once() {
  local dir status=0
  dir=$(mktemp -d)
  mkdir -p "$dir"/{home,config,cache,data}
  mkdir -m 700 "$dir/run"
  HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/cache \
    XDG_DATA_HOME=$dir/data XDG_RUNTIME_DIR=$dir/run \
    "$PROBE" "${commands[$1]}" 2>"$dir/probe.err" || status=$?
  ((status == 0)) || cat "$dir/probe.err" >&2
  rm -rf "$dir"
  return $status
}

# A start that fails is tried once more (and said so) before giving up.
measure() {
  start_once "$1" && return 0
  echo "${names[$1]}: start failed, trying once more" >&2
  start_once "$1"
}

for ((round = 0; round <= rounds; round++)); do
  order=(0 1)
  ((round % 2)) && order=(1 0)
  for i in "${order[@]}"; do
    if ! result=$(measure "$i"); then
      echo "${names[i]} did not show a window" >&2
      exit 1
    fi
    read -r map paint <<<"$result"
    ((round == 0)) && continue
    mapped[$i]+="$map "
    painted[$i]+="$paint "
  done
done

# median and minimum of the numbers given
stats() { printf '%s\n' "$@" | sort -g | awk '{a[NR] = $1}
  END { m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.1f %.1f\n", m, a[1] }'; }

echo "Start-up under Xvfb, $rounds rounds (milliseconds, median and minimum):"
printf '%-12s %18s %18s\n' program mapped painted
for i in 0 1; do
  # shellcheck disable=SC2086
  read -r mm mn < <(stats ${mapped[$i]})
  # shellcheck disable=SC2086
  read -r pm pn < <(stats ${painted[$i]})
  printf '%-12s %10s (%5s) %10s (%5s)\n' "${names[i]}" "$mm" "$mn" "$pm" "$pn"
  med_map[i]=$mm
  med_paint[i]=$pm
done
awk -v a="${med_map[0]}" -v b="${med_map[1]}" -v c="${med_paint[0]}" -v d="${med_paint[1]}" \
  'BEGIN { printf "ratio tessary/speedcrunch: mapped %.2f, painted %.2f (goal: painted at most 0.7)\n", a / b, c / d }'

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Without a display run.sh says so and stops with status 1 before it
# installs or builds anything: a cmake that notes its call stands in.
# Usage: run_without_display.sh PROJECT_ROOT
set -uo pipefail

root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
printf '#!/bin/sh\ntouch "%s/called"\nexit 3\n' "$work" >"$work/bin/cmake"
chmod +x "$work/bin/cmake"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH="$work/bin:$PATH" \
  timeout 60 "$root/scripts/run.sh" >"$work/out" 2>&1
status=$?
if ((status != 1)) || [[ -e $work/called ]] || ! grep -q 'no display' "$work/out"; then
  echo "run.sh without a display: exit $status, cmake called: $([[ -e $work/called ]] && echo yes || echo no)"
  cat "$work/out"
  exit 1
fi

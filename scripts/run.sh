#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds and starts the calculator's window.
# Arguments go to the program. Without a display it says so and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

# First, so that a machine without a display hears it at once, not after
# the packages and the build.
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && -z ${QT_QPA_PLATFORM:-} ]]; then
  echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset), so the window cannot open." >&2
  echo "Start it under Xvfb with 'xvfb-run -a ./build/app/tessary', or calculate on the command line with ./build/cli/tessary-calc." >&2
  exit 1
fi

tessary_install_packages "${TESSARY_PACKAGES[@]}"

# Build messages go to stderr, as do this script's own.
cmake --preset default >&2
cmake --build --preset default --target tessary tessary-calc manual >&2

exec build/app/tessary "$@"

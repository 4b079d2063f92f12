#!/usr/bin/env bash
# Installs what is missing, builds and starts the calculator: for now the
# command-line tool (interactive on a terminal). Arguments go to the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

tessary_install_packages "${TESSARY_PACKAGES[@]}"

# Build messages go to stderr so that "run.sh -e 1+2 > out" holds only results.
cmake --preset default >&2
cmake --build --preset default --target tessary-calc >&2
exec build/cli/tessary-calc "$@"

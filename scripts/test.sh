#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds and runs the whole test suite through CTest.
# SANITIZE=1 uses the AddressSanitizer/UBSan build in build-asan/ instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh

tessary_install_packages "${TESSARY_PACKAGES[@]}"
tessary_ensure_locales de_DE.UTF-8

preset=default
if [[ ${SANITIZE:-0} == 1 ]]; then
  preset=asan
fi
cmake --preset "$preset"
cmake --build --preset "$preset"
# Widget tests need no display: Qt draws offscreen unless told otherwise.
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --preset "$preset"

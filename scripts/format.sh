#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Formats the C++ sources with the project's .clang-format.
#   scripts/format.sh          reformat every C++ file in place
#   scripts/format.sh --check  change nothing; fail listing what is unformatted (CI)
# Installs Debian's clang-format when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tessary_install_packages clang-format

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --check ]]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format.sh: ${#files[@]} files formatted as .clang-format says"
else
  clang-format -i "${files[@]}"
fi

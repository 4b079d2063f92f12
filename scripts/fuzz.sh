#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the formula engine (or Calculate) with libFuzzer under
# AddressSanitizer and UBSan.
#
#   scripts/fuzz.sh [SECONDS] [engine|worksheet]     (default 600 engine)
#
# The worksheet target runs whole Calculate runs over fuzzed formula panes
# and variable tables, for SECONDS with inputs up to 8 KiB.
# Every input must finish within 1 s: a slower one is a finding (timeout-*),
# since work that grows faster than its text would freeze the window.
# Runs in two phases: SECONDS with inputs up to 4 KiB, then a tenth of that
# (at least 20 s) with inputs up to 300 KB, seeded with deeply nested texts,
# to catch recursion that runs the stack out. New inputs are kept in
# fuzz-corpus/ (git-ignored) and reused by the next run. A finding stops the
# script with a non-zero status and leaves crash-*/timeout-*/leak-* in the
# project root.
set -euo pipefail

seconds=${1:-600}
target=${2:-engine}
if ! [[ $seconds =~ ^[0-9]+$ ]] || (( seconds == 0 )) ||
   [[ $target != engine && $target != worksheet ]]; then
  echo "usage: $0 [SECONDS] [engine|worksheet]" >&2
  exit 2
fi

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seeds=$root/tests/fuzz/corpus
corpus=$root/fuzz-corpus
deep=$build/deep-seeds

# libFuzzer and the sanitizer runtimes come with clang's runtime package.
source "$root/scripts/deps.sh"
tessary_install_packages "${TESSARY_PACKAGES[@]}" clang libclang-rt-dev

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSARY_FUZZ=ON -DTESSARY_BUILD_TESTS=ON \
  -DTESSARY_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${target}_fuzz" -j2

if [[ $target == worksheet ]]; then
  mkdir -p "$root/fuzz-corpus-worksheet"
  "$build/tests/fuzz/worksheet_fuzz" -dict="$root/tests/fuzz/worksheet.dict" \
    -artifact_prefix="$root/" -print_final_stats=1 \
    -timeout=1 -rss_limit_mb=4096 -max_len=8192 -max_total_time="$seconds" \
    "$root/fuzz-corpus-worksheet" "$root/tests/fuzz/worksheet-corpus"
  echo "fuzz.sh: no findings"
  exit 0
fi

fuzzer=$build/tests/fuzz/engine_fuzz
mkdir -p "$corpus" "$deep"

# Deeply nested texts, several times past the engine's nesting limit.
repeat() { local s; printf -v s '%*s' "$2" ''; printf '%s' "${s// /$1}"; }
{ repeat '(' 6000; printf 1; repeat ')' 6000; } >"$deep/brackets"
{ repeat '-' 6000; printf 5; } >"$deep/signs"
{ repeat '1&' 6000; printf 1; } >"$deep/and-chain"
{ repeat 'SIN(' 4000; printf 1; repeat ')' 4000; } >"$deep/calls"
{ repeat 'MAX(1,' 4000; printf 1; repeat ')' 4000; } >"$deep/lists"

common=(-dict="$root/tests/fuzz/engine.dict" -artifact_prefix="$root/"
        -print_final_stats=1 -timeout=1 -rss_limit_mb=4096)

echo "== fuzzing for ${seconds}s, inputs up to 4 KiB"
"$fuzzer" "${common[@]}" -max_len=4096 -max_total_time="$seconds" "$corpus" "$seeds"

long=$(( seconds / 10 > 20 ? seconds / 10 : 20 ))
echo "== fuzzing for ${long}s, inputs up to 300 KB"
"$fuzzer" "${common[@]}" -max_len=300000 -len_control=0 -max_total_time="$long" \
  "$corpus" "$deep"

echo "fuzz.sh: no findings"

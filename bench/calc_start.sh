#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The start of tessary-calc on an empty file (tessary-calc -f EMPTY) against
# a C program that does nothing, timed side by side by hyperfine (Debian's
# hyperfine package; benchmark only), which runs each without a shell.
#
#   bench/calc_start.sh [CALC]...      (default build-rel/cli/tessary-calc)
#
# RUNS=n sets the runs of each (default 1000, after 50 warm-up runs).
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-1000}
calcs=("$@")
((${#calcs[@]})) || calcs=(build-rel/cli/tessary-calc)
command -v hyperfine >/dev/null || {
  echo "hyperfine is not installed (apt-get install hyperfine)" >&2
  exit 2
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'int main(void) { return 0; }\n' >"$work/nothing.c"
cc -O2 -o "$work/nothing" "$work/nothing.c"
: >"$work/empty"

commands=("$work/nothing")
for calc in "${calcs[@]}"; do commands+=("$(realpath "$calc") -f $work/empty"); done
hyperfine -N --warmup 50 --runs "$runs" --export-json "$work/times.json" "${commands[@]}" >/dev/null

# Mean and median of each, and the ratio of the medians to the C program's.
python3 - "$work/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
base = results[0]["median"]
print(f"{'command':<60} {'mean ms':>8} {'median ms':>10} {'× C':>6}")
for r in results:
    name = r["command"].split(" -f ")[0]
    print(f"{name:<60} {r['mean'] * 1000:8.2f} {r['median'] * 1000:10.2f} {r['median'] / base:6.2f}")
PY

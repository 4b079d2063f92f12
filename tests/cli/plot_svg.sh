#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tessary-calc --plot writes the SVG: SIN(x) over one period as one curve
# of 100 points or more; TAN(x) over -4..4 in three pieces; a worksheet's
# names in the formula.
# Usage: plot_svg.sh TESSARY_CALC
set -uo pipefail
calc=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}
points() { grep -o '<polyline points="[^"]*"' "$1" | tr ' ' '\n' | grep -c ','; }

"$calc" --plot 'SIN(x)' --from 0 --to 6.283 --output "$work/sin.svg" || fail "SIN: status $?"
grep -q '<svg xmlns="http://www.w3.org/2000/svg" width="640" height="400"' "$work/sin.svg" ||
  fail "SIN: no SVG of 640 x 400"
(($(grep -c '<polyline' "$work/sin.svg") == 1)) || fail "SIN: not one piece"
(($(points "$work/sin.svg") >= 100)) || fail "SIN: fewer than 100 points"

"$calc" --plot 'TAN(x)' --from -4 --to 4 -o "$work/tan.svg" --width 800 --height 500 ||
  fail "TAN: status $?"
(($(grep -c '<polyline' "$work/tan.svg") >= 3)) || fail "TAN: fewer than three pieces"
grep -q 'width="800" height="500"' "$work/tan.svg" || fail "TAN: size not taken"

printf 'f(t)=t^2\r\nk=2\r\n' >"$work/names.txt"
printf 'a=3\r\n' >"$work/names.vle"
"$calc" --plot 'a*f(x)+k' --from=-2 --to=2 -o "$work/names.svg" "$work/names.txt" ||
  fail "names: status $?"
grep -q '>a\*f(x)+k</text>' "$work/names.svg" || fail "names: no title"
exit $failed

#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A worksheet as big as tessary-calc opens (just under 16 MiB: 557,000 lines,
# 640,000 statements), timed whole: wall time and peak resident memory of
# `tessary-calc calc.txt` from /usr/bin/time -v, for each build given.
#
#   bench/bigsheet.sh [CALC]...        (default build-rel/cli/tessary-calc)
#
# The worksheet is what the window saves: code page 936, CR LF between lines,
# with calc.vle beside it holding a few variables (one of them Chinese).
# Every line holds "=" (a line without one would continue the statement
# before it): named statements A1=, A2=, ... and now and then 面积N=, using
# the variables and earlier results, some followed on their line by an
# unnamed statement after ";", some by a comment; every 50,000th divides by
# zero, so that standard error has something to tell. Results enter later
# statements with factors whose magnitudes add up to less than one, so values
# stay bounded. The text is fixed by the generator's own seeded sequence.
#
# Each build first runs once with its output kept: it must print one result
# line per statement and one error line per division by zero. Then RUNS
# timed runs each (default 3), in turn, output to /dev/null; the median run
# is shown. MIB=n makes a smaller worksheet (n MiB); KEEP=dir keeps the files
# there.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${RUNS:-3}
mib=${MIB:-16}
calcs=("$@")
((${#calcs[@]})) || calcs=(build-rel/cli/tessary-calc)

if [[ -n ${KEEP:-} ]]; then
  work=$KEEP
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

printf 'P=100\nT=273.15\ng=9.80665\nrho=1.225\nk=0.5\nn=3\nr=2.5\n单价=12.5\n' |
  iconv -f UTF-8 -t GBK | sed 's/$/\r/' >"$work/calc.vle"

# Writes the worksheet in UTF-8 with CR LF between lines and prints
# "statements errors" on standard error.
generate() {
  LC_ALL=C awk -v limit=$((mib * 1024 * 1024)) '
    # Park-Miller: exact in the doubles awk computes with, the same in every awk.
    function rnd(n) { seed = (seed * 16807) % 2147483647; return seed % n }
    function chance(p) { return rnd(100) < p }
    function num() {
      if (chance(50)) return rnd(99) + 1
      return rnd(100) "." (rnd(99) + 1)
    }
    function variable(  v) {
      v = vars[rnd(nvars)]
      if (chance(30)) return "(" v "+" num() ")"
      if (chance(20)) return num() "×" v
      return v
    }
    # An earlier result, with a factor of at most 0.4 in magnitude.
    function result(i,  j, w) {
      if (chance(60)) { w = i < 10 ? i : 10; j = i - 1 - rnd(w) } else j = rnd(i)
      w = rnd(5)
      if (w == 0) return name[j] "*0.4"
      if (w == 1) return name[j] "/3"
      if (w == 2) return "0.25×" name[j]
      if (w == 3) return "[" name[j] "-1.5]/4"
      return name[j] "÷5"
    }
    function expr(i,  t, s, terms, k, m) {
      m = 0
      if (i > 0) { terms[m++] = result(i); if (i > 1 && chance(20)) terms[m++] = result(i) }
      if (i == 0 || chance(45)) terms[m++] = variable()
      if (chance(15)) terms[m++] = num()
      # In any order: a few statements start with a number or a variable.
      k = rnd(m); t = terms[0]; terms[0] = terms[k]; terms[k] = t
      s = terms[0]
      for (k = 1; k < m; k++) s = s (chance(60) ? "+" : "-") terms[k]
      return s
    }
    BEGIN {
      seed = 20240611
      nvars = split("P T g rho k n r 单价", list, " ")
      for (k = 1; k <= nvars; k++) vars[k - 1] = list[k]
      size = 0; errors = 0
      for (i = 0; ; i++) {
        name[i] = (i % 20 == 7 ? "面积" : "A") (i + 1)
        line = name[i] "=" expr(i)
        if (i > 0 && i % 50000 == 0) { line = line "/(n-3)"; errors++ }
        else if (chance(15)) line = line ";" name[i] "×" num() "-" variable()
        else if (chance(4)) line = line "  // 第" (i + 1) "行"
        # Bytes in code page 936: a Chinese character, 3 bytes in UTF-8, is 2
        # there (its lead byte is one of these); × and ÷ are 2 in both.
        copy = line
        bytes = length(line) - gsub(/[\344-\351]/, "", copy) + (i > 0 ? 2 : 0)
        if (size + bytes > limit) break
        if (i > 0) printf "\r\n"
        printf "%s", line
        size += bytes
      }
      statements = i
      print statements, errors > "/dev/stderr"
    }'
}

generate 2>"$work/counts" | iconv -f UTF-8 -t GBK >"$work/calc.txt"
read -r statements errors <"$work/counts"
# The unnamed statements after ";" print result lines of their own.
unnamed=$(iconv -f GBK -t UTF-8 "$work/calc.txt" | grep -o ';' | wc -l)
bytes=$(stat -c %s "$work/calc.txt")
printf 'worksheet: %d bytes, %d lines, %d statements, %d division(s) by zero\n' \
  "$bytes" "$statements" $((statements + unnamed)) "$errors"

for calc in "${calcs[@]}"; do
  status=0
  "$calc" "$work/calc.txt" >"$work/out" 2>"$work/err" || status=$?
  got=$(wc -l <"$work/out")
  failed=$(grep -c 'ERROR 9' "$work/err" || true)
  if ((status != (errors > 0) || got != statements + unnamed || failed != errors)); then
    echo "$calc: exit $status, $got result lines, $failed errors: not the expected run" >&2
    exit 1
  fi
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-40s %10s %14s %10s\n' build "wall s" "peak RSS MB" "× input"
declare -A wall rss
for ((i = 0; i < runs; i++)); do
  for calc in "${calcs[@]}"; do
    /usr/bin/time -v -o "$work/time" "$calc" "$work/calc.txt" >/dev/null 2>&1 || true
    wall[$calc]+="$(awk -F': ' '/Elapsed/ { n = split($2, p, ":"); s = 0
      for (k = 1; k <= n; k++) s = s * 60 + p[k]; print s }' "$work/time") "
    rss[$calc]+="$(awk -F': ' '/Maximum resident/ { print $2 }' "$work/time") "
  done
done
for calc in "${calcs[@]}"; do
  w=$(printf '%s\n' ${wall[$calc]} | median)
  kb=$(printf '%s\n' ${rss[$calc]} | median)
  printf '%-40s %10.2f %14.1f %10.1f\n' "$calc" "$w" "$(awk -v k="$kb" 'BEGIN { print k / 1000 }')" \
    "$(awk -v k="$kb" -v b="$bytes" 'BEGIN { print k * 1024 / b }')"
done

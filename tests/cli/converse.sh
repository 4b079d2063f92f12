#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Another program converses with tessary-calc through pipes: each answer must
# arrive before the next question is written, with and without "-f -".
# Usage: converse.sh TESSARY_CALC
set -uo pipefail

calc=$1
for args in "-f -" ""; do
  # shellcheck disable=SC2086  # the arguments are meant to split
  coproc CALC { exec "$calc" $args; }
  for pair in '1+1=2' '2*3=6' '1/0=ERROR 9 被0除' 'sqrt(16)=4'; do
    question=${pair%%=*}
    expected=${pair#*=}
    echo "$question" >&"${CALC[1]}"
    if ! IFS= read -r -t 5 answer <&"${CALC[0]}"; then
      echo "tessary-calc $args: no answer to '$question' within 5 s"
      kill "$CALC_PID"
      exit 1
    fi
    if [[ $answer != "$expected" ]]; then
      echo "tessary-calc $args: '$question' answered '$answer', expected '$expected'"
      exit 1
    fi
  done
  exec {CALC[1]}>&-
  wait "$CALC_PID"
  status=$?
  if [[ $status != 1 ]]; then
    echo "tessary-calc $args: exit status $status after an error, expected 1"
    exit 1
  fi
done

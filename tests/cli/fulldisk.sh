#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Answers that cannot be written (a full disk) end with status 2 and a
# message, from one line and from more lines than one write takes.
# Usage: fulldisk.sh TESSARY_CALC
set -uo pipefail

calc=$1
many=$(mktemp)
trap 'rm -f "$many"' EXIT
yes 1+1 | head -n 100000 >"$many"
for args in "-e 1" "-f $many"; do
  # shellcheck disable=SC2086  # the arguments are meant to split
  message=$(LC_ALL=C "$calc" $args 2>&1 >/dev/full)
  status=$?
  if [[ $status != 2 || $message != "tessary-calc: write error" ]]; then
    echo "tessary-calc $args >/dev/full: status $status, message '$message'"
    exit 1
  fi
done

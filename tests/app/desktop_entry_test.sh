#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The menu entry is valid and takes a file: "Open With" in a file manager
# lists the calculator for plain-text worksheets and hands it the file.
#   desktop_entry_test.sh PATH/TO/tessary.desktop
set -u
entry=$1
command -v desktop-file-validate >/dev/null || {
  echo "desktop-file-validate is missing (package desktop-file-utils)"
  exit 1
}
failed=0
output=$(desktop-file-validate "$entry" 2>&1) || failed=1
[[ -z $output ]] || { echo "$output"; failed=1; }
grep -qx 'Exec=tessary %f' "$entry" || { echo "Exec does not take a file"; failed=1; }
grep -qx 'MimeType=text/plain;' "$entry" || { echo "not offered for plain text"; failed=1; }
exit $failed

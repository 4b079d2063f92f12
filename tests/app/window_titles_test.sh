#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The titles the window system is given, read back from a real X server:
# exactly the program's captions, without a suffix added by the toolkit. The
# widget tests read the captions the program sets, which cannot show that.
# Also checks that a session writes no file besides the ini.
#
#   window_titles_test.sh PATH/TO/tessary
set -u
exe=$1

for tool in xvfb-run xdotool xprop; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/config
# A real X window, not the offscreen platform the widget tests use.
export QT_QPA_PLATFORM=xcb
# The X keyboard library reads past a string end that it never relies on;
# the sanitizer build's strict string checks would stop the window there.
if [[ -n ${ASAN_OPTIONS:-} ]]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}
fi
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"

# Runs inside the X server: prints the titles of the windows it opens.
session() {
  "$exe" --no-board &
  local pid=$! window
  # A sanitizer build on a busy machine may take a while to show its window.
  window=$(timeout 90 xdotool search --sync --onlyvisible --pid "$pid" --name 'Tessary' | head -1)
  if [[ -z $window ]]; then
    kill "$pid"
    return
  fi
  xprop -id "$window" _NET_WM_NAME
  # Prints the title of the first window of ours whose title matches $1,
  # waiting for it to come up.
  await_title() {
    local w title tries
    for ((tries = 0; tries < ${2:-120}; ++tries)); do
      for w in $(xdotool search --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
        title=$(xprop -id "$w" _NET_WM_NAME)
        if [[ $title == *$1* ]]; then
          echo "$title"
          return
        fi
      done
      sleep 0.5
    done
  }
  # Waits until no window of ours has a title matching $1.
  await_gone() {
    local w tries found
    for ((tries = 0; tries < 120; ++tries)); do
      found=0
      for w in $(xdotool search --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
        [[ $(xprop -id "$w" _NET_WM_NAME) == *$1* ]] && found=1
      done
      ((found)) || return
      sleep 0.5
    done
  }
  # The open dialog, in Chinese, then closed again.
  xdotool mousemove --window "$window" 200 200 click 1
  xdotool key --delay 100 alt+f p
  await_title '打开'
  xdotool key Escape
  # A sanitizer build may take a while to close it and give the focus back.
  await_gone '打开'
  sleep 1
  # Type a change into the formula pane, then New: the save question. On a
  # busy machine the keys may reach the window before it has the focus
  # back: then again.
  local title attempt
  for ((attempt = 0; attempt < 6; ++attempt)); do
    # An Escape lost on the way leaves the open dialog up.
    if [[ -n $(await_title '打开' 1) ]]; then
      xdotool key Escape
      await_gone '打开'
    fi
    xdotool mousemove --window "$window" 200 200 click 1
    xdotool type --delay 20 '1'
    xdotool key --delay 100 alt+f n
    title=$(await_title '当前数据已经变动' 20)
    [[ -n $title ]] && break
  done
  echo "$title"
  kill "$pid"
  wait "$pid" 2>/dev/null
}
# xvfb-run's /bin/sh drops exported functions: hand the body over instead.
out=$(xvfb-run -a -s "-screen 0 1400x900x24" \
        bash -c "exe=$(printf %q "$exe"); $(declare -f session); session" 2>"$work/stderr")
failures=0
expect() {
  if ! grep -qxF "$1" <<<"$out"; then
    echo "FAIL: no window titled exactly: $1"
    failures=$((failures + 1))
  fi
}
expect '_NET_WM_NAME(UTF8_STRING) = "Tessary公式计算器"'
expect '_NET_WM_NAME(UTF8_STRING) = "当前数据已经变动"'
expect '_NET_WM_NAME(UTF8_STRING) = "打开"'
echo "$out"

# Qt keeps a file dialog history of its own unless told otherwise.
written=$(cd "$work" && find home config -type f ! -name '*.ini' 2>/dev/null)
if [[ -n $written ]]; then
  echo "FAIL: files written besides the ini: $written"
  failures=$((failures + 1))
fi
exit $((failures > 0))

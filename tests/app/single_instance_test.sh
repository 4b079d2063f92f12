#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the real program twice: the second start must end at once, silently,
# with status 0 (even without any display), and leave the first running;
# once the first is killed with SIGKILL, a new start runs again.
#
#   single_instance_test.sh PATH/TO/tessary
set -u
exe=$1

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    {
      kill -9 "$pid" && wait "$pid"
    } 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

# A private runtime folder, so that a calculator the developer has open does
# not count; fresh settings too.
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HOME"
lock=$XDG_RUNTIME_DIR/TessaryCal.lock
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Whether process $1 holds the lock, read from /proc/locks: trying the lock
# ourselves would, for that moment, make a starting instance think it busy.
holds_lock() {
  local inode
  inode=$(stat -c %i "$lock" 2>/dev/null) || return 1
  grep -qE "^[0-9]+: FLOCK +ADVISORY +WRITE +$1 +[0-9a-f]+:[0-9a-f]+:$inode " /proc/locks
}

ended() {
  local status=0
  wait "$first" 2>/dev/null || status=$?
  fail "$1 instance ended with status $status while starting: $(cat "$work/$1.out")"
}

# Starts a first instance, waits (at most 20 s) until it holds the lock, and
# gives it a second to have its window up.
start_first() {
  QT_QPA_PLATFORM=offscreen "$exe" >"$work/$1.out" 2>&1 &
  first=$!
  pids+=("$first")
  local tries
  for ((tries = 0; tries < 200; tries++)); do
    kill -0 "$first" 2>/dev/null || { ended "$1"; return 1; }
    if holds_lock "$first"; then
      sleep 1
      kill -0 "$first" 2>/dev/null || { ended "$1"; return 1; }
      return 0
    fi
    sleep 0.1
  done
  fail "$1 instance did not take the lock within 20 s"
  return 1
}

start_first first || exit 1

# The second start has no display at all: it must not get as far as needing one.
t0=$EPOCHREALTIME
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$exe" >"$work/second.out" 2>&1
status=$?
t1=$EPOCHREALTIME
echo "second start ended with status $status after $(( (${t1/./} - ${t0/./}) / 1000 )) ms"
((status == 0)) || fail "second start: status $status (124: still running after 10 s)"
[[ -s $work/second.out ]] && fail "second start printed: $(cat "$work/second.out")"
kill -0 "$first" 2>/dev/null || fail "the first instance did not survive the second start"
holds_lock "$first" || fail "the first instance lost the lock"

# However the holder dies, the kernel releases the lock.
{
  kill -9 "$first"
  wait "$first"
} 2>/dev/null
start_first third || exit 1
{
  kill -9 "$first"
  wait "$first"
} 2>/dev/null

# A lock that cannot be used (here another user's lock file) must not let
# two windows run: the start ends with status 1 and says why.
if ((EUID == 0)); then
  chown 65534:65534 "$lock"
  QT_QPA_PLATFORM=offscreen timeout 10 "$exe" >"$work/refused.out" 2>&1
  status=$?
  ((status == 1)) || fail "start with another user's lock file: status $status (124: it ran)"
  grep -q "无法确认本程序是否已在运行" "$work/refused.out" ||
    fail "start with another user's lock file did not say why: $(cat "$work/refused.out")"
fi

if ((failures == 0)); then
  echo "single instance: 1 passed, 0 failed"
  exit 0
fi
exit 1

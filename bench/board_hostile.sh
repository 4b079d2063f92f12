#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The window against two hostile board servers on loopback, under Xvfb:
#
#   continue  the server sends "HTTP/1.1 100 Continue" heads without end, as
#             fast as the window takes them. The CPU of all the program's
#             threads (/proc/PID/stat) from 2 to 12 s after the start, and
#             from 62 to 72 s, after the inactivity limit and the total limit.
#   flood     the server waits 4 s, then answers with 200 MB. Resident memory
#             at 3.5 s (window up, network module loaded, request sent) and
#             at 15 s (answer capped, cut into pieces, panels filled).
#
#   bench/board_hostile.sh [PATH_TO_TESSARY [continue|flood]]   (default both)
#
# Goals: continue at most 10% of one core; flood within 5 MB of before.
# Needs python3 (the servers) and xvfb-run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/app/tessary}
[[ -x $program ]] || { echo "no program at $program (build first)" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install xvfb)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 is missing" >&2; exit 2; }

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"

cat >"$work/server.py" <<'EOF'
import socket, sys, threading, time
mode = sys.argv[1]
def serve(c):
    try:
        data = b''
        while b'\r\n\r\n' not in data:
            data += c.recv(65536) or b'\r\n\r\n'
        if mode == 'continue':
            heads = b'HTTP/1.1 100 Continue\r\n\r\n' * 4096
            while True:
                c.sendall(heads)
        time.sleep(4)
        c.sendall(b'HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GBK\r\n'
                  b'Content-Length: %d\r\n\r\n<html><body><Title1>' % (200 << 20))
        block = b'x' * (1 << 20)
        for _ in range(200):
            c.sendall(block)
    except OSError:
        pass
    finally:
        c.close()
s = socket.socket()
s.bind(('127.0.0.1', 0))
s.listen(4)
print(s.getsockname()[1], flush=True)
while True:
    threading.Thread(target=serve, args=(s.accept()[0],), daemon=True).start()
EOF

# User and system time of the whole process so far, in seconds.
cpu_s() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); print ($12 + $13) / hz }' /proc/"$1"/stat; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' /proc/"$1"/status; }
# Sleeps until SECONDS after START.
until_s() { sleep "$(awk -v s="$1" -v n="$(date +%s.%N)" -v t="$2" 'BEGIN { d = t - (n - s); print (d > 0 ? d : 0) }')"; }

measure() {
  local mode=$1 port start pid a b c d
  coproc SERVER { exec python3 "$work/server.py" "$mode"; }
  read -r port <&"${SERVER[0]}"
  start=$(date +%s.%N)
  XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" \
    "$program" --board-url "http://127.0.0.1:$port/scolbrd.php" 2>/dev/null &
  pid=$!
  if [[ $mode == continue ]]; then
    until_s "$start" 2; a=$(cpu_s "$pid")
    until_s "$start" 12; b=$(cpu_s "$pid")
    until_s "$start" 62; c=$(cpu_s "$pid")
    until_s "$start" 72; d=$(cpu_s "$pid")
    awk -v a="$a" -v b="$b" -v c="$c" -v d="$d" 'BEGIN { printf "endless 100 Continue: " \
      "%.0f%% of one core at 2-12 s, %.0f%% at 62-72 s (goal <= 10%%)\n", (b - a) * 10, (d - c) * 10 }'
  else
    until_s "$start" 3.5; a=$(rss_kb "$pid")
    until_s "$start" 15; b=$(rss_kb "$pid")
    awk -v a="$a" -v b="$b" 'BEGIN { printf "200 MB answer: resident %.1f MB before, " \
      "%.1f MB after, %+.1f MB (goal <= 5)\n", a / 1024, b / 1024, (b - a) / 1024 }'
  fi
  kill "$pid" "$SERVER_PID"
  wait "$pid" "$SERVER_PID" 2>/dev/null || true
}

modes=${2:-continue flood}
if [[ -n ${TESSARY_INSIDE_XVFB:-} ]]; then
  for mode in $modes; do measure "$mode"; done
  exit
fi
TESSARY_INSIDE_XVFB=1 xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$program" "$modes"

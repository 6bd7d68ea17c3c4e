#!/usr/bin/env bash
# A mailbox of many messages in the console: the engine's memory (RSS)
# before and after GET /api/messages, one at a time and several at once,
# and how long the answer takes.
# bench/console_bigbox.sh ZAVOTEL [MESSAGES] (default 5000)
set -euo pipefail
zavotel="$(realpath "$1")"
count="${2:-5000}"
work="$(mktemp -d)"
data="$work/data"
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
pid=""

"$zavotel" --data "$data" simulate --hangup-after 0.1 >/dev/null 2>&1 || true
# Records as a call leaves them: the call's parameters, then the caller.
python3 - "$data/MailBoxes" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
wave = b"RIFF$\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00@\x1f\x00\x00\x80>\x00\x00\x02\x00\x10\x00data\x00\x00\x00\x00"
for n in range(1, count + 1):
    stem = os.path.join(folder, f"Default ICM{n:06d}")
    with open(stem + ".ini", "w", newline="") as f:
        f.write(f"[message]\r\ncallsequenceno={n}\r\ndate=10/12/26\r\ntime={n // 3600 % 24:02d}:{n // 60 % 60:02d}:{n % 60:02d}\r\n"
                f"linename=Line 1\r\nlinenumber=1\r\nmailboxname=Default\r\ncid=+1555{n:07d}\r\n"
                f"callername=Caller {n}\r\nread={'true' if n % 3 else 'false'}\r\n")
    with open(stem + ".wav", "wb") as f:
        f.write(wave)
PY
port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
printf '\n[console]\nport=%s\n' "$port" >>"$data/settings.ini"
"$zavotel" --data "$data" >"$work/engine.txt" 2>&1 &
pid=$!
for _ in $(seq 300); do grep -q "^Console at " "$work/engine.txt" && break; sleep 0.1; done
url="$(sed -n 's/^Console at //p' "$work/engine.txt")api/messages?mailbox=Default"
rss() { ps -o rss= -p "$pid" | awk '{printf "%.0f MB", $1 / 1024}'; }
# A browser asks for a compressed answer.
get() { curl -sk -o /dev/null -w '%{time_total}' -H 'Accept-Encoding: gzip, deflate, br' "$url"; }

sleep 1
echo "messages: $count"
echo "idle after start: $(rss)"
echo "first list: $(get) s, then $(rss)"
for _ in $(seq 40); do get >/dev/null; done
echo "after 40 more, one at a time: $(rss)"
for _ in $(seq 8); do get >/dev/null & done
wait $(jobs -p | grep -v "^$pid$") 2>/dev/null || true
echo "after 8 at once: $(rss)"
sleep 5
echo "idle 5 s later: $(rss)"
echo "answer: $(curl -sk "$url" | wc -c) bytes, $(curl -sk -H 'Accept-Encoding: br' "$url" | wc -c) compressed"

#!/usr/bin/env bash
# The main job on a fresh data folder creates the whole layout, privately,
# reports where everything is, sets up a line on the loopback SIP device,
# stops in order on SIGTERM, and a second run leaves the owner's edits alone.
set -euo pipefail
zavotel="$1"
tmp="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
data="$tmp/data"

# Starts the engine in the background; waits until its lines are ready.
start() {
  "$@" >"$tmp/out.txt" 2>"$tmp/err.txt" &
  pid=$!
  for _ in $(seq 100); do
    grep -q "Answering on sip:" "$tmp/out.txt" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "engine did not set up its lines"; cat "$tmp/out.txt" "$tmp/err.txt"; return 1
}
stop() {
  kill -TERM "$pid"
  wait "$pid" || { echo "engine did not exit cleanly"; return 1; }
  pid=""
}

ZAVOTEL_DATA="$data" start "$zavotel"
grep -q "Zavotel data folder $data" "$tmp/out.txt"
grep -q "Answering on sip:127.0.0.1:" "$tmp/out.txt"
stop
for f in OGMs MailBoxes "System Prompts" "Default System Prompts" Logs; do
  [ -d "$data/$f" ] || { echo "missing $f"; exit 1; }
done
[ "$(stat -c %a "$data")" = 700 ] || { echo "data root is not private"; exit 1; }
grep -q '^nrings=3' "$data/settings.ini"
grep -q '^\[line0\]' "$data/settings.ini"
grep -q "Zavotel Run" "$data"/Logs/*Call\ Log.txt
grep -q "Zavotel Exit" "$data"/Logs/*Call\ Log.txt

sed -i 's/^nrings=3/nrings=6/' "$data/settings.ini"
start "$zavotel" --data "$data"
stop
grep -q '^nrings=6' "$data/settings.ini"

if "$zavotel" --bogus 2>/dev/null; then echo "bad option accepted"; exit 1; fi
echo "1 passed, 0 failed"

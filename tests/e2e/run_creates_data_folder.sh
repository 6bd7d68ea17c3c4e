#!/usr/bin/env bash
# The main job on a fresh data folder creates the whole layout, privately,
# reports where everything is, and a second run leaves the owner's edits alone.
set -euo pipefail
zavotel="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
data="$tmp/data"

out="$(ZAVOTEL_DATA="$data" "$zavotel")"
grep -q "Zavotel data folder $data" <<<"$out"
for f in OGMs MailBoxes "System Prompts" "Default System Prompts" Logs; do
  [ -d "$data/$f" ] || { echo "missing $f"; exit 1; }
done
[ "$(stat -c %a "$data")" = 700 ] || { echo "data root is not private"; exit 1; }
grep -q '^nrings=3' "$data/settings.ini"

sed -i 's/^nrings=3/nrings=6/' "$data/settings.ini"
"$zavotel" --data "$data" >/dev/null
grep -q '^nrings=6' "$data/settings.ini"

if "$zavotel" --bogus 2>/dev/null; then echo "bad option accepted"; exit 1; fi
echo "1 passed, 0 failed"

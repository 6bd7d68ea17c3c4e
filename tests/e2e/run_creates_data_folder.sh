#!/usr/bin/env bash
# The main job on a fresh data folder creates the whole layout, privately,
# reports where everything is, sets up a line on the loopback SIP device,
# stops in order on SIGTERM, and a second run leaves the owner's edits alone.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

ZAVOTEL_DATA="$data" check "engine sets up its lines" start_engine
has engine.txt "Zavotel data folder $data" "Answering on sip:127\.0\.0\.1:"
check "engine exits cleanly" stop_engine
for f in OGMs MailBoxes "System Prompts" "Default System Prompts" Logs; do
  check "folder $f made" test -d "$data/$f"
done
check "data root is private" test "$(stat -c %a "$data")" = 700
has "$data/settings.ini" '^nrings=3' '^\[line0\]'
has "$data"/Logs/*Call\ Log.txt "Zavotel Run" "Zavotel Exit"

sed -i 's/^nrings=3/nrings=6/' "$data/settings.ini"
printf '[line1]\nuse=true\ndevice=7\n' >>"$data/settings.ini"  # a device that does not exist
check "second run starts" start_engine --data "$data"
check "second run exits cleanly" stop_engine
check "owner's edit kept" grep -q '^nrings=6' "$data/settings.ini"
check "a line without its device is told" seen "Line 2: its SIP device 7 is not available"
check "and not counted as ready" seen "1 line(s) ready, 1 without a SIP device"

# Settings damaged beyond reading are kept aside, not buried under the
# factory settings, and the owner is told.
head -c 3000 /dev/urandom | tr -d '[' >"$data/settings.ini"
cp "$data/settings.ini" damaged.ini
check "a start on damaged settings" start_engine --data "$data"
check "stops" stop_engine
check "the damaged file is kept aside" cmp -s damaged.ini "$data/settings.ini.unreadable"
has "$data/settings.ini" '^nrings=3'
check "the owner is told" seen "The settings file .* could not be read (it holds no section)"
check "bad option refused" fails "$zavotel" --bogus
touch not-a-folder
"$zavotel" --data not-a-folder/data >unwritable.txt 2>&1
check "a data folder that cannot be made is refused" test $? -eq 1
has unwritable.txt "the data folder .*not-a-folder/data cannot be written by this user"
summary run_creates_data_folder engine.txt engine-err.txt

#!/usr/bin/env bash
# Levelling: a message left in a simulated call is levelled before the
# command returns; "zavotel audio import" and "level" on WAVE and MP3 input;
# and the work list surviving an engine killed in the middle of a run.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
rms_db() { sox "$1" -n stats 2>&1 | awk '/RMS lev dB/ {print $4}'; }
near() { awk -v a="$1" -v b="$2" -v d="$3" 'BEGIN { x = a - b; exit !(x <= d && x >= -d) }'; }

# A message left through the simulator is levelled before it returns.
simulate --hangup-after 0.1 >/dev/null 2>&1
sox -n -r 8000 -c 1 -b 16 caller.wav synth 30 sine 300 sine 900 tremolo 3 40 gain -14
simulate --caller-audio caller.wav --hangup-after 22 >call.txt 2>&1
take_message Default
check "message levelled before the command returned" seen "Levelled $(basename "$message")"
check "message at speech level" near "$(rms_db "$message")" -21 6

# Imports and levelling in place.
sox -n -r 44100 -c 2 -b 16 loud.wav synth 4 sine 440 sine 660 tremolo 4 80 gain -2
sox -n -r 22050 -c 1 -b 16 soft.wav synth 4 sine 500 tremolo 4 80 gain -35
lame --quiet -b 64 soft.wav SOFT.MP3
check "WAVE import" "$zavotel" audio import loud.wav loud8k.wav
check "import in the line format" test "$(sox --i -r loud8k.wav)/$(sox --i -c loud8k.wav)" = "8000/1"
check "MP3 import with a capital extension" "$zavotel" audio import SOFT.MP3 soft8k.wav
check "loud and soft imports meet" near "$(rms_db loud8k.wav)" "$(rms_db soft8k.wav)" 3
cp soft.wav level.wav
check "level in place" "$zavotel" audio level level.wav
check "level raises a soft file" near "$(rms_db level.wav)" "$(rms_db soft8k.wav)" 3
# A full disk (here a file size limit) fails the run and keeps the original.
cp soft.wav full.wav
check "a full disk fails cleanly" bash -c "trap '' XFSZ; ulimit -f 64; ! '$zavotel' audio level full.wav 2>/dev/null"
check "the original stays intact" cmp -s full.wav soft.wav
printf 'not a sound file' >text.wav
check "text file refused" fails_with 1 "$zavotel" audio level text.wav
check "no part files left" test -z "$(find . -name '*.part*')"

# SIGKILL in the middle of a run: the original stays as it was, no work
# file is left in the data folder, and the next start levels the file.
long="$data/OGMs/Long Greeting.wav"
sox -n -r 8000 -c 1 -b 16 "$long" synth 900 sine 300 tremolo 3 90 gain -30
cp "$long" original.wav
python3 -c 'import sys; open(sys.argv[1], "wb").write(sys.argv[2].encode().ljust(260, b"\0"))' \
  "$data/agc.dat" "$long"
direct_device
launch_engine
wait_for 150 seen "Levelling Long Greeting.wav"
sleep 0.3
kill -9 "$pid"; wait "$pid" 2>/dev/null
check "the run had started" seen "Levelling Long Greeting.wav"
check "not finished when killed" fails seen "Levelled Long Greeting.wav"
check "original untouched" cmp -s "$long" original.wav
check "still in the work list" grep -q "Long Greeting.wav" "$data/agc.dat"
check "no work file in the data folder" test -z "$(find "$data" -name '*.wav.*')"
launch_engine
wait_for 600 seen "Levelled Long Greeting.wav"
stop_engine
check "levelled at the next start" seen "Levelled Long Greeting.wav"
check "the file was replaced" fails cmp -s "$long" original.wav
check "work list emptied" test ! -e "$data/agc.dat"

summary levelling engine.txt engine-err.txt call.txt

#!/usr/bin/env bash
# A crash while a caller leaves a message: "zavotel simulate" is killed 7 s
# into the recording. The next engine start gives the message its final
# header, announces, levels and delivers it, and logs it once; at most 0.5 s
# of what the caller said is lost, and a later start recovers nothing again.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
# data_size FILE: the data size in a 46-byte header, then the bytes behind it.
data_size() { python3 -c 'import os, struct, sys; f = open(sys.argv[1], "rb"); f.seek(42)
print(struct.unpack("<I", f.read(4))[0], os.path.getsize(sys.argv[1]) - 46)' "$1"; }
near() { awk -v a="$1" -v b="$2" -v lo="$3" -v hi="$4" 'BEGIN { exit !(a - b >= lo && a - b <= hi) }'; }

make_data
message_ogm
mkdir share
printf '[mbx]\nsendtofolder=true\nsendfolder=%s\n' "$tmp/share" >"$data/MailBoxes/Default.mbx"
direct_device
sox -n -r 8000 -c 1 -b 16 voice.wav synth 60 sine 300 gain -10

# The caller speaks from the start; SIGKILL 7 s after the message's audio
# file appeared (the recording starts with it). Prints the seconds between.
killed_after="$(python3 - "$zavotel" "$data" <<'PY'
import glob, os, signal, subprocess, sys, time
zavotel, data = sys.argv[1:]
call = subprocess.Popen([zavotel, "--data", data, "simulate", "--caller-audio", "voice.wav",
                         "--hangup-after", "40"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
deadline = time.monotonic() + 30
while not glob.glob(data + "/MailBoxes/Default ICM*.wav") and time.monotonic() < deadline:
    time.sleep(0.005)
started = time.monotonic()
time.sleep(7)
os.kill(call.pid, signal.SIGKILL)
print(round(time.monotonic() - started, 3))
call.wait()
PY
)"
audio="$(ls "$data/MailBoxes/"Default\ ICM*.wav 2>/dev/null | head -1)"
check "message file made" test -n "$audio"
name="$(basename "$audio")"
check "header still streaming after the kill" test "$(data_size "$audio" | cut -d' ' -f1)" = 4294967295
check "nothing announced yet" grep -q "newmessages=false" "$data/settings.ini"

start_engine
wait_for 300 test -e "share/$name"
stop_engine
read -r size behind < <(data_size "$audio")
check "header final" test "$size" = "$behind"
seconds="$(sox --i -D "$audio")"
echo "killed $killed_after s after the recording started; $seconds s kept"
check "at most 0.5 s lost (killed after $killed_after s, kept $seconds s)" \
  near "$seconds" "$killed_after" -0.5 0.1
check "recovery logged once" test "$(logged "Message recovered after an interrupted recording: .*$name")" -eq 1
check "announced" grep -q "newmessages=true" "$data/settings.ini"
check "levelled" test "$(logged "Levelled $name")" -eq 1
check "delivered to the folder" test "$(sox --i -D "share/$name" 2>/dev/null)" = "$seconds"
check "what the folder got is the levelled message" cmp -s "share/$name" "$audio"
has "${audio%.wav}.ini" "senttofolder=true"

# The next start finds nothing left to recover.
start_engine
stop_engine
check "recovered only once" test "$(logged "Message recovered")" -eq 1

summary message_recovery engine.txt engine-err.txt

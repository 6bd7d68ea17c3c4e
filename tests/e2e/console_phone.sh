#!/usr/bin/env bash
# The console's phone in headless Chromium with a fake microphone playing a
# 1 kHz tone: the answering OGM (a 440 Hz tone) is heard, key 2 leaves a
# message that holds the microphone's tone, and two phones at once are two
# separate calls. Screenshots go to console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"
need_browser console_phone

make_data
tone_ogm "Default Answering Message" 3 440 wait=10 press2=mailbox press2mbx=Sales press2mbxmessage=false
printf '[mbx]\n' >"$data/MailBoxes/Sales.mbx"
printf '\n[console]\nport=%s\n' "$(free_port tcp)" >>"$data/settings.ini"
sox -n -r 48000 -c 1 -b 16 microphone.wav synth 30 sine 1000 gain -6
check "engine starts" launch_engine
check "the console opens" wait_for 600 grep -q "^Console at " engine.txt
url="$(sed -n 's/^Console at //p' engine.txt)"

browser_test phone "the phone works as a caller expects" "$tmp/microphone.wav"
check "engine stopped cleanly" stop_engine

message="$(ls "$data/MailBoxes/"Sales\ ICM*.wav 2>/dev/null | head -1)"
check "a message was left" test -n "$message"
sox "$message" -n stat >stat.txt 2>&1
check "the message holds the microphone's tone" \
  above "$(awk '/RMS +amplitude/ {print $3}' stat.txt)" 0.05
check "at about 1 kHz" \
  awk '/Rough +frequency/ { exit !($3 > 900 && $3 < 1100) }' stat.txt
summary console_phone engine-err.txt stat.txt

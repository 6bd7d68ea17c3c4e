#!/usr/bin/env bash
# A new owner's journey in headless Chromium, touching no file: two OGMs
# built in the editor (a spoken greeting whose key 1 goes to sales and key 2
# to the mailbox), the logical order and the report, then a call from the
# browser phone whose fake microphone (a 1 kHz tone) leaves a message after
# key 2. The message must hold the microphone's tone. Screenshots go to
# console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"
need_browser console_journey sox

make_data
sox -n -r 48000 -c 1 -b 16 microphone.wav synth 60 sine 1000 gain -6
start_console
browser_test journey "a new owner builds, calls and finds a message" "$tmp/microphone.wav"
check "engine stopped cleanly" stop_engine

message="$(ls "$data/MailBoxes/"Default\ ICM*.wav 2>/dev/null | head -1)"
check "a message was left" test -n "$message"
sox "$message" -n stat >stat.txt 2>&1
check "the message holds the microphone's tone" above "$(awk '/RMS +amplitude/ {print $3}' stat.txt)" 0.05
check "at about 1 kHz" awk '/Rough +frequency/ { exit !($3 > 900 && $3 < 1100) }' stat.txt
summary console_journey engine-err.txt stat.txt

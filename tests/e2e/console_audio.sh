#!/usr/bin/env bash
# The console's audio widget in headless Chromium with a fake microphone
# playing a 1 kHz tone: a mailbox greeting recorded and restored, a system
# prompt synthesized and restored from its factory copy, and an OGM's audio
# recorded. Both recordings must hold the microphone's tone. Screenshots go
# to console-screenshots/ in the build folder as audio-NN-*.png.
source "$(dirname "$(realpath "$0")")/console_support.sh"
need_browser console_audio sox

make_data
direct_device "$(free_port)"
sox -n -r 48000 -c 1 -b 16 microphone.wav synth 30 sine 1000 gain -6
start_console
browser_test audio "the audio widget works in the browser" "$tmp/microphone.wav" "$tmp"
check "engine stopped cleanly" stop_engine

for recording in greeting ogm; do
  sox "$recording.wav" -n stat >"$recording-stat.txt" 2>&1
  check "the $recording is 8 kHz mono" test "$(soxi -r "$recording.wav")/$(soxi -c "$recording.wav")" = 8000/1
  check "the $recording holds the microphone's tone" \
    above "$(awk '/RMS +amplitude/ {print $3}' "$recording-stat.txt")" 0.05
  check "the $recording's tone is at about 1 kHz" \
    awk '/Rough +frequency/ { exit !($3 > 900 && $3 < 1100) }' "$recording-stat.txt"
  check "the $recording lasts as long as it was recorded" above "$(soxi -D "$recording.wav")" 1.5
done
summary console_audio engine-err.txt greeting-stat.txt ogm-stat.txt

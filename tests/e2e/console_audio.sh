#!/usr/bin/env bash
# The console's audio widget in headless Chromium with a fake microphone
# playing a 1 kHz tone: a mailbox greeting recorded and restored, a system
# prompt synthesized and restored from its factory copy, and an OGM's audio
# recorded. Both recordings must hold the microphone's tone. Screenshots go
# to console-screenshots/ in the build folder as audio-NN-*.png.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
microphone 30
console_run audio "the audio widget works in the browser" "$tmp/microphone.wav" "$tmp"

for recording in greeting ogm; do
  check "the $recording is 8 kHz mono" test "$(soxi -r "$recording.wav")/$(soxi -c "$recording.wav")" = 8000/1
  holds_tone "$recording" "$recording.wav"
  check "the $recording lasts as long as it was recorded" above "$(soxi -D "$recording.wav")" 1.5
done
summary console_audio engine-err.txt

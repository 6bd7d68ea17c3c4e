#!/usr/bin/env bash
# The OGM editor in headless Chromium: a new OGM given spoken text and a
# voice, key 1 going to another OGM and key 2 to a mailbox, a bad value
# refused beside its field, the save read back from the OGM's ".ini", and an
# MP3 file imported as its audio; then, as the answering OGM, it answers the
# browser phone (a fake microphone playing a 1 kHz tone), where key 2 leaves
# a message (what the message holds is console_phone's to check). The
# mailbox choices come sorted, whatever the folder's order.
# Screenshots of each page go to console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
tone_ogm "Sales" 0.5 440 wait=2
for box in Zulu alpha Mike bravo; do printf '[mbx]\n' >"$data/MailBoxes/$box.mbx"; done
sox -n -r 22050 -c 1 -b 16 "$tmp/tone.wav" synth 1 sine 660 gain -6 && lame --quiet "$tmp/tone.wav" "$tmp/tone.mp3"
microphone 60
console_run editor "the OGM editor works as a user expects" "$tmp/tone.mp3" "$tmp/microphone.wav"
summary console_editor engine-err.txt

#!/usr/bin/env bash
# The console's phone in headless Chromium with a fake microphone playing a
# 1 kHz tone: the answering OGM (a 440 Hz tone) is heard, key 2 leaves a
# message that holds the microphone's tone, and two phones at once are two
# separate calls. Screenshots go to console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
tone_ogm "Default Answering Message" 3 440 wait=10 press2=mailbox press2mbx=Sales press2mbxmessage=false
printf '[mbx]\n' >"$data/MailBoxes/Sales.mbx"
microphone 30
console_run phone "the phone works as a caller expects" "$tmp/microphone.wav"
take_message Sales
holds_tone message "$message"
summary console_phone engine-err.txt

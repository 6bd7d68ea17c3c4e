#!/usr/bin/env bash
# A new owner's journey in headless Chromium, touching no file: two OGMs
# built in the editor (a spoken greeting whose key 1 goes to sales and key 2
# to the mailbox), the logical order and the report, then a call from the
# browser phone whose fake microphone (a 1 kHz tone) leaves a message after
# key 2, which the Messages view shows (what the message holds is
# console_phone's to check). Screenshots go to console-screenshots/ in the
# build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
microphone 60
console_run journey "a new owner builds, calls and finds a message" "$tmp/microphone.wav"
summary console_journey engine-err.txt

#!/usr/bin/env bash
# The settings view in headless Chromium: a SIP device and a line on it
# added through the pages answer a SIP call once the settings are closed;
# an office-hours change does not rebuild the lines; the Console access page
# moves the console to the network. Screenshots of every tab go to
# console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
message_ogm
start_console

new_port="$(free_port)"
browser_test settings "the settings work as a user expects" "$new_port"
check "the new device answers after the rebuild" grep -q "Answering on sip:127.0.0.1:$new_port" engine.txt
check "the restart request was cleared" test "$(grep -m1 "^restart=" "$data/settings.ini")" = restart=false
check "a SIP call on the new device is answered" \
  sipp_run 60 leave_message "127.0.0.1:$new_port" -m 1 -p "$(free_port)" -mp "$(free_port)" >sipp.txt 2>&1
# Last, as it moves the console to the network.
browser_test access "the console moves to the network from its own page" "$(free_port tcp)"
check "the engine says where the console went" grep -q "^Console moved to https://" engine.txt
check "engine stopped cleanly" stop_engine
summary console_settings engine-err.txt sipp.txt

#!/usr/bin/env bash
# The settings view in headless Chromium: a SIP device and a line on it
# added through the pages answer a SIP call once the settings are closed;
# an office-hours change does not rebuild the lines. Screenshots of every
# tab go to console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"
need_browser console_settings

make_data
tone_ogm "Default Answering Message" 0.5 440 wait=1 playcomplete=mailbox playcompletembx=Default \
  playcompletembxmessage=false
direct_device "$(free_port)"
start_console

new_port="$(free_port)"
browser_test settings "the settings work as a user expects" "$new_port"
check "the new device answers after the rebuild" grep -q "Answering on sip:127.0.0.1:$new_port" engine.txt
check "the restart request was cleared" test "$(grep -m1 "^restart=" "$data/settings.ini")" = restart=false

python3 "$e2e_dir/../support/sipp_scenarios.py" leave_message . &&
  check "a SIP call on the new device is answered" timeout 60 sipp -sf leave_message.xml "127.0.0.1:$new_port" -m 1 \
    -p "$(free_port)" -mp "$(free_port)" -nostdin -trace_err >sipp.txt 2>&1
check "engine stopped cleanly" stop_engine
summary console_settings engine-err.txt sipp.txt

#!/usr/bin/env bash
# The settings view in headless Chromium: a SIP device and a line on it
# added through the pages answer a SIP call once the settings are closed;
# an office-hours change does not rebuild the lines; line changes wait for a
# call in progress instead of cutting it; the Console access page
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

# Settings closed with a line change while a caller leaves a message (SIPp's
# caller hangs up 9 s after the answer). The change goes through the console
# before the call: the engine writes the settings file as a call starts, and
# only the console's writes take its lock. With the session open, the close
# follows the answer at once.
token="$(curl -sf -c cookies "${url%/}/api/session" | sed -n 's/.*"token":"\([^"]*\)".*/\1/p')"
api() { curl -s -b cookies -H "X-Console-Token: $token" -H "Content-Type: application/json" --data "$2" "${url%/}/api/$1"; }
api settings/page '{"page":"linesettings","values":{"delaydtmf":400}}' >change.txt 2>&1
check "a line setting is changed" grep -q '"delaydtmf":400' change.txt
answered="$(logged "Second line .*\[Answered\]")"
mkdir pcap && ln -s /usr/share/sip-tester/*.pcap pcap/
timeout 60 sipp -sn uac_pcap "127.0.0.1:$new_port" -m 1 -p "$(free_port)" -mp "$(free_media_port)" -nostdin \
  -timeout 50 >caller.txt 2>&1 &
caller=$!
stop_at_exit "$caller"
check "the caller is answered" wait_for 100 seen "Second line .*\[Answered\]" $((answered + 1))
api settings/close '{}' >close.txt 2>&1
check "closing asks for the lines to start again" grep -q '"rebuild":true' close.txt
check "the rebuild waits for the call" wait_for 100 seen "The lines start again with the line settings changed once 1 call(s)"
check "the caller was not cut off" wait "$caller"
check "the lines start again after the call" wait_for 100 seen "line(s) ready" 3
# Last, as it moves the console to the network.
browser_test access "the console moves to the network from its own page" "$(free_port tcp)"
check "the engine says where the console went" grep -q "^Console moved to https://" engine.txt
check "engine stopped cleanly" stop_engine
summary console_settings engine-err.txt sipp.txt caller.txt change.txt close.txt

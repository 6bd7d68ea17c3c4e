#!/usr/bin/env bash
# Whole calls through "zavotel simulate" on a temporary data folder: a menu
# key reaching another OGM, a message left in a mailbox that holds the
# caller's voice, remote access playing it back, and clean failures.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

# The first start makes the data folder; then the program under test.
simulate --hangup-after 0.2 >first.txt 2>/dev/null
has first.txt "Answered line"
tone_ogm "Default Answering Message" 4 440 wait=5 press1=go "press1go=Sales Menu" \
  press2=mailbox press2mbx=Sales press2mbxmessage=false press3=mailboxaccess
tone_ogm "Sales Menu" 3 660 wait=5
printf '[mbx]\nremoteaccess=true\naccesscode=1234\n' >"$data/MailBoxes/Sales.mbx"
sed -i 's/^maxrectime=.*/maxrectime=0:00:04.000/' "$data/settings.ini"

# pitched HZ WAVE START SECONDS: that stretch of WAVE is a tone of about HZ.
pitched() {
  local f; f="$(sox "$2" -n trim "$3" "$4" stat 2>&1 | awk '/Rough +frequency/ {print $3}')"
  awk -v f="${f:-0}" -v hz="$1" 'BEGIN { exit !(f > hz - 20 && f < hz + 20) }'
}

# A menu key cuts the greeting short and reaches another OGM, which the
# hang-up cuts in turn; the tape holds what was heard as it sounded.
simulate --keys 1@1 --hangup-after 3 --hear heard.wav >menu.txt
has menu.txt "Caller pressed key \[1\]" "Open OGM: Sales Menu" "Sales Menu\.wav"
check "tape is 8000 Hz mono" test "$(sox --i -r heard.wav)/$(sox --i -c heard.wav)" = "8000/1"
check "tape runs in real time" above "$(duration heard.wav)" 2.5
check "tape ends with the call" above 3.5 "$(duration heard.wav)"
check "greeting heard before the key" pitched 440 heard.wav 0.4 0.4
check "next OGM heard after the key" pitched 660 heard.wav 1.5 0.4

# A message: the caller speaks after the record tone until the time limit.
sox -n -r 8000 -c 1 -b 16 voice.wav synth 15 sine 300 gain -10
simulate --keys 2@0.6 --caller-audio voice.wav --hangup-after 20 >message.txt
has message.txt "Recording File:"
take_message Sales
check "message is kept" above "$(duration "$message")" 2.5
check "message ends at the time limit" above 4.5 "$(duration "$message")"
check "message holds the voice" above "$(rms "$message")" 0.05
has "${message%.wav}.ini" "cid=5555555555"

# Remote access with the code plays the message back.
simulate --keys 3@0.5,1@1,2@1.2,3@1.4,4@1.6,#@1.8 --hangup-after 6 >access.txt
has access.txt "Caller opened mailbox: Sales" "Playing mailbox message:"

# Bad options and interactive use without a terminal fail clearly.
check "bad keys refused" fails simulate --keys 1
check "no terminal refused" fails simulate </dev/null
check "missing caller audio refused" fails simulate --caller-audio nowhere.wav

summary simulate_call

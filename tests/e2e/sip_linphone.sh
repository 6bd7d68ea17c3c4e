#!/usr/bin/env bash
# linphonec calls the engine and is called by it, on the loopback address. Its
# offer is unlike SIPp's and baresip's: a dozen codecs, telephone events at
# three rates, and a media address that may not be the one it sends from.
# In: it hears the greeting (a 1 kHz tone), presses 2 by RFC 4733 for a
# mailbox and speaks a sentence, holding the call for a moment in the middle;
# the message holds that speech. Out: the engine calls it at the owner's
# request, it answers by itself, and the answer OGM's end hangs up. Keys in
# the voice: a phone set to send no telephone events reaches a menu with key
# 1 and has the engine hang up with key 2.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

menu_data 2 1000 press2=mailbox press2mbx=Sales press2mbxmessage=false
tone_ogm "Outbound" 1 660 "wait=0" "playcomplete=hangup"
phone_port="$(free_port)"
printf 'domain=127.0.0.1:%s\n\n[outbound]\nogmanswer=Outbound\n' "$phone_port" >>"$data/settings.ini"
check "engine starts" start_engine

# start_phone NAME PORT [SIP SETTINGS...]: a phone on PORT with sound from and
# to files, driven through its standard input by `phone COMMAND`; its output
# in NAME.txt, its log (SIP messages included) in NAME.log.
start_phone() {
  local name="$1" sip_port="$2"; shift 2
  printf '%s\n' "[sip]" "sip_port=$sip_port" sip_tcp_port=0 sip_tls_port=0 use_ipv6=0 \
    auto_net_state_mon=0 "contact=\"Anna\" <sip:anna@127.0.0.1>" "$@" \
    "[rtp]" "audio_rtp_port=$(free_port)" "[sound]" echocancellation=0 >"$name.rc"
  mkdir -p .local/share/linphone  # its call history: the phone does not start without it
  mkfifo "$name.in"
  HOME="$tmp" linphonec -c "$tmp/$name.rc" -d 6 -l "$tmp/$name.log" <"$name.in" >"$name.txt" 2>&1 &
  stop_at_exit $!
  exec 3>"$name.in"
  check "$name ready" wait_for 100 listening "$sip_port"
  phone soundcard use files
}
phone() { echo "$*" >&3; }

espeak-ng -w speech.wav "Hello, this is Anna from the garden centre. Please call me back tomorrow morning about the order."
sox speech.wav -r 8000 -c 1 -b 16 voice.wav
start_phone phone "$phone_port"
phone record "$tmp/heard.wav"

phone call "sip:100@127.0.0.1:$port"
check "greeting plays" wait_for 100 grep -q "Play file:" "$call"
sleep 1.2
phone 2
check "key 2 taken" wait_for 50 grep -q "Caller pressed key \[2\]" "$call"
wait_for 50 grep -q "Recording File:" "$call"
phone play "$tmp/voice.wav"
from=$(date +%s%N)
spoke="$(duration voice.wav)"
# Mid-sentence the phone holds the call for a second and takes it back.
sleep 2
phone pause 1
check "the phone holds the call" wait_for 50 grep -q "is now paused" phone.txt
sleep 1
phone resume 1
resumed() { test "$(grep -c "Media streams established" phone.txt)" -ge 2; }
check "and takes it back" wait_for 50 resumed
check "the engine only listens while held" grep -q "a=recvonly" phone.log
sleep "$(awk -v s="$spoke" 'BEGIN { print s - 2 }')"
phone terminate
talked="$(since "$from")"
check "call ends" wait_for 100 grep -q "Call disconnected" "$call"

check "greeting heard: the 1 kHz tone" mostly_in_band heard.wav 950-1050 trim 0.5 1
take_message Sales
length="$(duration "$message")"
# All of the speech, and at most a second more than the phone was in the call.
check "message about as long as the speech ($length s of $spoke, in $talked)" \
  bash -c "awk -v l=$length -v s=$spoke -v t=$talked 'BEGIN { exit !(l > s - 1 && l < t + 1) }'"
# Speech fills the message's middle: loud throughout, in the voice band.
check "message holds the speech" above "$(rms "$message" trim 1 "$(awk -v s="$spoke" 'BEGIN { print s - 2 }')" sinc 200-3400)" 0.02

# Out: the engine calls the phone, which answers by itself and says hello
# (answer detection takes a pick-up in silence for no answer), then waits;
# the phone plays its file in a loop. A line takes outbound calls once it
# has been quiet for 10 s.
espeak-ng --stdout "Hello, Anna speaking." | sox -t wav - -r 8000 -c 1 -b 16 hello.wav pad 0 40
phone play "$tmp/hello.wav"
phone record "$tmp/heard-out.wav"
phone autoanswer enable
sleep 10
check "add-outbound answers 0" test "$(ctl add-outbound 200)" = 0
calls_ended() { test "$(grep -c "ended" phone.txt)" -ge 2; }
check "the phone answers and the engine hangs up" wait_for 300 calls_ended
call_log >log.txt
has log.txt "Making outbound call to 200" "Outbound call 200 \[Answered\]" "Play file: .*Outbound.wav"
check "not taken for a machine" lacks "(Machine)" log.txt
check "the answer OGM heard: its 660 Hz tone, in silence" mostly_in_band heard-out.wav 610-710
phone quit

# Keys in the voice, from a phone that offers no telephone events.
start_phone inband "$(free_port)" use_rfc2833=0 use_info=0
rm -f "$call"
phone call "sip:100@127.0.0.1:$port"
check "in-band: greeting plays" wait_for 100 grep -q "Play file:" "$call"
sleep 1
phone 1
check "in-band: key 1 opens the menu" wait_for 50 grep -q "Open OGM: Sales Menu" "$call"
phone 2
check "in-band: key 2 hangs up" wait_for 50 grep -q "ended" inband.txt
has "$call" "Caller pressed key \[1\]" "Caller pressed key \[2\]" "Command - Hangup"
check "in-band: no events were offered" lacks "telephone-event" <(sed -n '/^INVITE/,/^SIP/p' inband.log)
phone quit
check "engine stopped cleanly" stop_engine
summary sip_linphone phone.txt inband.txt engine-err.txt log.txt

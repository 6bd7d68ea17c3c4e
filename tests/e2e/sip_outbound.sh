#!/usr/bin/env bash
# The engine calls the numbers of its outbound list by itself, on the first
# line that has its device: SIPp answers and stays silent, answer detection
# hears a person, the answer OGM plays and its end hangs up; the list is used
# up and the run ends.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

make_data
target_port="$(free_port)"
direct_device
printf 'domain=127.0.0.1:%s\n\n[outbound]\nactive=true\nogmanswer=Outbound\n' "$target_port" \
  >>"$data/settings.ini"
# Line 1's device does not exist: it can place no call, so line 2 calls.
printf '[line0]\nuse=true\ndevice=7\n[line1]\nuse=true\ndevice=0\n' >>"$data/settings.ini"
tone_ogm "Outbound" 0.5 660 "wait=0" "playcomplete=hangup"
printf '200' >"$data/outboundlist.txt"

sipp_run 60 called_party -p "$target_port" -mp "$(free_port)" -m 1 -key answer silent -key pt 0 \
  -key codec PCMU -timeout 40 >sipp.txt 2>&1 &
sipp_pid=$!
stop_at_exit "$sipp_pid"
check "engine starts" start_engine
check "the called party was answered and hung up by the engine" wait "$sipp_pid"
call_log >log.txt
has log.txt "Making outbound call to 200" "Outbound call 200 \[Answered\]"
check "not taken for a machine" lacks "(Machine)" log.txt
check "the list is used up" test ! -e "$data/outboundlist.txt"
check "the run ended" grep -q "^active=false" "$data/settings.ini"
check "engine stopped cleanly" stop_engine
summary sip_outbound sipp.txt engine-err.txt

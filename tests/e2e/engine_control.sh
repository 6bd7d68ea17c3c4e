#!/usr/bin/env bash
# zavotel ctl drives the running engine: ping answers 1; on and off change
# [state] "on"; select-ogm writes [settings] "ogm" even for an OGM that does
# not exist; add-outbound appends to the list and the call goes out at once
# (not after the scheduler's usual 4.5 s); bad arguments never reach the
# engine; shutdown stops it in order.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

make_data
target_port="$(free_port)"
direct_device
printf 'domain=127.0.0.1:%s\n\n[outbound]\nogmanswer=Outbound\n' "$target_port" >>"$data/settings.ini"
tone_ogm "Outbound" 0.5 660 "wait=0" "playcomplete=hangup"
check "ctl without an engine fails" fails_with 1 ctl ping
has <(ctl ping 2>&1) "no running engine"
check "engine starts" start_engine

check "ping answers 1" test "$(ctl ping)" = 1
written() { test "$1" = 0 && grep -q "$2" "$data/settings.ini"; }  # written REPLY PATTERN
check "off answers 0 and is written" written "$(ctl off)" "^on=false"
check "on answers 0 and is written" written "$(ctl on)" "^on=true"
check "a missing OGM is still selected and written" written "$(ctl select-ogm "No Such Menu")" "^ogm=No Such Menu"

check "an empty argument is refused before sending" fails_with 2 ctl select-ogm ""
check "an over-long argument too" fails_with 2 ctl add-outbound "$(printf '5%.0s' $(seq 260))"
check "an unknown command too" fails_with 2 ctl dial 123
check "the outbound list is untouched" test ! -e "$data/outboundlist.txt"

# A line takes outbound calls once it has been quiet for 10 s since it was
# set up; the engine's first scheduler run (5 s after start) is over by then.
sleep 10
sipp_run 60 called_party -p "$target_port" -mp "$(free_port)" -m 1 -key answer silent -key pt 0 \
  -key codec PCMU -timeout 40 >sipp.txt 2>&1 &
sipp_pid=$!
stop_at_exit "$sipp_pid"
wait_for 100 listening "$target_port"
check "add-outbound answers 0" test "$(ctl add-outbound "200&caller=ctl")" = 0
check "the call goes out within 2 s" wait_for 20 seen "Making outbound call to 200"
check "the called party was answered" wait "$sipp_pid"
call_log >log.txt
has log.txt "ZAVAPITurnOff" "ZAVAPITurnOn" "ZAVAPISelectAnswerOGM No Such Menu" "ZAVAPIAddOutboundNumber 200&caller=ctl"
check "nothing logged for the refused requests" test "$(grep -c ZAVAPIAddOutboundNumber log.txt)" = 1

check "shutdown answers 0" test "$(ctl shutdown)" = 0
check "the engine exited with 0" wait "$pid"
has "$data"/Logs/*Call\ Log.txt "Zavotel Exit"
check "no engine afterwards" fails_with 1 ctl ping
summary engine_control engine.txt engine-err.txt sipp.txt

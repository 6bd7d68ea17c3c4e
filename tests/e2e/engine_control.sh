#!/usr/bin/env bash
# zavotel ctl drives the running engine: ping answers 1; on and off change
# [state] "on"; select-ogm writes [settings] "ogm", and refuses an OGM that
# does not exist; add-outbound appends to the list and the call goes out at
# once (not after the scheduler's usual 4.5 s), and refuses an entry without
# a number; load refuses a missing or broken program file with the call in
# progress untouched, and a good one waits for that call before the lines
# start again; bad arguments never reach the engine; shutdown stops it in
# order.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

make_data
target_port="$(free_port)"
direct_device
printf 'domain=127.0.0.1:%s\n\n[outbound]\nogmanswer=Outbound\n' "$target_port" >>"$data/settings.ini"
tone_ogm "Outbound" 0.5 660 "wait=0" "playcomplete=hangup"
# said STATUS TEXT COMMAND...: one run of COMMAND ends with STATUS and says TEXT
said() { local want="$1" text="$2"; shift 2; "$@" >said.txt 2>&1; test $? -eq "$want" && grep -q -- "$text" said.txt; }
check "ctl without an engine fails, naming the folder" said 1 "no running engine on the data folder $(realpath "$data")" ctl ping
check "engine starts" start_engine

check "ping answers 1" test "$(ctl ping)" = 1
written() { test "$1" = 0 && grep -q "$2" "$data/settings.ini"; }  # written REPLY PATTERN
check "off answers 0 and is written" written "$(ctl off)" "^on=false"
check "on answers 0 and is written" written "$(ctl on)" "^on=true"
check "an OGM is selected and written" written "$(ctl select-ogm "Outbound")" "^ogm=Outbound"
check "a missing OGM is refused" said 1 'no OGM named "No Such Menu"' ctl select-ogm "No Such Menu"
check "an entry without a number is refused" fails_with 1 ctl add-outbound ";;;"
check "so is one of several" fails_with 1 ctl add-outbound "201;&ogm=Outbound"
mkdir "$data/outboundlist.txt"
check "an entry the list cannot take is refused" said 1 "the entry was not added" ctl add-outbound 202
rmdir "$data/outboundlist.txt"
check "the answering OGM stays" grep -q "^ogm=Outbound" "$data/settings.ini"
ctl select-ogm "Default Answering Message" >/dev/null

# Program files while a caller hears a 20 s greeting (SIPp's caller hangs up after 9 s).
tone_ogm "Default Answering Message" 20 440 wait=1
"$zavotel" --data "$data" ivr save shop.ivr >/dev/null
printf 'garbage' >bad.ivr
mkdir pcap && ln -s /usr/share/sip-tester/*.pcap pcap/
timeout 60 sipp -sn uac_pcap "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_media_port)" -nostdin \
  -timeout 50 >caller.txt 2>&1 &
caller=$!
stop_at_exit "$caller"
check "the caller is answered" wait_for 100 seen "Line 1 .*\[Answered\]"
check "a missing program file is refused" said 1 "no IVR program file $tmp/nothing.ivr" ctl load nothing.ivr
check "a broken one is refused" said 1 "File Type Error" ctl load bad.ivr
check "also when a second copy hands it over" fails_with 1 "$zavotel" --data "$data" bad.ivr
check "the program file name stays" grep -q "^ivrfile=$tmp/shop.ivr" "$data/settings.ini"
check "a good one is taken" test "$(ctl load shop.ivr)" = 0
check "and loaded" wait_for 100 seen "IVR program loaded"
check "the caller was not cut off" wait "$caller"
check "the lines start again after the call" wait_for 100 seen "line(s) ready" 2

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
has log.txt "ZAVAPITurnOff" "ZAVAPITurnOn" "ZAVAPISelectAnswerOGM Outbound" "ZAVAPIAddOutboundNumber 200&caller=ctl" \
  "Control request refused: no OGM named"
# 202 reached the list, which could not take it.
check "nothing done for the refused requests" test "$(grep -c "ZAVAPIAddOutboundNumber\|ZAVAPISelectAnswerOGM No" log.txt)" = 2

check "shutdown answers 0" test "$(ctl shutdown)" = 0
check "the engine exited with 0" wait "$pid"
has "$data"/Logs/*Call\ Log.txt "Zavotel Exit"
check "no engine afterwards" fails_with 1 ctl ping
summary engine_control engine.txt engine-err.txt sipp.txt caller.txt

#!/usr/bin/env bash
# The engine calls the numbers of its outbound list by itself: SIPp answers
# and stays silent, answer detection hears a person, the answer OGM plays and
# its end hangs up; the list is used up and the run ends.
here="$(dirname "$(realpath "$0")")"
source "$here/common.sh"
source "$here/sip_support.sh"
scenario="$here/sipp/outbound_target.xml"

make_data
target_port="$(free_port)"
direct_device "$(free_port)"
printf 'domain=127.0.0.1:%s\n' "$target_port" >>"$data/settings.ini"
printf '\n[outbound]\nactive=true\nogmanswer=Outbound\n' >>"$data/settings.ini"
tone_ogm "Outbound" 0.5 660 "wait=0" "playcomplete=hangup"
printf '200' >"$data/outboundlist.txt"

timeout 60 sipp -sf "$scenario" -p "$target_port" -mp "$(free_port)" -m 1 -timeout 40 \
  -nostdin -trace_err >sipp.txt 2>&1 &
sipp_pid=$!
stop_at_exit "$sipp_pid"
check "engine starts" start_engine
wait "$sipp_pid"
check "the called party was answered and hung up by the engine" test $? -eq 0
log="$(cat "$data"/Logs/*Call\ Log.txt "$data"/Logs/*System\ Log.txt)"
check "call placed" grep -q "Making outbound call to 200" <<<"$log"
check "a person answered" grep -q "Outbound call 200 \[Answered\]" <<<"$log"
check "not taken for a machine" bash -c '! grep -q "(Machine)" <<<"$0"' "$log"
check "the list is used up" test ! -e "$data/outboundlist.txt"
check "the run ended" grep -q "^active=false" "$data/settings.ini"
check "engine stopped cleanly" stop_engine

[ "$failed" -eq 0 ] || { tail -30 sipp.txt; tail -20 engine-err.txt; }
summary sip_outbound

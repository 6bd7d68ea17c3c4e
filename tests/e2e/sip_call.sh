#!/usr/bin/env bash
# The engine answers a SIP call from SIPp on the loopback address: a key by
# RFC 4733 takes the caller to another OGM, a key by SIP INFO hangs up (the
# engine sends BYE), and SIGTERM stops the engine in order.
here="$(dirname "$(realpath "$0")")"
source "$here/common.sh"
source "$here/sip_support.sh"

# The data folder, then a two-node program answering at the first ring.
make_data
tone_ogm "Default Answering Message" 0.5 440 wait=10 press1=go "press1go=Sales Menu"
tone_ogm "Sales Menu" 0.5 660 wait=10 press2=hangup
port="$(free_port)"
direct_device "$port"
start_engine
check "engine answers on the configured port" grep -q "Answering on sip:127.0.0.1:$port" engine.txt

timeout 60 sipp -sf "$here/sipp/engine_call.xml" "127.0.0.1:$port" -m 1 -p "$(free_port)" \
  -mp "$(free_port)" -timeout 40 -nostdin -trace_err >sipp.txt 2>&1
check "the call ran as scripted" test $? -eq 0
call="$data/Logs/Most Recent Call Line 1.txt"
check "answered with caller data" grep -q 'cid \[+15551234\]' "$call"
check "key within a second of connection ignored" lacks 'Caller pressed key \[9\]' "$call"
check "RFC 4733 key heard" grep -q "Caller pressed key \[1\]" "$call"
check "key took the caller on" grep -q "Open OGM: Sales Menu" "$call"
check "INFO key heard" grep -q "Caller pressed key \[2\]" "$call"
check "engine hung up" grep -q "Command - Hangup" "$call"
check "call ended" grep -q "Call disconnected" "$call"
check "engine stopped cleanly" stop_engine
check "stop logged" grep -q "Zavotel Exit" "$data"/Logs/*Call\ Log.txt
summary sip_call sipp.txt *_errors.log engine-err.txt

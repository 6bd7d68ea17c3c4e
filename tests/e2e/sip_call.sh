#!/usr/bin/env bash
# The engine answers a SIP call from SIPp on the loopback address: a key by
# RFC 4733 takes the caller to another OGM, a key by SIP INFO hangs up (the
# engine sends BYE), and SIGTERM stops the engine in order.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

menu_engine
sipp_run 60 engine_call "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_port)" -timeout 40 >sipp.txt 2>&1
check "the call ran as scripted" test $? -eq 0
# Answered with caller data; the RFC 4733 key took the caller on, the INFO
# key made the engine hang up.
has "$call" 'cid \[+15551234\]' "Caller pressed key \[1\]" "Open OGM: Sales Menu" "Caller pressed key \[2\]" \
  "Command - Hangup" "Call disconnected"
check "key within a second of connection ignored" lacks 'Caller pressed key \[9\]' "$call"
check "engine stopped cleanly" stop_engine
check "stop logged" grep -q "Zavotel Exit" "$data"/Logs/*Call\ Log.txt
summary sip_call sipp.txt *_errors.log engine-err.txt

#!/usr/bin/env bash
# The engine answers a SIP call from SIPp on the loopback address: a key by
# RFC 4733 takes the caller to another OGM, a key by SIP INFO hangs up (the
# engine sends BYE), and SIGTERM stops the engine in order.
scenario="$(dirname "$(realpath "$0")")/sipp/engine_call.xml"
source "$(dirname "$(realpath "$0")")/common.sh"
data="$tmp/data"

# The data folder, then a two-node program answering at the first ring.
"$zavotel" --data "$data" simulate --hangup-after 0.1 >/dev/null 2>&1
ogms="$data/OGMs"
sox -n -r 8000 -c 1 -b 16 "$ogms/Default Answering Message.wav" synth 0.5 sine 440 gain -6
printf '[ivr]\nwait=10\npress1=go\npress1go=Sales Menu\n' >"$ogms/Default Answering Message.ini"
sox -n -r 8000 -c 1 -b 16 "$ogms/Sales Menu.wav" synth 0.5 sine 660 gain -6
printf '[ivr]\nwait=10\npress2=hangup\n' >"$ogms/Sales Menu.ini"
sed -i 's/^nrings=.*/nrings=1/' "$data/settings.ini"
port="$(free_port)"
printf '\n[sipdevice0]\nname=Test SIP\nmode=direct\nlocaladdress=127.0.0.1:%s\n' "$port" \
  >>"$data/settings.ini"

"$zavotel" --data "$data" >out.txt 2>err.txt &
pid=$!
stop_at_exit "$pid"
for _ in $(seq 200); do grep -q "Answering on sip:" out.txt && break; sleep 0.1; done
check "engine answers on the configured port" grep -q "Answering on sip:127.0.0.1:$port" out.txt

timeout 60 sipp -sf "$scenario" "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_port)" \
  -timeout 40 -nostdin -trace_err >sipp.txt 2>&1
check "the call ran as scripted" test $? -eq 0
call="$data/Logs/Most Recent Call Line 1.txt"
check "answered with caller data" grep -q 'cid \[+15551234\]' "$call"
check "key within a second of connection ignored" bash -c "! grep -q 'Caller pressed key \[9\]' \"\$0\"" "$call"
check "RFC 4733 key heard" grep -q "Caller pressed key \[1\]" "$call"
check "key took the caller on" grep -q "Open OGM: Sales Menu" "$call"
check "INFO key heard" grep -q "Caller pressed key \[2\]" "$call"
check "engine hung up" grep -q "Command - Hangup" "$call"
check "call ended" grep -q "Call disconnected" "$call"

kill -TERM "$pid"
wait "$pid"
check "engine stopped cleanly" test $? -eq 0
check "stop logged" grep -q "Zavotel Exit" "$data"/Logs/*Call\ Log.txt

[ "$failed" -eq 0 ] || { cat sipp.txt *_errors.log 2>/dev/null | tail -30; tail -20 err.txt; }
summary sip_call

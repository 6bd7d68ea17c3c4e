#!/usr/bin/env bash
# The registrar stops answering and comes back: a device registered (after
# a 401 digest challenge, qop=auth) for 4 s at a time finds its refresh
# unanswered, logs the failure once however often the REGISTER is sent
# meanwhile, registers again once the registrar answers (logged once), then
# answers a call, and its orderly stop un-registers.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
# registrar_up NAME: a SIPp registrar on `registrar_port` accepting alice/secret.
registrar_up() {
  sipp -sf registrar_refresh.xml -i 127.0.0.1 -p "$registrar_port" -m 1 -nostdin -trace_err -trace_msg \
    -message_file "$1-messages.txt" >"$1.txt" 2>&1 &
  registrar=$!
  stop_at_exit "$registrar"
}

make_data
python3 "$support/sipp_scenarios.py" registrar_refresh .
registrar_port="$(free_port)"
device_port="$(free_port)"
printf '\n[sipdevice0]\nname=Provider\nmode=register\nuser=alice\npassword=secret\nregistrar=127.0.0.1:%s
localaddress=127.0.0.1:%s\nexpiry=600\n' "$registrar_port" "$device_port" >>"$data/settings.ini"
registrar_up first
start_engine
check "registered" wait_for 150 seen 'SIP device Provider registered'

# The registrar goes silent: its port takes the REGISTERs (counted in
# silent.txt) and answers none. The engine's REGISTER times out after 32 s.
kill -9 "$registrar"; wait "$registrar" 2>/dev/null
python3 - "$registrar_port" >silent.txt <<'PY' &
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", int(sys.argv[1])))
count = 0
while True:
    if s.recv(65536).startswith(b"REGISTER"):
        count += 1
        print(count, flush=True)
PY
silent=$!
stop_at_exit "$silent"
SECONDS=0
check "the outage noticed" wait_for 600 seen 'registration failed'
echo "failure logged $SECONDS s into the outage, REGISTER sent $(tail -1 silent.txt) times meanwhile"
check "the REGISTER was sent again and again" test "$(tail -1 silent.txt)" -ge 5
sleep 5
kill "$silent"; wait "$silent" 2>/dev/null

# Back: the engine's next attempt (within about a minute) registers.
registrar_up second
SECONDS=0
check "registered again" wait_for 1200 seen 'SIP device Provider registered' 2
echo "registered again $SECONDS s after the registrar came back"
sleep 10
check "the call after the outage answered" \
  sipp_run 60 uac_call "127.0.0.1:$device_port" -m 1 -p "$(free_port)" >call.txt 2>&1
check "engine stopped cleanly" stop_engine
check "the stop un-registers" wait_for 50 grep -q -E "^Contact: .*;expires=0([^0-9]|$)" second-messages.txt
check "failure logged once" test "$(logged 'registration failed')" -eq 1
check "registration logged once per recovery" test "$(logged 'Provider registered')" -eq 2
summary registrar_outage first.txt second.txt call.txt engine-err.txt "$data"/Logs/*System\ Log.txt

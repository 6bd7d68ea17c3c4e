#!/usr/bin/env bash
# The engine's device in register mode registers with a SIPp registrar that
# challenges with 401 (digest, qop=auth): the system log says registered, and
# the orderly stop un-registers.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

make_data
registrar_port="$(free_port)"
sipp_run 40 registrar -i 127.0.0.1 -p "$registrar_port" -m 1 >sipp.txt 2>&1 &
registrar=$!
stop_at_exit "$registrar"
printf '\n[sipdevice0]\nname=Provider\nmode=register\nuser=alice\npassword=secret\nregistrar=127.0.0.1:%s
localaddress=127.0.0.1:%s\nexpiry=600\n' "$registrar_port" "$(free_port)" >>"$data/settings.ini"

start_engine
wait_for 150 eval 'call_log | grep -q "SIP device Provider registered"'
call_log >system.txt
check "registration logged" grep -q "SIP device Provider registered" system.txt
check "no registration error" lacks 'registration failed' system.txt
check "engine stopped cleanly" stop_engine
check "registrar saw register, challenge, register, un-register" wait "$registrar"
summary sip_register sipp.txt *_errors.log engine-err.txt system.txt

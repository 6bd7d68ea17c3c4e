#!/usr/bin/env bash
# A caller behind NAT: its Via names a port it does not send from, and its
# RTP comes from another port than its SDP names. The replies reach it by
# rport; its RFC 4733 key is heard once the engine has switched its RTP to
# where the caller sends from, which the system log says once. With
# rtplatch=off the key goes unheard.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

menu_engine
mp="$(free_port)"
nat_call() {
  rm -f "$call"
  sipp_run 60 nat_caller "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$mp" -key sdpport "$((mp + 2))" \
    -timeout 30 >sipp.txt 2>&1
}
switched="RTP comes from 127.0.0.1:$mp, not from 127.0.0.1:$((mp + 2)) as the SDP says"

nat_call
check "the call ran as scripted, replies by rport" test $? -eq 0
has "$call" "Caller pressed key \[1\]" "Open OGM: Sales Menu"
check "the switch logged once" test "$(call_log | grep -c "$switched")" -eq 1
check "engine stopped cleanly" stop_engine

sed -i '/^\[sipdevice0\]/a rtplatch=off' "$data/settings.ini"
start_engine
nat_call
check "the call without latching ran as scripted" test $? -eq 0
check "without latching the key is not heard" lacks "Caller pressed key" "$call"
check "without latching no switch" test "$(call_log | grep -c "RTP comes from")" -eq 1
check "engine stopped cleanly again" stop_engine
summary sip_nat sipp.txt *_errors.log engine-err.txt

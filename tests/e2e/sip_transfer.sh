#!/usr/bin/env bash
# Transfers between three parties on SIP. Confirmed: a SIPp caller presses 1
# (transfer to "200"), the engine holds it, calls a second SIPp (routed by
# the device's domain) and asks it; "1" joins the two (RTP relayed both
# ways, recoded between PCMU and PCMA) until the caller hangs up and the
# engine hangs up the other; "2" hangs up the second party and the caller
# is back with the OGM, where its next key is heard. Blind by dialling: the
# caller presses 3 and is joined to the second party while it still rings.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

# An OGM whose key 1 is a confirmed transfer to 200, key 3 a blind one by
# dialling, key 4 a confirmed one to the second SIPp's SIP address, and key
# 2 hangs up. "200" goes to the device's domain, where the second SIPp
# listens.
make_data
target_port="$(free_port)"
tone_ogm "Default Answering Message" 0.5 440 wait=10 press1=transfer press1transfer=200 \
  press2=hangup press3=transfer press3transfer=200 press3transfermode=0 \
  press4=transfer "press4transfer=sip:200@127.0.0.1:$target_port"
direct_device
printf 'domain=127.0.0.1:%s\n' "$target_port" >>"$data/settings.ini"
check "engine answers" start_engine

# run_transfer NAME KEY ANSWER AFTER [COMMAND...]: both SIPps at once, and
# COMMAND while they run; true when both ran as scripted. `from` is the
# first line of the engine's trace written for this run.
run_transfer() {
  local name="$1" key="$2" answer="$3" after="$4" party=called_party; shift 4
  [ "$answer" != busy ] || party=busy_party
  from=$(($(wc -l <engine-err.txt) + 1))
  sipp_run 40 "$party" -i 127.0.0.1 -p "$target_port" -mp "$(free_port)" -m 1 -key pt 8 -key codec PCMA \
    -key answer "$answer" -timeout 30 >"target-$name.txt" 2>&1 &
  local target=$!
  wait_for 100 listening "$target_port"
  sipp_run 40 transfer_caller "127.0.0.1:$port" -i 127.0.0.1 -m 1 -p "$(free_port)" -mp "$(free_port)" \
    -rtp_echo -key key "$key" -key after "$after" -timeout 30 >"caller-$name.txt" 2>&1 &
  local caller=$!
  [ "$#" -eq 0 ] || "$@"
  local caller_rc target_rc
  wait "$caller"; caller_rc=$?
  wait "$target"; target_rc=$?
  echo "$name: caller $caller_rc, target $target_rc"
  [ "$caller_rc" -eq 0 ] && [ "$target_rc" -eq 0 ]
}


# check_joined NAME: the engine's trace of the last run tells of a join
# that relayed audio both ways.
check_joined() {
  tail -n "+$from" engine-err.txt >"trace-$1.txt"
  check "$1: parties joined" grep -q "LSipBridge joined the calls" "trace-$1.txt"
  local -a relayed=($(grep -o 'relayed [0-9]* packets to party 1, [0-9]* to party 2' "trace-$1.txt" | tail -1))
  echo "$1: ${relayed[*]}"
  check "$1: audio relayed to the caller" test "${relayed[1]:-0}" -gt 50
  check "$1: audio relayed to the other party" test "${relayed[6]:-0}" -gt 50
}

check "accepted transfer ran as scripted" run_transfer accepted 1 1 joined
has "$call" "Command - Transfer" "Transfer complete so drop call"
check_joined accepted

check "rejected transfer ran as scripted" run_transfer rejected 1 2 rejected
# The other party's "2" and then the caller's.
check "caller back after the rejection" test "$(grep -c "pressed key \[2\]" "$call")" -eq 2
has "$call" "Command - Hangup"

# A busy party at a SIP address: the caller is back at once (its "2" 6 s
# later hangs up), not after the question has been asked into a dead call.
check "busy transfer ran as scripted" run_transfer busy 4 busy rejected
has "$call" "Transfer party hung up, refused or not reached"
check "the busy party's address was called" grep -q 'LSipConsultation calling "sip:200@127.0.0.1' engine-err.txt

check "blind transfer ran as scripted" run_transfer blind 3 1 joined
has "$call" "Blind transfer complete so drop call"
check_joined blind

# stop_when_joined: the engine is stopped while it joins two parties (once
# the other party has answered and pressed its key).
answered() { tail -n "+$from" engine-err.txt | grep -q "LSipBridge party 2 answered"; }
stop_when_joined() { wait_for 150 answered; sleep 3; stop_engine; stopped=$?; }
stopped=1
check "both parties hung up when the engine stops" run_transfer stop 3 1 held stop_when_joined
check "engine stopped cleanly" test "$stopped" -eq 0
summary sip_transfer caller-*.txt target-*.txt *_errors.log engine-err.txt

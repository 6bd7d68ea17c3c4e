#!/usr/bin/env bash
# One engine per data folder. A second copy hands its argument to the running
# engine and exits (the engine loads the program file); a log-on copy waits for a starting engine instead of
# starting its own; a stale socket of a killed engine is replaced; of two
# copies started at once exactly one runs; a session's runtime folder holds
# the socket.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
socket="$data/zavotel.sock"
second() { "$zavotel" --data "$data" "$@" >second.txt 2>&1; }  # second ARGS: a copy's status
running() { kill -0 "$1" 2>/dev/null; }
answers_and_stops() {  # answers_and_stops WHAT: the engine answers ctl, then stops cleanly
  check "$1" pings; check "stops cleanly" stop_engine
}

make_data
direct_device
check "engine starts" start_engine
first="$pid"
check "socket is its owner's only" test "$(stat -c %a "$socket")" = 600
check "a bare second copy exits at once" timeout 5 bash -c "'$zavotel' --data '$data' >second.txt 2>&1"
has second.txt "Zavotel is running (process $first) on the data folder $data"
"$zavotel" --data "$data" ivr save shop.ivr >/dev/null
check "a second copy with a program file exits" second shop.ivr
has second.txt "$tmp/shop.ivr handed to the running Zavotel"
check "a log-on copy finds the engine and exits" timeout 5 bash -c "'$zavotel' --data '$data' --logon >/dev/null 2>&1"
check "the engine loads it on a worker" wait_for 100 seen "IVR program loaded"
check "the file received is named" seen "IVR program file received: $tmp/shop.ivr"
check "the log-on copy loaded nothing" test "$(logged "IVR program file received")" = 1
check "the first engine still runs" running "$first"

# Killed: its socket stays behind, the next engine replaces it.
kill -9 "$first"; wait "$first" 2>/dev/null
check "a killed engine leaves its socket" test -S "$socket"
check "ctl finds no engine behind a stale socket" fails_with 1 ctl ping
check "the next engine starts" start_engine
has engine-err.txt "removing the stale control socket $socket"
check "it says the last run did not end in order" seen "The last run did not end in order"
answers_and_stops "and answers"
check "its socket is gone" test ! -e "$socket"

# Two copies at once: one runs, the other hands over and exits with 0.
"$zavotel" --data "$data" >a.txt 2>&1 & a=$!
"$zavotel" --data "$data" >b.txt 2>&1 & b=$!
stop_at_exit "$a"; stop_at_exit "$b"
wait_for 600 grep -q "Zavotel is running" a.txt b.txt
wait_for 100 bash -c "! kill -0 $a 2>/dev/null || ! kill -0 $b 2>/dev/null"  # the one handing over has exited
if running "$a"; then pid="$a"; other="$b"; else pid="$b"; other="$a"; fi
check "exactly one of two copies runs" bash -c "! kill -0 $other 2>/dev/null && kill -0 $pid"
check "the other exited with 0" wait "$other"
answers_and_stops "the one running answers"

# A log-on copy gives a starting engine its 10 s before it starts its own.
"$zavotel" --data "$data" --logon >logon.txt 2>&1 & logon=$!
stop_at_exit "$logon"
sleep 2
check "a later engine starts meanwhile" start_engine
wait_for 150 bash -c "! kill -0 $logon"
check "the log-on copy found it and exited" bash -c "! kill -0 $logon 2>/dev/null && grep -q 'already running' logon.txt"
check "stops cleanly" stop_engine

# The session's runtime folder holds the socket when there is one.
mkdir -m 700 run
export XDG_RUNTIME_DIR="$tmp/run"
check "an engine with a runtime folder starts" start_engine
check "its socket is in the runtime folder" bash -c "test \"\$(stat -c %a run/zavotel/*.sock)\" = 600"
check "the runtime folder's own folder is private" test "$(stat -c %a run/zavotel)" = 700
answers_and_stops "ctl finds it there"
check "clean stops are not taken for crashes" test "$(logged "The last run did not end in order")" -eq 1
summary engine_instance engine.txt engine-err.txt second.txt a.txt b.txt

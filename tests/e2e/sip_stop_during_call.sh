#!/usr/bin/env bash
# SIGTERM while a caller leaves a message: the engine hangs up, finishes the
# message file (a WAVE file that reads to its end, with its record) and the
# message itself (announced as new, waiting for delivery) as a hang-up
# would, and exits with 0 within 5 s, logging "Zavotel Exit".
source "$(dirname "$(realpath "$0")")/sip_support.sh"

make_data
message_ogm Sales
printf '[mbx]\n' >"$data/MailBoxes/Sales.mbx"
direct_device
check "engine starts" start_engine
# SIPp's own caller speaks (a recording of about 8 s) and hangs up after 9 s.
mkdir pcap && ln -s /usr/share/sip-tester/*.pcap pcap/
timeout 60 sipp -sn uac_pcap "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_media_port)" -nostdin \
  -timeout 50 >sipp.txt 2>&1 &
stop_at_exit $!
check "the caller is recording" wait_for 150 grep -q "Recording File:" "$call"
sleep 3.5
start=$(date +%s%N)
check "the engine exits with 0" stop_engine
took="$(since "$start")"
check "within 5 s (took $took s)" above 5 "$took"
take_message Sales
length="$(duration "$message")"
check "its WAVE file is complete ($length s)" above "$length" 2.5
check "and reads to its end" bash -c "sox '$message' -n stat 2>&1 | grep -q 'Length (seconds)'"
check "its record is there" test -e "${message%.wav}.ini"
has "$data/MailBoxes/Sales.mbx" "unsentmessages=true"
has "$data/settings.ini" "newmessages=true"
has "$call" "Call disconnected"
has "$data"/Logs/*Call\ Log.txt "Zavotel Exit"
summary sip_stop_during_call engine-err.txt sipp.txt "$call"

#!/usr/bin/env bash
# The mail and FTP servers are down while a running engine takes messages
# over SIP: each failure is logged once per delivery round (not once per
# waiting message), every message records it; once the servers are back the next round (after the next
# message) delivers every waiting message exactly once, and nothing is lost.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
records() { ls "$data/MailBoxes/"Default\ ICM*.ini 2>/dev/null | wc -l; }
# message N: a SIPp caller leaves a message; waits until N messages exist and
# the engine's round after it ended (its lasterror or sent flags written).
message() {
  sipp_run 60 leave_message "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_port)" >>calls.txt 2>&1
  wait_for 200 eval "[ \"\$(records)\" -ge $1 ]" || return 1
  local newest
  newest="$(ls "$data/MailBoxes/"Default\ ICM*.ini | tail -1)"
  wait_for 300 grep -q -E "lasterror=|sentemail=true" "$newest"
}

make_data
message_ogm
smtp_port="$(free_port tcp)"
ftp_port="$(free_port tcp)"
mail_settings "$smtp_port"
printf '[mbx]\nsendemail=true\nemailaddress=owner@example.com\nsendftp=true\nftpserver=127.0.0.1:%s\n' \
  "$ftp_port" >"$data/MailBoxes/Default.mbx"
direct_device
start_engine

# Both servers down: two messages wait.
message 1
message 2
check "two messages kept" test "$(records)" -eq 2
for record in "$data/MailBoxes/"Default\ ICM*.ini; do
  check "$(basename "$record") waits for the mail server" grep -q "lasterror=" "$record"
  check "$(basename "$record") not marked sent" lacks "sent.*=true" "$record"
done
# Two messages, two rounds: the second round found both waiting.
check "mail failure logged once a round" test "$(logged 'Unable to connect to the mail server')" -eq 2
check "FTP failure logged once a round" test "$(logged 'Unable to log onto server')" -eq 2

# Back up: the next message's round delivers all three.
serve_mail "$smtp_port"
serve_ftp "$ftp_port"
message 3
wait_for 200 eval '[ "$(ls mail/*.eml | wc -l)" -ge 3 ]'
sleep 2
check "the engine stopped cleanly" stop_engine
check "three e-mails, one per message" test "$(ls mail/*.eml | wc -l)" -eq 3
check "three uploads" test "$(ls ftproot/*.wav 2>/dev/null | wc -l)" -eq 3
for record in "$data/MailBoxes/"Default\ ICM*.ini; do
  audio="${record%.ini}.wav"
  check "$(basename "$record") sent both ways" grep -q "sentemail=true" "$record"
  check "$(basename "$record") uploaded" grep -q "sentftp=true" "$record"
  check "$(basename "$record") error cleared" lacks "lasterror" "$record"
  check "$(basename "$audio") whole" test "$(sox --i -D "$audio")" != 0
done
check "no failure logged once the servers are back" test "$(logged 'Unable to')" -eq 4
has "$data/MailBoxes/Default.mbx" "unsentmessages=false"
summary delivery_outage calls.txt smtp.txt ftp.txt engine-err.txt "$data"/Logs/*System\ Log.txt

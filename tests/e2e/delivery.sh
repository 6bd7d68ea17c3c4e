#!/usr/bin/env bash
# A message left through "zavotel simulate" reaches its owner three ways: an
# e-mail with the audio and a transcript at a local mail server, an upload
# with the index page at a local FTP server, and a copy in a folder. While the
# mail server is down the message stays undelivered, the failure is logged
# once and the next round delivers it.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
py=/usr/bin/python3
simulate() { "$zavotel" simulate --data "$data" "$@"; }

simulate --hangup-after 0.2 >first.txt 2>/dev/null
tone_ogm "Default Answering Message" 0.5 440 wait=1 playcomplete=mailbox \
  playcompletembx=Default playcompletembxmessage=false
smtp_port="$(free_port tcp)"
ftp_port="$(free_port tcp)"
mkdir -p maildir/cur maildir/new maildir/tmp ftproot share
printf '\n[email]\nusemapi=false\nmailhost=127.0.0.1:%s\nfromemail=zavotel@example.com\nsmtpsecurity=none\n' \
  "$smtp_port" >>"$data/settings.ini"
printf '[mbx]\nsendemail=true\nemailaddress=owner@example.com\nspeechtotext=true\nsendftp=true\nftpserver=127.0.0.1:%s\nsendtofolder=true\nsendfolder=%s\n' \
  "$ftp_port" "$tmp/share" >"$data/MailBoxes/Default.mbx"
printf 'Message from %%callername%% (%%cid%%).\n' >"$data/Email Template.txt"

"$py" -m pyftpdlib -i 127.0.0.1 -p "$ftp_port" -w -d ftproot >ftp.txt 2>&1 &
stop_at_exit $!
"$zavotel" tts "Please call me back about the invoice tomorrow morning. Thank you." speech.wav >/dev/null
sox speech.wav -r 8000 -c 1 -b 16 voice.wav pad 3 1
wait_for 50 bash -c "exec 3<>/dev/tcp/127.0.0.1/$ftp_port"

# The mail server is down: FTP and the folder get the message, e-mail waits.
simulate --caller-audio voice.wav --hangup-after 14 >message.txt 2>&1
record="$(ls "$data/MailBoxes/"Default\ ICM*.ini 2>/dev/null | head -1)"
check "message recorded" test -n "$record"
audio="${record%.ini}.wav"
name="$(basename "${record%.ini}")"
web="$(echo "$name" | tr 'A-Z ' 'a-z_').wav"
check "uploaded under its web name" cmp -s "$audio" "ftproot/$web"
has ftproot/default.html "Click to Play" "$web"
check "copied to the folder" cmp -s "$audio" "share/$name.wav"
has "$record" "sentftp=true" "senttofolder=true" "lasterror=Unable to connect to the mail server"
check "e-mail not marked sent" lacks "sentemail=true" "$record"
check "failure logged once" test "$(cat "$data"/Logs/*.txt | grep -c 'Unable to connect to the mail server')" -eq 1
has "$data/MailBoxes/Default.mbx" "unsentmessages=true"

# With the server up the next round (after a call without a message) delivers it.
"$py" -m aiosmtpd -n -l "127.0.0.1:$smtp_port" -c aiosmtpd.handlers.Mailbox "$tmp/maildir" >smtp.txt 2>&1 &
stop_at_exit $!
wait_for 50 bash -c "exec 3<>/dev/tcp/127.0.0.1/$smtp_port"
simulate --hangup-after 0.2 >again.txt 2>&1
mail="$(ls maildir/new/* 2>/dev/null | head -1)"
check "e-mail arrived" test -n "$mail"
"$py" - "$mail" "$audio" >mail.txt <<'PY'
import email, sys
message = email.message_from_binary_file(open(sys.argv[1], "rb"))
parts = list(message.walk())
text = next(p for p in parts if p.get_content_type() == "text/plain").get_payload(decode=True).decode()
attachment = next(p for p in parts if p.get_filename())
print("subject:", message["Subject"])
print("to:", message["To"])
print("body:", text)
print("attachment matches:", attachment.get_payload(decode=True) == open(sys.argv[2], "rb").read())
PY
has mail.txt "subject: ZAV Message Mailbox: Default CID: 5555555555" "to: owner@example.com" \
  "attachment matches: True" "Message from" "Sent by ZAV"
check "transcript holds the caller's words" grep -q -i -E "please|call|about|invoice|tomorrow|morning|thank" mail.txt
has "$record" "sentemail=true"
check "error cleared" lacks "lasterror" "$record"
has "$data/MailBoxes/Default.mbx" "unsentmessages=false"

summary delivery message.txt again.txt mail.txt smtp.txt "$record"

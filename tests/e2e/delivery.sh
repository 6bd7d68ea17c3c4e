#!/usr/bin/env bash
# A message left through "zavotel simulate" reaches its owner three ways: an
# e-mail with the audio and a transcript at a local mail server, an upload
# with the index page at a local FTP server, and a copy in a folder. While the
# mail server is down the message stays undelivered with the error noted, and
# the next round delivers it (delivery_outage counts the failures logged).
source "$(dirname "$(realpath "$0")")/sip_support.sh"

simulate --hangup-after 0.2 >first.txt 2>/dev/null
message_ogm
smtp_port="$(free_port tcp)"
ftp_port="$(free_port tcp)"
mkdir share
mail_settings "$smtp_port"
printf '[mbx]\nsendemail=true\nemailaddress=owner@example.com\nspeechtotext=true\nsendftp=true\nftpserver=127.0.0.1:%s\nsendtofolder=true\nsendfolder=%s\n' \
  "$ftp_port" "$tmp/share" >"$data/MailBoxes/Default.mbx"
# Texts written in the Windows code page arrive as their letters.
printf 'subject=ZAV Message Mailbox: %%mailboxname%% CID: %%cid%% f\xfcr\n' >>"$data/settings.ini"
printf 'Message from %%callername%% (%%cid%%), \xe9t\xe9.\n' >"$data/Email Template.txt"

serve_ftp "$ftp_port"
"$zavotel" tts "Please call me back about the invoice tomorrow morning. Thank you." speech.wav >/dev/null
sox speech.wav -r 8000 -c 1 -b 16 voice.wav pad 3 1

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
has "$data/MailBoxes/Default.mbx" "unsentmessages=true"

# With the server up the next round (after a call without a message) delivers it.
serve_mail "$smtp_port"
simulate --hangup-after 0.2 >again.txt 2>&1
check "e-mail arrived" test -e mail/0.eml
has mail/0.eml "^To: owner@example.com"
has mail/0.json '"subject": "ZAV Message Mailbox: Default CID: 5555555555 für"' '"charset": "utf-8"'
has mail/0.part0 "Message from" "été" "Sent by ZAV"
check "transcript holds the caller's words" grep -q -i -E "please|call|about|invoice|tomorrow|morning|thank" mail/0.part0
check "the message attached" cmp -s mail/0.part1 "$audio"
has "$record" "sentemail=true"
check "error cleared" lacks "lasterror" "$record"
has "$data/MailBoxes/Default.mbx" "unsentmessages=false"

summary delivery message.txt again.txt mail/0.json smtp.txt "$record"

#!/usr/bin/env bash
# Mailbox properties and the outbound number list in headless Chromium: the
# access code and the delivery address changed, a bad value refused beside
# its field, the mailbox file read back; numbers added, edited and removed
# and the list file read back. Screenshots go to console-screenshots/ in the
# build folder as mailbox-NN-*.png.
source "$(dirname "$(realpath "$0")")/console_support.sh"

make_data
# A speaker profile stored while speech-to-text is off must survive a save.
sed -i 's/^speechtotextspeaker=.*/speechtotextspeaker=Anna/' "$data/MailBoxes/Default.mbx"
tone_ogm "Sales Menu" 0.5 440 wait=1
printf '555 0101&name=Ann;\r\n555 0102' >"$data/outboundlist.txt"
console_run mailbox "mailbox properties and the number list work in the browser"
summary console_mailbox engine-err.txt

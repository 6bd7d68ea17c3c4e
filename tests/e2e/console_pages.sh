#!/usr/bin/env bash
# The web console in headless Chromium, used as a new user would: the
# factory installation shown, a message left by a SIP call appearing live,
# played (and so read), moved to a new mailbox, e-mailed through a loopback
# mail server that wants a login, downloaded and deleted;
# answering off and on; the IVR program saved and loaded again; off loopback
# the login comes first; the page notices the engine killed and back.
# Screenshots of each state go to
# console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"

# The factory answering OGM (a short tone here) takes every caller to the
# Default mailbox.
make_data
message_ogm
# Its mailbox asks for a copy in a folder it does not name: the delivery
# logs an error, which colours the log display.
sed -i 's/^sendtofolder=false/sendtofolder=true/' "$data/MailBoxes/Default.mbx"
direct_device
mail_port="$(free_port tcp)"
check "the mail server listens" serve_mail "$mail_port" --auth office:pa:ss --smtputf8
# The browser script places the call through this command when it is ready for it.
export -f sipp_run && export support
console_run console "the console works as a user expects" \
  "sipp_run 60 leave_message 127.0.0.1:$port -m 1 -p $(free_port) -mp $(free_port) >sipp.txt 2>&1" \
  "$mail_port" "$tmp/mail"

# Killed under an open page and started again on the same port.
check "engine starts again" start_engine
url="$(sed -n 's/^Console at //p' engine.txt)"
browser_test engine_lost "the page notices the engine gone and back" "kill -9 $pid" \
  "'$zavotel' --data '$data' >engine.txt 2>engine-err.txt & echo \$! >engine.pid"
pid="$(cat engine.pid)"
stop_at_exit "$pid"
kill -TERM "$pid"
check "the engine started again stops" wait_for 300 bash -c "! kill -0 $pid"

# Off loopback the console asks for its password first.
echo "console test password" | "$zavotel" --data "$data" console-password >/dev/null
sed -i 's/^\[console\]$/[console]\naddress=0.0.0.0/' "$data/settings.ini"
check "engine starts again" start_engine
url="$(sed -n 's/^Console at https:\/\/[^:]*/https:\/\/127.0.0.1/p' engine.txt)"
browser_test login "the console logs in" "console test password"
check "engine stopped cleanly again" stop_engine
summary console_pages engine-err.txt sipp.txt

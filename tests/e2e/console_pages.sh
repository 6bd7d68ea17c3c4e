#!/usr/bin/env bash
# The web console in headless Chromium, used as a new user would: the
# factory installation shown, a message left by a SIP call appearing live,
# played (and so read), moved to a new mailbox, downloaded and deleted;
# answering off and on; the IVR program saved and loaded again; off loopback
# the login comes first. Screenshots of each state go to
# console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/console_support.sh"
need_browser console_pages

# The factory answering OGM (a short tone here) takes every caller to the
# Default mailbox.
make_data
tone_ogm "Default Answering Message" 0.5 440 wait=1 playcomplete=mailbox playcompletembx=Default \
  playcompletembxmessage=false
# Its mailbox asks for a copy in a folder it does not name: the delivery
# logs an error, which colours the log display.
sed -i 's/^sendtofolder=false/sendtofolder=true/' "$data/MailBoxes/Default.mbx"
port="$(free_port)"
direct_device "$port"
start_console

# The browser script places the call through this when it is ready for it.
python3 "$e2e_dir/../support/sipp_scenarios.py" leave_message . &&
  printf 'timeout 60 sipp -sf leave_message.xml 127.0.0.1:%s -m 1 -p %s -mp %s -nostdin -trace_err >sipp.txt 2>&1\n' \
    "$port" "$(free_port)" "$(free_port)" >call.sh
rm -rf "$shots" && mkdir -p "$shots"
check "the console works as a user expects" \
  node "$console_dir/console_test.mjs" "$url" "$data" "$shots" "$tmp/call.sh" >browser.txt 2>&1
cat browser.txt
check "engine stopped cleanly" stop_engine

# Off loopback the console asks for its password first.
echo "console test password" | "$zavotel" --data "$data" console-password >/dev/null
sed -i 's/^\[console\]$/[console]\naddress=0.0.0.0/' "$data/settings.ini"
check "engine starts again" start_engine
url="$(sed -n 's/^Console at https:\/\/[^:]*/https:\/\/127.0.0.1/p' engine.txt)"
check "the console logs in" node "$console_dir/login_test.mjs" "$url" "$shots" "console test password" >login.txt 2>&1
cat login.txt
check "engine stopped cleanly again" stop_engine
summary console_pages engine-err.txt sipp.txt

#!/usr/bin/env bash
# The settings view in headless Chromium: a SIP device and a line on it
# added through the pages answer a SIP call once the settings are closed;
# an office-hours change does not rebuild the lines. Screenshots of every
# tab go to console-screenshots/ in the build folder.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
console_dir="$e2e_dir/../console"
export ZAVOTEL_NODE_MODULES="$e2e_dir/../../build/console-node/node_modules"
shots="$(dirname "$(dirname "$zavotel")")/console-screenshots"

for need in /usr/bin/chromium node "$ZAVOTEL_NODE_MODULES/playwright-core"; do
  command -v "$need" >/dev/null || [ -e "$need" ] || { echo "console_settings: $need is missing (run scripts/install-deps)"; exit 1; }
done

make_data
tone_ogm "Default Answering Message" 0.5 440 wait=1 playcomplete=mailbox playcompletembx=Default \
  playcompletembxmessage=false
direct_device "$(free_port)"
printf '\n[console]\nport=%s\n' "$(free_port tcp)" >>"$data/settings.ini"
check "engine starts" start_engine
url="$(sed -n 's/^Console at //p' engine.txt)"
check "the console's address is printed" test -n "$url"

new_port="$(free_port)"
mkdir -p "$shots" && rm -f "$shots"/settings-*.png
check "the settings work as a user expects" \
  node "$console_dir/settings_test.mjs" "$url" "$data" "$shots" "$new_port" >browser.txt 2>&1
cat browser.txt
check "the new device answers after the rebuild" grep -q "Answering on sip:127.0.0.1:$new_port" engine.txt
check "the restart request was cleared" test "$(grep -m1 "^restart=" "$data/settings.ini")" = restart=false

python3 "$e2e_dir/../support/sipp_scenarios.py" leave_message . &&
  check "a SIP call on the new device is answered" timeout 60 sipp -sf leave_message.xml "127.0.0.1:$new_port" -m 1 \
    -p "$(free_port)" -mp "$(free_port)" -nostdin -trace_err >sipp.txt 2>&1
check "engine stopped cleanly" stop_engine
summary console_settings engine-err.txt sipp.txt

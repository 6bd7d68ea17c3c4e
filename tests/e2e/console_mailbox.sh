#!/usr/bin/env bash
# Mailbox properties and the outbound number list in headless Chromium: the
# access code and the delivery address changed, a bad value refused beside
# its field, the mailbox file read back; numbers added, edited and removed
# and the list file read back. Screenshots go to console-screenshots/ in the
# build folder as mailbox-NN-*.png.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
console_dir="$e2e_dir/../console"
export ZAVOTEL_NODE_MODULES="$e2e_dir/../../build/console-node/node_modules"
shots="$(dirname "$(dirname "$zavotel")")/console-screenshots"

for need in /usr/bin/chromium node "$ZAVOTEL_NODE_MODULES/playwright-core"; do
  command -v "$need" >/dev/null || [ -e "$need" ] || { echo "console_mailbox: $need is missing (run scripts/install-deps)"; exit 1; }
done

make_data
tone_ogm "Sales Menu" 0.5 440 wait=1
direct_device "$(free_port)"
printf '\n[console]\nport=%s\n' "$(free_port tcp)" >>"$data/settings.ini"
printf '555 0101&name=Ann;\r\n555 0102' >"$data/outboundlist.txt"
check "engine starts" start_engine
url="$(sed -n 's/^Console at //p' engine.txt)"
check "the console's address is printed" test -n "$url"
mkdir -p "$shots" && rm -f "$shots"/mailbox-*.png
check "mailbox properties and the number list work in the browser" \
  node "$console_dir/mailbox_test.mjs" "$url" "$data" "$shots" >browser.txt 2>&1
cat browser.txt
check "engine stopped cleanly" stop_engine
summary console_mailbox engine-err.txt

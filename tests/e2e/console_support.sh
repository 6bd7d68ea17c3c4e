# Shared by the console's browser tests: the browser driver (and the sound
# tools some of them use, or the script ends), the screenshot folder, and an
# engine with its console on a free port.
source "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/sip_support.sh"
console_dir="$e2e_dir/../console"
export ZAVOTEL_NODE_MODULES="$e2e_dir/../../build/console-node/node_modules"
shots="$(dirname "$(dirname "$zavotel")")/console-screenshots"
for need in /usr/bin/chromium node "$ZAVOTEL_NODE_MODULES/playwright-core" sox lame; do
  command -v "$need" >/dev/null || [ -e "$need" ] ||
    { echo "$(basename "$0" .sh): $need is missing (run scripts/install-deps)"; exit 1; }
done

# start_console: the engine on $data with its console on a free port (and,
# unless there is one, a SIP device on a free port); sets url.
start_console() {
  grep -q '^\[sipdevice0\]' "$data/settings.ini" || direct_device
  printf '\n[console]\nport=%s\n' "$(free_port tcp)" >>"$data/settings.ini"
  check "engine starts" start_engine
  url="$(sed -n 's/^Console at //p' engine.txt)"
  check "the console's address is printed" test -n "$url"
}

# browser_test NAME WHAT [ARGS...]: tests/console/NAME_test.mjs given the
# console's url, the data folder, the screenshot folder (its NAME-* shots
# removed first) and ARGS; its output shown.
browser_test() {
  local name="$1" what="$2"
  shift 2
  mkdir -p "$shots" && rm -f "$shots/$name"-*
  check "$what" node "$console_dir/${name}_test.mjs" "$url" "$data" "$shots" "$@" >browser.txt 2>&1
  cat browser.txt
}

# console_run NAME WHAT [ARGS...]: start_console, browser_test and the
# engine's orderly stop.
console_run() {
  start_console
  browser_test "$@"
  check "engine stopped cleanly" stop_engine
}

# microphone SECONDS: microphone.wav, a 1 kHz tone for the fake microphone.
microphone() { sox -n -r 48000 -c 1 -b 16 microphone.wav synth "$1" sine 1000 gain -6; }
# holds_tone WHAT WAVE: a check that the recording holds the microphone's tone.
holds_tone() { check "the $1 holds the microphone's 1 kHz tone" mostly_in_band "$2" 900-1100; }

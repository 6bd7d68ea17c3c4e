# Shared by the console's browser tests: the browser driver, the screenshot
# folder, and an engine with its console on a free port.
source "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/sip_support.sh"
console_dir="$e2e_dir/../console"
export ZAVOTEL_NODE_MODULES="$e2e_dir/../../build/console-node/node_modules"
shots="$(dirname "$(dirname "$zavotel")")/console-screenshots"

# need_browser NAME [TOOL...]: ends the script when Chromium, node, the
# driver or one of the tools is missing.
need_browser() {
  local name="$1" need
  shift
  for need in /usr/bin/chromium node "$ZAVOTEL_NODE_MODULES/playwright-core" "$@"; do
    command -v "$need" >/dev/null || [ -e "$need" ] || { echo "$name: $need is missing (run scripts/install-deps)"; exit 1; }
  done
}

# start_console: the engine on $data with its console on a free port; sets url.
start_console() {
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

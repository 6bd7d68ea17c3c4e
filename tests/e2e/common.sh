# Shared by the end-to-end scripts (sourced): the zavotel binary from $1, a
# private temporary folder as the working directory, pass/fail counting, and
# clean-up of background processes registered with `stop_at_exit PID`.
set -uo pipefail
zavotel="$(realpath "$1")"
tmp="$(mktemp -d)"
background=()
trap 'for p in "${background[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT
cd "$tmp"
passed=0
failed=0

check() {  # check NAME COMMAND...: counts whether COMMAND succeeds
  local name="$1"
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
stop_at_exit() { background+=("$1"); }
free_port() {  # a UDP port on the loopback address that nobody uses now
  python3 -c 'import socket; s=socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
summary() {  # summary NAME: prints the counts; fails when any check failed
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

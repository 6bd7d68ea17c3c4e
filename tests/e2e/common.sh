# Shared by the end-to-end scripts (sourced): the zavotel binary from $1, a
# private temporary folder as the working directory, pass/fail counting, and
# clean-up of background processes registered with `stop_at_exit PID`.
set -uo pipefail
zavotel="$(realpath "$1")"
support="$(dirname "$(realpath "${BASH_SOURCE[0]}")")/../support"  # the shared test helpers
tmp="$(mktemp -d)"
data="$tmp/data"
background=()
trap 'for p in "${background[@]}"; do kill -9 "$p" 2>/dev/null; done; rm -rf "$tmp"' EXIT
cd "$tmp"
passed=0
failed=0

check() {  # check NAME COMMAND...: counts whether COMMAND succeeds
  local name="$1"; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
lacks() { ! grep -q -- "$@"; }  # lacks PATTERN FILE: grep finds nothing
has() { local f="$1" p; shift; for p; do check "$p" grep -q -- "$p" "$f"; done; }  # has FILE PATTERN...
fails_with() { local want="$1"; shift; "$@" >/dev/null 2>&1; test $? -eq "$want"; }  # fails_with STATUS COMMAND...
fails() { ! "$@" >/dev/null 2>&1; }  # fails COMMAND...: COMMAND fails (its output dropped)
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }  # above A B: A > B
duration() { sox --i -D "$1" 2>/dev/null || echo 0; }  # duration WAVE: its seconds, 0 when unreadable
stop_at_exit() { background+=("$1"); }
wait_for() {  # wait_for TENTHS COMMAND...: until COMMAND succeeds, at most TENTHS/10 s
  local tenths="$1"; shift
  for _ in $(seq "$tenths"); do "$@" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}
listening() { ss -Hl"${2:-u}"n "sport = :$1" | grep -q .; }  # listening PORT [t]: something has the UDP (TCP) port
since() { awk -v a="$1" -v b="$(date +%s%N)" 'BEGIN { print (b - a) / 1e9 }'; }  # since STAMP: seconds since `date +%s%N`
serve() {  # serve PORT LOG PYTHON-ARGS...: the system's Python in the background, until it listens on PORT
  /usr/bin/python3 "${@:3}" >"$2" 2>&1 &
  stop_at_exit $!
  wait_for 100 listening "$1" t
}
free_port() {  # free_port [tcp]: a UDP (or TCP) port on the loopback address that nobody uses now
  python3 -c 'import socket, sys; s=socket.socket(socket.AF_INET, socket.SOCK_STREAM if sys.argv[1:] else socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' "$@"
}
free_media_port() {  # a UDP port P for SIPp's -mp: it binds P and P+2 too (audio and video, with RTCP beside)
  python3 -c 'import socket
while True:
    first = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); first.bind(("127.0.0.1", 0)); port = first.getsockname()[1]
    try:
        for step in range(1, 4): socket.socket(socket.AF_INET, socket.SOCK_DGRAM).bind(("127.0.0.1", port + step))
    except (OSError, OverflowError):
        continue
    print(port); break'
}
summary() {  # summary NAME [FILE...]: prints the counts (and on failure the files' ends)
  local name="$1"; shift
  [ ! -e engine-err.txt ] || check "no sanitizer report" lacks Sanitizer engine-err.txt
  [ "$failed" -eq 0 ] || for f in "$@"; do [ -e "$f" ] && { echo "== $f"; tail -30 "$f"; }; done
  echo "$name: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

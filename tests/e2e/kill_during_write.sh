#!/usr/bin/env bash
# SIGKILL while the engine rewrites its files: `zavotel ctl` switches the
# engine off and on ([state] on in settings.ini) and appends to the outbound
# list in a tight loop, and the engine is killed at a random moment, eight
# times over. Each time settings.ini still holds every line it held before
# the writers began, with `on` either value, and outboundlist.txt holds
# whole entries only: every one ctl saw accepted, and at most one more for
# each kill (the one in flight). Levelling killed in the middle is in
# levelling.sh.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
list="$data/outboundlist.txt"

make_data
direct_device
# An empty calling window: the list only grows.
printf '\n[outbound]\ntimestart=00:00\ntimeend=00:00\n' >>"$data/settings.ini"
touch acked.txt
for round in $(seq 8); do
  launch_engine
  wait_for 300 pings
  grep -v '^on=' "$data/settings.ini" >before.txt
  # The writers: off/on, and new entries (accepted ones in acked.txt).
  (while :; do ctl off >/dev/null 2>&1; ctl on >/dev/null 2>&1; done) &
  switcher=$!
  (n=0; while :; do
    n=$((n + 1)); entry="5551$round$(printf %03d "$n")"
    [ "$(ctl add-outbound "$entry" 2>/dev/null)" = 0 ] && echo "$entry" >>acked.txt
  done) &
  adder=$!
  sleep "$(awk -v r="$RANDOM" 'BEGIN { print 1 + r % 2000 / 1000 }')"
  kill -9 "$pid"; wait "$pid" 2>/dev/null
  kill "$switcher" "$adder"; wait "$switcher" "$adder" 2>/dev/null
  check "round $round: settings.ini whole" \
    test -z "$(grep -v '^on=' "$data/settings.ini" | sort | comm -13 - <(sort before.txt))"
  check "round $round: on is true or false" grep -q -x -E 'on=(true|false)' "$data/settings.ini"
  tr ';' '\n' <"$list" >entries.txt
  check "round $round: the outbound list holds whole entries" \
    test -z "$(grep -v -x -E '5551[0-9]{4,}' entries.txt)"
  check "round $round: every accepted entry kept" test -z "$(sort acked.txt | comm -23 - <(sort entries.txt))"
  # Each kill may leave one entry written but not acknowledged, and the list
  # keeps those of the earlier rounds too.
  check "round $round: at most one entry in flight a kill" \
    test "$(wc -l <entries.txt)" -le "$(($(wc -l <acked.txt) + round))"
  cp "$list" "$tmp/list-$round.txt"
done
echo "kill_during_write: $(wc -l <acked.txt) entries accepted over 8 kills, $(ls -A "$data" | grep -c '\.tmp$') temporary file(s) left"
# A clean start and stop afterwards leaves both files readable and the list as it was.
start_engine
check "the engine starts after the kills" pings
check "the list kept over a clean run" cmp -s "$list" "$tmp/list-8.txt"
check "engine stopped cleanly" stop_engine
summary kill_during_write engine-err.txt "$data/settings.ini" "$list"

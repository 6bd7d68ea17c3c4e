#!/usr/bin/env bash
# Soak (usage: soak.sh ZAVOTEL [CALLS] [SECONDS]; ZAVOTEL from `scripts/build
# release`, 32 calls for 1800 s unless given). SIPp keeps CALLS calls going
# that each leave a message of about 4.5 s, for about SECONDS. Afterwards every
# call SIPp counts as successful must have left one message of the right
# length, and from the first minute on (or the first third of a shorter run)
# the engine's resident memory stays within SOAK_RSS_PERCENT (5) of its first
# sample, its open files and its threads do not grow. Prints the figures;
# fails on a breach.
here="$(dirname "$(realpath "$0")")"
source "$here/../tests/e2e/common.sh"
source "$here/../tests/e2e/sip_support.sh"
calls="${2:-32}"
seconds="${3:-1800}"
rss_percent="${SOAK_RSS_PERCENT:-5}"
for tool in sipp sox; do
  command -v "$tool" >/dev/null || { echo "soak: $tool is not installed, skipped"; exit 0; }
done

# A 1 s greeting, then the message; the caller speaks and hangs up 11.5 s
# after the answer (the leave_message scenario).
make_data
tone_ogm "Default Answering Message" 1 440 wait=1 playcomplete=mailbox playcompletembx=Default \
  playcompletembxmessage=false
port="$(free_port)"
direct_device "$port"
for n in $(seq 0 $((calls - 1))); do printf '\n[line%d]\nuse=true\ndevice=0\nname=Line %d\n' "$n" "$((n + 1))"; done \
  >>"$data/settings.ini"
start_engine || { echo "soak: the engine did not start"; cat engine.txt engine-err.txt; exit 1; }

# sample: one line "SECONDS RSS-KB FDS THREADS" of the engine now.
sample() {
  local rss fds threads
  rss="$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null)" || return 1
  fds="$(ls "/proc/$pid/fd" 2>/dev/null | wc -l)"
  threads="$(ls "/proc/$pid/task" 2>/dev/null | wc -l)"
  [ -n "$rss" ] && echo "$SECONDS $rss $fds $threads"
}

# Calls of about 13.5 s each (answer, 11.5 s, hang-up), CALLS at a time.
total=$((calls * seconds / 12))
[ "$total" -ge "$calls" ] || total="$calls"
python3 "$e2e_dir/../support/sipp_scenarios.py" leave_message .
SECONDS=0
idle="$(sample)"
ls -l "/proc/$pid/fd" | awk '{ print $NF }' | sort >fds-idle.txt
nice sipp -sf leave_message.xml "127.0.0.1:$port" -m "$total" -l "$calls" -r "$calls" \
  -p "$(free_port)" -mp "$(free_port)" -timeout $((seconds * 2 + 120)) -nostdin -trace_stat \
  -stf sipp.csv -trace_err >sipp.txt 2>&1 &
sipp=$!
stop_at_exit "$sipp"
while kill -0 "$sipp" 2>/dev/null; do sample >>samples.txt; sleep 5; done
wait "$sipp"
sipp_status=$?
# The last calls' messages are finished (and levelled) a moment after the hang-up.
sleep 5
after="$(sample)"
ls -l "/proc/$pid/fd" | awk '{ print $NF }' | sort >fds-after.txt
stop_engine
stopped=$?

# SIPp's own count of successful calls, from its last statistics row.
succeeded="$(awk -F';' 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "SuccessfulCall(C)") c = i }
  END { print $c + 0 }' sipp.csv)"
failed_calls="$(awk -F';' 'NR == 1 { for (i = 1; i <= NF; ++i) if ($i == "FailedCall(C)") c = i }
  END { print $c + 0 }' sipp.csv)"
messages=("$data/MailBoxes/"Default\ ICM*.wav)
[ -e "${messages[0]}" ] || messages=()
for m in "${messages[@]}"; do sox --i -D "$m"; done >lengths.txt
# The right length: SIPp speaks 4.72 s (236 packets of 20 ms) from 1.5 s
# after the answer, when the 1 s greeting and the tone are over; a message
# holds all of it and the pause before it (under 2 s), not the silence after.
short="$(awk '$1 < 4.7 || $1 > 7' lengths.txt | wc -l)"
read -r shortest longest < <(sort -n lengths.txt | awk 'NR == 1 { a = $1 } { b = $1 } END { print a + 0, b + 0 }')

# The settled part: from the first minute on (the first third of a short
# run), split in halves; the later half may not reach above the earlier one.
settle=$((seconds / 3 < 60 ? seconds / 3 : 60))
read -r min_rss max_rss early_fds late_fds early_threads late_threads < <(awk -v s="$settle" -v e="$SECONDS" '
  $1 >= s { if (!n++) { nr = $2; mr = $2 } if ($2 < nr) nr = $2; if ($2 > mr) mr = $2
            if ($1 < (s + e) / 2) { if ($3 > ef) ef = $3; if ($4 > et) et = $4 }
            else { if ($3 > lf) lf = $3; if ($4 > lt) lt = $4 } }
  END { print nr + 0, mr + 0, ef + 0, lf + 0, et + 0, lt + 0 }' samples.txt)
read -r _ idle_rss idle_fds idle_threads <<<"$idle"
read -r _ after_rss after_fds after_threads <<<"$after"

echo "soak: $calls simultaneous calls for $SECONDS s: SIPp $succeeded successful, $failed_calls failed of $total"
echo "soak: messages $((${#messages[@]})) (lengths $shortest..$longest s, $short outside 4.7..7 s)"
echo "soak: idle before the calls: rss $idle_rss kB, fds $idle_fds, threads $idle_threads"
echo "soak: from ${settle} s on: rss $min_rss..$max_rss kB; fds max $early_fds then $late_fds; threads max $early_threads then $late_threads"
echo "soak: idle after the calls: rss $after_rss kB, fds $after_fds, threads $after_threads"
check "SIPp ran every call (status $sipp_status)" test "$sipp_status" -eq 0
check "every call succeeded" test "$succeeded" -eq "$total"
check "one message per successful call" test "${#messages[@]}" -eq "$succeeded"
check "every message of the right length" test "$short" -eq 0
check "resident memory within $rss_percent % from ${settle} s on" \
  awk -v a="$min_rss" -v b="$max_rss" -v p="$rss_percent" 'BEGIN { exit !(a > 0 && b <= a * (1 + p / 100)) }'
# A sample catches the calls in flight at some step of their set-up, so its
# counts move by up to one call's files (about 4) and threads without
# anything leaking.
per_call=$(((early_fds - idle_fds + calls - 1) / calls))
check "no file descriptor growth during the calls" test "$late_fds" -le $((early_fds + per_call))
threads_per_call=$(((early_threads - idle_threads + calls - 1) / calls))
check "no thread growth during the calls" test "$late_threads" -le $((early_threads + threads_per_call))
# Files open afterwards that were not before: only INI files the parsed-file
# cache holds open (it bounds their number).
diff fds-idle.txt fds-after.txt >fds-diff.txt
check "every call's files closed afterwards" test -z "$(grep '^>' fds-diff.txt | grep -v '\.ini$')"
check "threads afterwards as before" test "$after_threads" -le "$idle_threads"
check "the engine stopped cleanly" test "$stopped" -eq 0
summary soak sipp.txt engine-err.txt samples.txt fds-diff.txt

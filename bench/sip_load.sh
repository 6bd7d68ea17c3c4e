#!/usr/bin/env bash
# SIP load on the engine (usage: sip_load.sh ZAVOTEL [MAX_CALLS]). SIPp places
# calls of 10 s that speak (recorded A-law) while the engine plays a greeting
# and records a message; the number of simultaneous calls rises step by step.
# A loopback capture times every RTP packet the engine sends: a step passes
# when every call succeeds and no packet left more than 20 ms late. Prints
# the largest passing step, the engine's CPU per call against SIPp's own CPU
# per call in the same calls (it sends and receives the same RTP and SIP),
# the same against baresip answering those calls itself (it too plays a
# greeting from a file and records the caller), and the delay from an
# RFC 4733 key to the first packet of the next prompt, over single calls and
# over calls made while others run, MAX_CALLS in all.
here="$(dirname "$(realpath "$0")")"
source "$here/../tests/e2e/common.sh"
source "$here/../tests/e2e/sip_support.sh"
max_calls="${2:-64}"
for tool in sipp tcpdump sox baresip; do
  command -v "$tool" >/dev/null || { echo "sip_load: $tool is not installed, skipped"; exit 0; }
done
cpu_ticks() { awk '{ print $14 + $15 + $16 + $17 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
thread_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/task/$1/stat" 2>/dev/null || echo 0; }
ticks_per_s="$(getconf CLK_TCK)"

# The engine: 64 lines (its most) on one device, a 2 s greeting (440 Hz),
# then a message; key 1 leads to a 660 Hz prompt.
make_data
tone_ogm "Default Answering Message" 2 440 wait=1 press1=go "press1go=Sales Menu" \
  playcomplete=mailbox playcompletembx=Default playcompletembxmessage=false
tone_ogm "Sales Menu" 3 660 wait=5
port="$(free_port)"
direct_device "$port"
for n in $(seq 0 63); do printf '\n[line%d]\nuse=true\ndevice=0\nname=Line %d\n' "$n" "$((n + 1))"; done \
  >>"$data/settings.ini"
start_engine || { echo "sip_load: the engine did not start"; exit 1; }

capture() { tcpdump -i lo -n -s 200 -w "$1" udp >/dev/null 2>&1 & dump=$!; stop_at_exit "$dump"; sleep 0.5; }
stop_capture() { sleep 0.3; kill "$dump"; wait "$dump" 2>/dev/null; }
# place_calls OUT PORT CALLS MEDIA [SIPP OPTIONS]: two rounds of CALLS
# simultaneous load calls in the background, SIPp's output in OUT; $sipp is it.
place_calls() {
  sipp -sf "$here/sipp/load_call.xml" "127.0.0.1:$2" -m $((2 * $3)) -l "$3" -r "$3" -rp 2000 \
    -p "$(free_port)" -mp "$4" -timeout 90 -nostdin "${@:5}" >"$1" 2>&1 &
  sipp=$!
}

# step CALLS: two rounds of CALLS simultaneous calls; prints a result line,
# and in threads$CALLS.txt how the engine's CPU divides: its loop thread
# (SIP, RTP reception, the calls' dialogues and files), its media thread
# (RTP sending) and the rest (each line's player and recorder threads).
step() {
  local calls="$1" engine_before engine_ticks ok timing media loop_before media_before media_tid
  media="$(free_port)"
  capture "step$calls.pcap"
  media_tid="$(grep -lx rtp-media /proc/"$pid"/task/*/comm 2>/dev/null | head -1 | cut -d/ -f5)"
  engine_before="$(cpu_ticks "$pid")"
  loop_before="$(thread_ticks "$pid")"
  media_before="$(thread_ticks "${media_tid:-none}")"
  place_calls "sipp$calls.txt" "$port" "$calls" "$media" -trace_stat -stf "sipp$calls.csv"
  local sipp_total=0 now
  while kill -0 "$sipp" 2>/dev/null; do now="$(cpu_ticks "$sipp")"; [ "$now" -gt 0 ] && sipp_total="$now"; sleep 0.2; done
  wait "$sipp"
  ok=$?
  engine_ticks=$(($(cpu_ticks "$pid") - engine_before))
  awk -v c="$calls" -v e="$engine_ticks" -v l=$(($(thread_ticks "$pid") - loop_before)) \
    -v m=$(($(thread_ticks "${media_tid:-none}") - media_before)) -v hz="$ticks_per_s" 'BEGIN {
    k = 100 / hz / (2 * c * 10)
    printf "sip_load %2d calls: engine threads  loop %.3f%%  media %.3f%%  players, recorders and others %.3f%% CPU/call\n",
      c, l * k, m * k, (e - l - m) * k }' >"threads$calls.txt"
  stop_capture
  timing="$(python3 "$here/sip_rtp_timing.py" lateness "step$calls.pcap" "$media")"
  # CPU per call as a share of one core: CPU seconds over call seconds.
  awk -v c="$calls" -v ok="$ok" -v e="$engine_ticks" -v s="$sipp_total" -v hz="$ticks_per_s" -v t="$timing" '
    BEGIN { split(t, f, " "); late = f[6]; callsec = 2 * c * 10
      pass = (ok == 0 && late <= 20) ? "pass" : "FAIL"
      printf "sip_load %2d calls: %s  calls %s  streams %s  max late %6.2f ms  p99 %5.2f ms  " \
             "engine %.3f%% CPU/call  sipp %.3f%% CPU/call\n", c, pass, ok == 0 ? "ok" : "failed",
             f[2], late, f[8], 100 * e / hz / callsec, 100 * s / hz / callsec }'
}

# reference_cpu CALLS: baresip answers two rounds of CALLS load calls itself,
# plays the same 2 s greeting from a WAVE file (then silence, so that it keeps
# sending for the whole call as the engine does) and records each call; prints
# its CPU per call as a share of one core.
reference_cpu() {
  local calls="$1" ref_port phone before
  ref_port="$(free_port)"
  sox -n -r 8000 -c 1 -b 16 greeting.wav synth 2 sine 440 vol 0.3 pad 0 10
  baresip_config "$tmp/ref" "$ref_port" "$tmp/greeting.wav" "call_max_calls $((2 * calls))"
  echo '<sip:ref@127.0.0.1>;regint=0;answermode=auto' >ref/accounts
  baresip -f "$tmp/ref" -n 127.0.0.1 >ref.txt 2>&1 </dev/null &
  phone=$!
  stop_at_exit "$phone"
  wait_for 100 grep -q "baresip is ready" ref.txt || return 1
  before="$(cpu_ticks "$phone")"
  place_calls ref-sipp.txt "$ref_port" "$calls" "$(free_port)" -s ref
  wait "$sipp" || return 1
  awk -v t=$(($(cpu_ticks "$phone") - before)) -v c="$calls" -v hz="$ticks_per_s" \
    'BEGIN { printf "%.3f\n", 100 * t / hz / (2 * c * 10) }'
  kill "$phone"
}

best=0
summary=""
for calls in 4 8 16 32 48 64; do
  [ "$calls" -gt "$max_calls" ] && break
  line="$(step "$calls")"
  echo "$line"
  cat "threads$calls.txt"
  case "$line" in *": pass "*) best="$calls"; summary="$line" ;; *) break ;; esac
done

# The key-to-prompt delay over five single calls.
media="$(free_port)"
capture keys.pcap
timeout 60 sipp -sf "$here/sipp/dtmf_call.xml" "127.0.0.1:$port" -m 5 -l 1 -r 1 \
  -p "$(free_port)" -mp "$media" -timeout 50 -nostdin >keys.txt 2>&1
stop_capture
delays="$(python3 "$here/sip_rtp_timing.py" keydelay keys.pcap "$media")"

# The same delay while MAX_CALLS calls run: forty key calls, eight at a time,
# among load calls on the other lines (two rounds, as in a step).
media="$(free_port)"
capture loadkeys.pcap
load_calls=$((max_calls > 16 ? max_calls - 8 : max_calls / 2))
place_calls loadkeys-sipp.txt "$port" "$load_calls" "$(free_port)"
load=$sipp
sleep 3
timeout 80 sipp -sf "$here/sipp/dtmf_call.xml" "127.0.0.1:$port" -m 40 -l $((max_calls - load_calls)) -r 4 \
  -p "$(free_port)" -mp "$media" -timeout 70 -nostdin >loadkeys.txt 2>&1
wait "$load"
stop_capture
load_delays="$(python3 "$here/sip_rtp_timing.py" keydelay loadkeys.pcap "$media")"

stop_engine
stopped=$?
[ "$best" -gt 0 ] && reference="$(reference_cpu "$best")"

echo "sip_load: largest step with every call ok and no RTP over 20 ms late: $best simultaneous calls (of $max_calls tried)"
if [ -n "$summary" ]; then
  echo "$summary" | awk -v r="${reference:-}" '{ for (i = 1; i <= NF; ++i) { if ($(i+1) == "CPU/call" && !e) e = $i; else if ($(i+1) == "CPU/call") s = $i }
    gsub("%", "", e); gsub("%", "", s)
    printf "sip_load CPU per call    ours %6.3f %% core  sipp     %6.3f %% core  ratio ours/reference %.3f\n", e, s, (s > 0 ? e / s : 0)
    if (r != "") printf "sip_load CPU per call    ours %6.3f %% core  baresip  %6.3f %% core  ratio ours/reference %.3f" \
      "  (baresip answering: greeting from a file, caller recorded)\n", e, r, (r > 0 ? e / r : 0)
    else print "sip_load CPU per call    baresip as the answering reference did not complete its calls" }'
fi
# key_summary LABEL DELAYS: the median, 99th percentile and largest delay.
key_summary() {
  local sorted
  mapfile -t sorted < <(echo "$2" | tr ' ' '\n' | grep -E '^[0-9.]+$' | sort -n)
  if [ "${#sorted[@]}" -eq 0 ]; then
    echo "sip_load key to prompt $1: no delay measured"
    return
  fi
  awk -v label="$1" -v m="${sorted[$(((${#sorted[@]} - 1) / 2))]}" -v n="${#sorted[@]}" \
    -v p="${sorted[$((${#sorted[@]} * 99 / 100))]}" -v top="${sorted[-1]}" 'BEGIN {
    printf "sip_load key to prompt %-14s ours %6.1f ms median of %d  p99 %5.1f ms (max %.1f)  packet  20.0 ms  ratio ours/reference %.3f\n",
      label, m, n, p, top, m / 20 }'
}
key_summary "single calls" "$delays"
key_summary "at $max_calls calls" "$load_delays"
[ "$stopped" -eq 0 ] || { echo "sip_load: the engine did not stop cleanly"; exit 1; }

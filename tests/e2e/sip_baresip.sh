#!/usr/bin/env bash
# baresip calls the engine on the loopback address. First call: it hears the
# greeting (a 1 kHz tone) and presses 1 by RFC 4733. Second call: it presses
# 2 for a mailbox and speaks (syllables of a 300 Hz tone) until it hangs up;
# the message file holds that voice for about as long as it spoke.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
# phone COMMAND [PARAMS]: one command to baresip over its netstring JSON socket.
# It waits for the start of the answer.
phone() {
  local body="{\"command\":\"$1\",\"params\":\"${2:-}\",\"token\":\"$1\"}"
  exec 4<>"/dev/tcp/127.0.0.1/$ctrl_port" && printf '%s:%s,' "${#body}" "$body" >&4 &&
    timeout 5 head -c 1 <&4 >/dev/null
  exec 4>&-
}

# The engine: a tone greeting that offers a menu key and a mailbox key.
menu_engine 2 1000 press2=mailbox press2mbx=Sales press2mbxmessage=false

# The phone: speaks from a file, records what it hears, obeys its socket.
# Syllables of a 300 Hz tone with uneven lengths, loudness and gaps, so the
# voice never looks like a steady network tone.
python3 - <<'PY'
import math, random, struct, wave
random.seed(7)
samples = []
while len(samples) < 30 * 8000:
    length, level = random.randint(800, 3200), random.uniform(0.2, 0.4)
    samples += [level * math.sin(2 * math.pi * 300 * n / 8000) * math.sin(math.pi * n / length)
                for n in range(length)]
    samples += [0.0] * random.randint(160, 800)
with wave.open("voice.wav", "wb") as w:
    w.setnchannels(1); w.setsampwidth(2); w.setframerate(8000)
    w.writeframes(b"".join(struct.pack("<h", int(x * 32767)) for x in samples))
PY
ctrl_port="$(free_port tcp)"
baresip_config "$tmp/phone" "$(free_port)" "$tmp/voice.wav" "module_app menu.so" \
  "module_app ctrl_tcp.so" "ctrl_tcp_listen 127.0.0.1:$ctrl_port"
echo '<sip:caller@127.0.0.1>;regint=0' >phone/accounts
baresip -f "$tmp/phone" -n 127.0.0.1 >phone.txt 2>&1 </dev/null &
phone=$!
stop_at_exit "$phone"
check "phone ready" wait_for 200 grep -q "baresip is ready" phone.txt

# phone_call WAIT KEY TALK: dials the engine, presses KEY WAIT seconds into
# the greeting and hangs up TALK seconds later; `talked` is how long it took
# from the key to the hang-up (more than TALK on a busy machine).
phone_call() {
  phone dial "sip:100@127.0.0.1:$port"
  wait_for 100 grep -q "Play file:" "$call"
  sleep "$1"
  local from; from=$(date +%s%N)
  phone sndcode "$2"; sleep "$3"; phone hangup
  talked="$(since "$from")"
  wait_for 100 grep -q "Call disconnected" "$call"
}
phone_call 1.6 1 1
has "$call" "Caller pressed key \[1\]" "Open OGM: Sales Menu"
heard="$(ls phone/rec/*-dec.wav 2>/dev/null | head -1)"
check "phone recorded the call" test -n "$heard"
check "greeting heard: the 1 kHz tone" mostly_in_band "$heard" 950-1050 trim 0.5 1

rm -f "$call"
phone_call 1.2 2 5
has "$call" "Caller pressed key \[2\]" "Recording File:"
take_message Sales
length="$(duration "$message")"
# At most a second more than the caller talked: the engine's time to see the hang-up.
check "message about as long as the voice ($length s of $talked)" \
  bash -c "awk -v l=$length -v t=$talked 'BEGIN { exit !(l > 2.5 && l < t + 1) }'"
check "message holds the caller's 300 Hz voice" mostly_in_band "$message" 250-350

kill -TERM "$phone"; wait "$phone" 2>/dev/null
check "engine stopped cleanly" stop_engine
summary sip_baresip phone.txt engine-err.txt "$data"/Logs/*Call\ Log.txt

#!/usr/bin/env bash
# What a caller hears of a greeting stored in other formats (usage:
# greeting_formats.sh ZAVOTEL). A 2 s 1 kHz tone (peak -6 dBFS, 20 ms fades)
# is stored as 8 kHz 16-bit, 44.1 kHz stereo, 16 kHz, 22.05 kHz, 8-bit,
# A-law, u-law, GSM, IMA ADPCM and MP3; for each, baresip calls the engine
# over SIP and records what it hears, and heard_tone.py compares that with
# sox's own decoding of the same file: length, level, peak, frequency, uneven
# periods (skipped samples) and where the tone starts.
here="$(dirname "$(realpath "$0")")"
source "$here/../tests/e2e/sip_support.sh"
for tool in sox lame baresip; do
  command -v "$tool" >/dev/null || { echo "greeting_formats: $tool is not installed, skipped"; exit 0; }
done
tone="synth 2 sine 1000 vol 0.5 fade t 0.02 2 0.02"
sox -n -r 8000 -c 1 -b 16 pcm8k.wav $tone
sox -n -r 44100 -c 2 -b 16 stereo44k.wav $tone
sox -n -r 16000 -c 1 -b 16 pcm16k.wav $tone
sox -n -r 22050 -c 1 -b 16 pcm22k.wav $tone
sox -n -r 8000 -c 1 -b 8 -e unsigned u8bit.wav $tone
sox -n -r 8000 -c 1 -e a-law alaw.wav $tone
sox -n -r 8000 -c 1 -e mu-law ulaw.wav $tone
sox -n -r 8000 -c 1 -e gsm-full-rate gsm.wav $tone
sox -n -r 22050 -c 1 -e ima-adpcm ima22k.wav $tone
sox -n -r 44100 -c 2 -b 16 mp3src.wav $tone && lame --quiet -b 128 mp3src.wav stereo44k.mp3

# phone COMMAND [PARAMS]: one command to baresip over its netstring JSON socket.
phone() {
  local body="{\"command\":\"$1\",\"params\":\"${2:-}\",\"token\":\"$1\"}"
  exec 4<>"/dev/tcp/127.0.0.1/$ctrl_port" && printf '%s:%s,' "${#body}" "$body" >&4 &&
    timeout 5 head -c 1 <&4 >/dev/null
  exec 4>&-
}
make_data
printf '[ivr]\nwait=2\nplayex=true\nplayexfile=greeting.wav\n' >"$data/OGMs/Default Answering Message.ini"
direct_device
start_engine || { echo "greeting_formats: the engine did not start"; exit 1; }
sox -n -r 8000 -c 1 -b 16 silence.wav trim 0 30
ctrl_port="$(free_port tcp)"
baresip_config "$tmp/phone" "$(free_port)" "$tmp/silence.wav" "module_app menu.so" "module_app ctrl_tcp.so" \
  "ctrl_tcp_listen 127.0.0.1:$ctrl_port"
echo '<sip:caller@127.0.0.1>;regint=0' >phone/accounts
baresip -f "$tmp/phone" -n 127.0.0.1 >phone.txt 2>&1 </dev/null &
stop_at_exit $!
wait_for 200 grep -q "baresip is ready" phone.txt || { echo "greeting_formats: baresip did not start"; exit 1; }
for file in pcm8k.wav stereo44k.wav pcm16k.wav pcm22k.wav u8bit.wav alaw.wav ulaw.wav gsm.wav ima22k.wav \
    stereo44k.mp3; do
  rm -f "$data"/OGMs/greeting.* phone/rec/*
  cp "$file" "$data/OGMs/greeting.${file##*.}"
  sed -i "s/^playexfile=.*/playexfile=greeting.${file##*.}/" "$data/OGMs/Default Answering Message.ini"
  phone dial "sip:100@127.0.0.1:$port"
  sleep 3.5
  phone hangup
  wait_for 50 ls phone/rec/*-dec.wav >/dev/null
  sleep 0.5
  printf 'greeting_formats %-14s ' "$file"
  python3 "$here/heard_tone.py" phone/rec/*-dec.wav "$file" || echo "nothing heard"
done
stop_engine

#!/usr/bin/env bash
# Makes the labelled audio sets that bench_answer_detect and bench_talkoff
# measure (usage: make_labelled_sets.sh FOLDER [ZAVOTEL]). Everything is
# 8000 Hz mono 16-bit WAVE, spoken by our own speech synthesis (`zavotel
# tts`, both engines) and shaped with sox; FOLDER/manifest.tsv names each
# file with its label:
#   answer  person|machine|noanswer  FILE  what it is
#   talkoff speech|music|noise       FILE  -
#   digits  KEY                      FILE  number of presses
# Nothing is random: the same tools make the same sets.
set -euo pipefail
out="${1:?usage: make_labelled_sets.sh FOLDER [ZAVOTEL]}"
zavotel="${2:-zavotel}"
for tool in sox "$zavotel"; do
  command -v "$tool" >/dev/null || { echo "make_labelled_sets: $tool is missing" >&2; exit 1; }
done
mkdir -p "$out/answer" "$out/talkoff" "$out/digits"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
manifest="$out/manifest.tsv"
: >"$manifest"
# Repeatable: sox seeds its noise and dither the same way every time.
sox() { command sox -R "$@"; }
line=(-r 8000 -b 16)
mono=("${line[@]}" -c 1)

# The installed voices of each engine, by their position in the list.
mapfile -t flite < <("$zavotel" tts --list-voices | awk '/Flite/ { print $1 }')
mapfile -t espeak < <("$zavotel" tts --list-voices | awk '/eSpeak NG English/ { print $1 }')
if [ ${#flite[@]} -eq 0 ] || [ ${#espeak[@]} -eq 0 ]; then
  echo "make_labelled_sets: both speech engines are needed" >&2
  exit 1
fi
# Voice n alternates between the engines.
voice() {
  local n="$1"
  if [ $((n % 2)) -eq 0 ]; then echo "${flite[$((n / 2 % ${#flite[@]}))]}"; else echo "${espeak[$((n / 2 % ${#espeak[@]}))]}"; fi
}

# say TEXT VOICE OUT [TEMPO]: line-rate speech at a peak of -3 dBFS.
say() {
  "$zavotel" tts "$1" "$work/raw.wav" --voice "$2" >/dev/null
  sox "$work/raw.wav" "${mono[@]}" "$3" tempo -s "${4:-1}" gain -n -3
}
# noise SECONDS VOLUME OUT: band-limited white noise, as a line hisses.
noise() { sox -n "${mono[@]}" "$3" synth "$1" whitenoise vol "$2" sinc 300-3400; }
# tone SECONDS OUT HZ... at a peak of -10 dBFS.
tone() {
  local seconds="$1" target="$2"
  shift 2
  local parts=()
  for hz in "$@"; do parts+=(sine "$hz"); done
  sox -n "${line[@]}" -c "$#" "$work/tone.wav" synth "$seconds" "${parts[@]}"
  sox "$work/tone.wav" -c 1 "$target" remix - gain -n -10
}
seconds() { soxi -D "$1"; }
add() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$manifest"; }

# --- answer detection ----------------------------------------------------------
levels=(0 -8 -16 -24)                # speech peaks at -3 to -27 dBFS
tempos=(1 0.85 1.15 0.95)
hiss=(0.002 0.006 0.0005 0.012)      # about -60, -50, -72 and -44 dBFS power

answers=("Hello?" "Yes, hello" "Smith speaking" "Hello" "Yes?" "Hi there" "Good morning" "Jones residence"
         "Hello, who's this?" "Speaking" "Yeah?" "Miller here" "Good afternoon" "Hello, Anna speaking" "Hi" "Yes, go ahead")
n=0
for round in 0 1 2; do
  for text in "${answers[@]}"; do
    v="$(voice $((n + round)))"
    say "$text" "$v" "$work/speech.wav" "${tempos[$((n % 4))]}"
    sox "$work/speech.wav" "$work/said.wav" gain "${levels[$(((n + round) % 4))]}" pad "0.$((3 + n % 6))" 0
    noise 12 "${hiss[$((n % 4))]}" "$work/hiss.wav"
    name="answer/person_$(printf %02d "$n").wav"
    sox -m -v 1 "$work/said.wav" -v 1 "$work/hiss.wav" "$out/$name"
    add answer person "$name" "$text (voice $v)"
    n=$((n + 1))
  done
done

sentences=("Hi, you've reached the Smith family." "Hello, this is Dave." "You have reached the office of Doctor Patel."
           "Thanks for calling Riverside Plumbing."
           "We can't come to the phone right now." "I'm away from my desk at the moment."
           "Our office is open Monday to Friday from nine to five."
           "If this is about an order, please have your order number ready."
           "Please leave your name, your number and a short message after the tone."
           "We'll get back to you as soon as we can." "Have a great day!"
           "For urgent matters, call my mobile instead." "Leave a message and I'll call you back."
           "Sorry we missed you.")
gaps=(0.3 0.6 1.0 1.4)
for n in $(seq 0 43); do
  v="$(voice "$n")"
  parts=()
  total=0
  count=$((2 + n % 6))
  for k in $(seq 0 $((count - 1))); do
    say "${sentences[$(((n * 3 + k * 5) % ${#sentences[@]}))]}" "$v" "$work/s$k.wav" "${tempos[$((n % 4))]}"
    sox "$work/s$k.wav" "$work/p$k.wav" pad 0 "${gaps[$(((n + k) % 4))]}"
    parts+=("$work/p$k.wav")
    total="$(seconds "$work/p$k.wav" | awk -v t="$total" '{ print t + $1 }')"
    # Greetings of 8 to 25 s: more sentences until 8 s, none past 23 s.
    if awk -v t="$total" -v k="$k" -v c="$count" 'BEGIN { exit !((k >= c - 1 && t >= 8) || t >= 23) }'; then break; fi
  done
  while awk -v t="$total" 'BEGIN { exit !(t < 8) }'; do
    parts+=("${parts[0]}")
    total="$(seconds "${parts[0]}" | awk -v t="$total" '{ print t + $1 }')"
  done
  beep=""
  if [ $((n % 3)) -ne 2 ]; then
    tone 0.5 "$work/beep.wav" $((1000 + 200 * (n % 3)))
    parts+=("$work/beep.wav")
    beep=", beep"
  fi
  sox "${parts[@]}" "$work/greeting.wav" gain "${levels[$((n % 4))]}" pad "0.$((2 + n % 7))" 0
  length="$(seconds "$work/greeting.wav")"
  noise "$(awk -v t="$length" 'BEGIN { print t + 10 }')" "${hiss[$(((n + 1) % 4))]}" "$work/hiss.wav"
  name="answer/machine_$(printf %02d "$n").wav"
  sox -m -v 1 "$work/greeting.wav" -v 1 "$work/hiss.wav" "$out/$name"
  add answer machine "$name" "$(printf '%.1f s greeting%s (voice %s)' "$length" "$beep" "$v")"
done

# No answer: 35 s, past the controller's 30 s time-out.
cadence() {  # cadence OUT ON OFF HZ HZ: a tone switched on and off over 35 s
  tone "$2" "$work/on.wav" "$4" "$5"
  sox "$work/on.wav" "$work/cycle.wav" pad 0 "$3"
  local cycles
  cycles="$(awk -v on="$2" -v off="$3" 'BEGIN { printf "%d", 35 / (on + off) }')"
  sox "$work/cycle.wav" "$work/tones.wav" repeat "$cycles"
  noise 35 0.001 "$work/hiss.wav"
  sox -m -v 1 "$work/tones.wav" -v 1 "$work/hiss.wav" "$1" trim 0 35
}
for n in 0 1 2 3; do
  name="answer/noanswer_silence_$n.wav"
  noise 35 "0.000$((n + 1))" "$out/$name"
  add answer noanswer "$name" "near silence"
  name="answer/noanswer_ringback_$n.wav"
  if [ $((n % 2)) -eq 0 ]; then cadence "$out/$name" 2 4 440 480; else cadence "$out/$name" 1 2 440 480; fi
  add answer noanswer "$name" "ringback 440+480 Hz"
  name="answer/noanswer_ringdouble_$n.wav"
  tone 0.4 "$work/r.wav" 400 450
  sox "$work/r.wav" "$work/double.wav" pad 0 0.2
  sox "$work/double.wav" "$work/r.wav" "$work/ring.wav"
  sox "$work/ring.wav" "$work/ringgap.wav" pad 0 2
  sox "$work/ringgap.wav" "$work/tones.wav" repeat 11
  noise 35 0.001 "$work/hiss.wav"
  sox -m -v 1 "$work/tones.wav" -v 1 "$work/hiss.wav" "$out/$name" trim 0 35
  add answer noanswer "$name" "ringback 400+450 Hz double ring"
  name="answer/noanswer_busy_$n.wav"
  cadence "$out/$name" 0.5 0.5 480 620
  add answer noanswer "$name" "busy 480+620 Hz"
  name="answer/noanswer_noise_$n.wav"
  noise 35 "${hiss[$n]}" "$out/$name"
  add answer noanswer "$name" "line noise"
done

# --- key detection --------------------------------------------------------------
# Speech: license texts of the system read paragraph by paragraph, the
# voices taking turns, until 30 minutes of each engine's mixture are spoken.
texts=(/usr/share/common-licenses/GPL-3 /usr/share/common-licenses/GPL-2 /usr/share/common-licenses/LGPL-2.1
       /usr/share/common-licenses/MPL-2.0 /usr/share/common-licenses/Apache-2.0)
awk 'BEGIN { RS = "" } { gsub(/[ \t\n]+/, " "); if (length($0) > 40) print }' "${texts[@]}" >"$work/paragraphs.txt"
spoken=0
chunk=0
n=0
pieces=()
while IFS= read -r paragraph && awk -v s="$spoken" 'BEGIN { exit !(s < 1860) }'; do
  say "$paragraph" "$(voice "$n")" "$work/para$n.wav" "${tempos[$((n % 4))]}"
  sox "$work/para$n.wav" "$work/para$n.lvl.wav" gain "${levels[$((n % 3))]}"
  pieces+=("$work/para$n.lvl.wav")
  spoken="$(seconds "$work/para$n.lvl.wav" | awk -v s="$spoken" '{ print s + $1 }')"
  n=$((n + 1))
  if [ ${#pieces[@]} -ge 12 ]; then
    name="talkoff/speech_$(printf %02d "$chunk").wav"
    sox "${pieces[@]}" "$out/$name"
    add talkoff speech "$name" -
    rm -f "${pieces[@]}"
    pieces=()
    chunk=$((chunk + 1))
  fi
done <"$work/paragraphs.txt"
if [ ${#pieces[@]} -gt 0 ]; then
  name="talkoff/speech_$(printf %02d "$chunk").wav"
  sox "${pieces[@]}" "$out/$name"
  add talkoff speech "$name" -
fi

# Music-like: plucked chords, organ chords, sweeps and a drum loop, 10 min.
notes=("C3 E3 G3 C4" "A2 C3 E3 A3" "F2 A2 C3 F3" "G2 B2 D3 G3" "D3 F#3 A3 D4" "E2 G#2 B2 E3")
for n in 0 1 2 3 4 5; do
  read -r -a chord <<<"${notes[$n]}"
  sox -n "${line[@]}" -c "${#chord[@]}" "$work/pluck.wav" synth 1.5 pluck "${chord[0]}" pluck "${chord[1]}" pluck "${chord[2]}" pluck "${chord[3]}"
  sox -n "${line[@]}" -c "${#chord[@]}" "$work/organ.wav" synth 1.5 square "${chord[0]}" sine "${chord[1]}" triangle "${chord[2]}" sawtooth "${chord[3]}"
  sox "$work/pluck.wav" -c 1 "$work/c$n.wav" remix - gain -n -6
  sox "$work/organ.wav" -c 1 "$work/o$n.wav" remix - lowpass 3000 gain -n -12 fade 0.05 1.5 0.2
done
sox "$work"/c{0..5}.wav "$work"/o{0..5}.wav "$work/chords.wav" repeat 16
name=talkoff/music_chords.wav
sox "$work/chords.wav" "$out/$name" trim 0 180
add talkoff music "$name" -
sox -n "${mono[@]}" "$work/up.wav" synth 20 sine 200-3600 gain -n -8
sox -n "${mono[@]}" "$work/down.wav" synth 13 square 3000-300 vol 0.5 lowpass 3400 gain -n -10
sox -n "${line[@]}" -c 2 "$work/wobble2.wav" synth 17 sine 600-1700 sine 900-1400
sox "$work/wobble2.wav" -c 1 "$work/wobble.wav" remix - gain -n -9
name=talkoff/music_sweeps.wav
sox "$work/up.wav" "$work/down.wav" "$work/wobble.wav" "$work/sweeps.wav" repeat 3
sox "$work/sweeps.wav" "$out/$name" trim 0 180
add talkoff music "$name" -
sox -n "${mono[@]}" "$work/kick.wav" synth 0.25 sine 120-40 fade 0 0.25 0.2 gain -n -4
sox -n "${mono[@]}" "$work/snare.wav" synth 0.25 whitenoise fade 0 0.25 0.22 gain -n -8
sox -n "${mono[@]}" "$work/hat.wav" synth 0.25 whitenoise vol 0.5 highpass 2500 fade 0 0.25 0.24 gain -n -16
sox "$work/kick.wav" "$work/hat.wav" "$work/snare.wav" "$work/hat.wav" "$work/kick.wav" "$work/kick.wav" \
    "$work/snare.wav" "$work/hat.wav" "$work/bar.wav"
sox "$work/bar.wav" "$work/drums.wav" repeat 119
sox -m -v 1 "$work/drums.wav" -v 0.6 "$work/chords.wav" "$work/band.wav" trim 0 240
name=talkoff/music_band.wav
sox "$work/band.wav" "$out/$name" gain -n -3
add talkoff music "$name" -

# Noise: 5 min each of white, pink and brown noise at telephone band.
for colour in whitenoise pinknoise brownnoise; do
  name="talkoff/noise_$colour.wav"
  sox -n "${mono[@]}" "$out/$name" synth 300 "$colour" vol 0.5 sinc 300-3400 gain -n -6
  add talkoff noise "$name" -
done

# Valid keys: each of the 16, 20 presses of 70 ms with 70 ms gaps, the row
# tone 2 dB below the column tone as telephones send them, over speech whose
# power is 10 dB below the tones'.
power_db() { sox "$1" -n stats 2>&1 | awk '/RMS lev dB/ { print $4 }'; }
keys=(1 2 3 A 4 5 6 B 7 8 9 C '*' 0 '#' D)
rows=(697 770 852 941)
columns=(1209 1336 1477 1633)
speech=()
for f in "$out"/talkoff/speech_*.wav; do
  if awk -v t="$(seconds "$f")" 'BEGIN { exit !(t >= 130) }'; then speech+=("$f"); fi
done
for k in $(seq 0 15); do
  key="${keys[$k]}"
  sox -n "${line[@]}" -c 2 "$work/pair.wav" synth 0.07 sine "${rows[$((k / 4))]}" sine "${columns[$((k % 4))]}"
  sox "$work/pair.wav" -c 1 "$work/press.wav" remix 1v0.3162 2v0.3981 pad 0 0.07
  sox "$work/press.wav" "$work/presses.wav" pad 0.5 0 repeat 19  # 12.8 s
  tone_db="$(sox "$work/press.wav" "$work/on.wav" trim 0 0.07 && power_db "$work/on.wav")"
  for s in 0 1 2 3; do
    source="${speech[$(((k + s * 5) % ${#speech[@]}))]}"
    sox "$source" "$work/under.wav" trim "$((5 + 3 * k + 20 * s))" 13
    gain="$(power_db "$work/under.wav" | awk -v t="$tone_db" '{ print t - 10 - $1 }')"
    name="digits/key_$(printf %02d "$k")_$s.wav"
    sox -m -v 1 "$work/presses.wav" -v 1 "|sox -R $work/under.wav -p gain $gain" "$out/$name"
    add digits "$key" "$name" 20
  done
done
echo "make_labelled_sets: $(wc -l <"$manifest") files in $out"

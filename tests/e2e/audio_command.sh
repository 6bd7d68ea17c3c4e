#!/usr/bin/env bash
# "zavotel audio info" and "zavotel audio convert" against files made and
# checked by sox: formats, lengths, sample data, and clean failures.
source "$(dirname "$(realpath "$0")")/common.sh"
field() { grep "^$1 " | sed "s/^$1 *//"; }
raw_equal() { cmp -s <(sox "$1" -t raw -) <(sox "$2" -t raw -); }

sox -n -r 44100 -c 2 -b 16 stereo.wav synth 2.5 sine 440 sine 660 gain -3
sox -n -r 8000 -c 1 -b 16 phone.wav synth 1.25 sine 300 gain -6
printf 'not a sound file' >text.wav


check "convert default" "$zavotel" audio convert stereo.wav default.wav

check "convert unchanged" "$zavotel" audio convert phone.wav copy.wav
check "unchanged samples" raw_equal phone.wav copy.wav
check "convert in place" "$zavotel" audio convert copy.wav copy.wav
check "in place samples" raw_equal phone.wav copy.wav
check "convert to 24-bit" "$zavotel" audio convert phone.wav wide.wav --format "PCM 24-bit"
check "24-bit samples" cmp -s <(sox phone.wav -t raw -b 16 -) <(sox -D wide.wav -t raw -b 16 -)
# 24- and 32-bit files stay deeper than 16 bits: every sample within 8 steps
# of 24-bit (the chain keeps 20 bits); a 16-bit path would be 128 steps off.
sox -D -n -r 8000 -c 1 -b 24 deep.wav synth 1 sine 300 sine 1234 gain -7
close_to_deep() {  # close_to_deep FILE BYTES: the last second against deep.wav
  python3 -c '
import sys
def samples(path, width):
    d = open(path, "rb").read()[-8000 * width:]
    return [int.from_bytes(d[i + width - 3:i + width], "little", signed=True) for i in range(0, len(d), width)]
sys.exit(max(abs(x - y) for x, y in zip(samples("deep.wav", 3), samples(sys.argv[1], int(sys.argv[2])))) > 8)' "$1" "$2"
}
check "convert 24-bit to 24-bit" "$zavotel" audio convert deep.wav deep24.wav --format 1,8000,1,24
check "24-bit precision kept" close_to_deep deep24.wav 3
check "convert 32-bit" "$zavotel" audio convert deep.wav deep32.wav --format "PCM 32-bit"
check "32-bit precision kept" close_to_deep deep32.wav 4

check "convert mu-law by name" "$zavotel" audio convert phone.wav ulaw.wav --format mu-law
check "convert A-law by tuple" "$zavotel" audio convert stereo.wav alaw.wav --format 6,16000,2,8
check "convert 8-bit" "$zavotel" audio convert phone.wav pcm8.wav --format "PCM 8-bit"
check "convert IMA ADPCM" "$zavotel" audio convert phone.wav ima.wav --format 0x11,8000,1,4

# A file still being written carries the streaming marker as its data size.
cp phone.wav growing.wav
printf '\xff\xff\xff\xff' | dd of=growing.wav bs=1 seek=40 conv=notrunc status=none

# What sox reads from the files written (FILE:FLAG=VALUE), and what
# "audio info" says of them (FILE|FIELD=VALUE).
for row in default.wav:r=8000 default.wav:c=1 default.wav:b=16 default.wav:s=20000 wide.wav:b=24 \
  deep32.wav:b=32 ulaw.wav:e=u-law alaw.wav:e=A-law alaw.wav:r=16000 alaw.wav:c=2 pcm8.wav:b=8 \
  "ima.wav:e=IMA ADPCM"; do
  f="${row%%:*}" field="${row#*:}"
  check "$f ${field%%=*}" test "$(sox --i "-${field%%=*}" "$f")" = "${field#*=}"
done
for row in "stereo.wav|format=PCM 16-bit" "stereo.wav|tag=1 (0x0001)" "stereo.wav|rate=44100 Hz" \
  "stereo.wav|channels=2" "stereo.wav|bits=16" "stereo.wav|length=110250 frames, 0:00:02.500" \
  "stereo.wav|streaming=no" "ulaw.wav|tag=7 (0x0007)" "ulaw.wav|length=10000 frames, 0:00:01.250" \
  "growing.wav|streaming=yes" "growing.wav|length=10000 frames, 0:00:01.250"; do
  f="${row%%|*}" field="${row#*|}"
  check "$f info ${field%%=*}" test "$("$zavotel" audio info "$f" | field "${field%%=*}")" = "${field#*=}"
done

err="$("$zavotel" audio info text.wav 2>&1 >/dev/null)"
check "text file refused" test $? -ne 0
check "text file message" test "$(tail -n 1 <<<"$err")" = "zavotel: text.wav: not a WAVE file this system can read"
sox -n -r 8000 -c 1 -e floating-point -b 32 float.wav synth 0.1 sine 440
err="$("$zavotel" audio convert float.wav out.wav 2>&1 >/dev/null)"
check "undecodable format named" test "$(tail -n 1 <<<"$err")" = \
  "zavotel: float.wav: WAVE format unknown (tag 0x0003) cannot be decoded here"
check "missing input refused" test "$("$zavotel" audio convert none.wav out.wav >/dev/null 2>&1; echo $?)" -ne 0
check "no output for missing input" test ! -e out.wav
check "unknown format refused" test "$("$zavotel" audio convert phone.wav out.wav --format 99,8000,1,16 >/dev/null 2>&1; echo $?)" -ne 0
check "no output for unknown format" test ! -e out.wav
check "usage error" test "$("$zavotel" audio convert phone.wav >/dev/null 2>&1; echo $?)" -eq 2
check "no part files left" test -z "$(find . -name '*.part*')"

summary "audio_command"

#!/usr/bin/env bash
# "zavotel tts": the voice list, speaking into WAVE files checked by sox, an
# empty text, and clean failures that leave no files behind.
source "$(dirname "$(realpath "$0")")/common.sh"

voices="$("$zavotel" tts --list-voices)"
check "list first voice" grep -q '^  0  Flite slt (US English, female)$' <<<"$voices"
check "list espeak" grep -q 'eSpeak NG English (America) (en-us)$' <<<"$voices"
espeak="$(grep 'eSpeak NG English (America) (en-us)$' <<<"$voices" | awk '{print $1}')"

check "speak default voice" "$zavotel" tts "Hello, this is a test." hello.wav
check "speak espeak" "$zavotel" tts "Hello there" espeak.wav --voice "$espeak"
check "empty text" "$zavotel" tts "" empty.wav
for row in hello.wav=r=16000 hello.wav=c=1 hello.wav=b=16 espeak.wav=r=22050 empty.wav=s=0; do
  f="${row%%=*}" field="${row#*=}"
  check "$f ${field%=*}" test "$(sox --i "-${field%=*}" "$f")" = "${field#*=}"
done
check "speech length" test "$(sox --i -s hello.wav)" -gt 16000

check "markup text" "$zavotel" tts "<speak>[[x]] & \"quotes\" ....................!!!!" markup.wav
check "markup length" test "$(sox --i -s markup.wav)" -gt 0

check "unknown voice" fails_with 2 "$zavotel" tts "Hello" bad.wav --voice 100000
check "voice not a number" fails_with 2 "$zavotel" tts "Hello" bad.wav --voice two
check "missing output" fails_with 2 "$zavotel" tts "Hello"
check "unknown option" fails_with 2 "$zavotel" tts "Hello" bad.wav --speed 2
check "no file on failure" test ! -e bad.wav
check "unwritable output" fails_with 1 "$zavotel" tts "Hello" missing/dir/out.wav
check "nothing left over" test -z "$(ls -A | grep -v -e '^hello.wav$' -e '^espeak.wav$' -e '^empty.wav$' -e '^markup.wav$')"

summary "tts_command"

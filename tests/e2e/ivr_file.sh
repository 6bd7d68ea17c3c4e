#!/usr/bin/env bash
# IVR program files end to end: a program saved from one data folder and
# loaded into a fresh one answers a scripted call the same way (what each
# file holds after the load is IvrSave_test's); a hostile file is refused
# with nothing written; a new program empties the OGMs.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
fresh="$tmp/fresh"
ivr() { "$zavotel" ivr "$@"; }
# steps FILE: the call's log lines without times, call numbers and data folder.
steps() {
  grep -E '^[0-9]+:[0-9]+ ' "$1" |
    sed -E 's/^[0-9:]+ //; s/call number \[[0-9]+\]//; s#[^ ]*/(OGMs|System Prompts|MailBoxes)/#\1/#g'
}
# files: every file's checksum but the settings, where a load notes its file.
files() { find "$tmp" -type f ! -name settings.ini -print0 | sort -z | xargs -0 md5sum; }
call() { "$zavotel" simulate --data "$1" --keys 1@1,2@2 --hangup-after 4 2>/dev/null; }

# The program: a greeting whose key 1 opens a menu whose key 2 hangs up.
make_data
tone_ogm "Default Answering Message" 0.5 440 wait=5 press1=go "press1go=Sales Menu"
tone_ogm "Sales Menu" 0.5 660 wait=5 press2=hangup

check "save" ivr save --data "$data" prog.ivr >save.txt
has save.txt "Saved $tmp/prog.ivr"
ivr info prog.ivr >info.txt
has info.txt "file      OGMs            Sales Menu.wav" "keep      OGMs            \"Default Answering Message\" \"Sales Menu\"" "^end"

check "load into a fresh data folder" ivr load --data "$fresh" prog.ivr >load.txt
has load.txt "Loaded $tmp/prog.ivr"
call "$data" >first.txt
call "$fresh" >second.txt
steps first.txt >first-steps.txt
steps second.txt >second-steps.txt
has first-steps.txt "Caller pressed key \[1\]" "Open OGM: Sales Menu"
check "the same call on both" cmp first-steps.txt second-steps.txt

# A record whose name climbs out of its folder: refused, nothing written.
# (header, tag 0, name, size 6, "[ivr]\n", checksum 0xFFFFFFFF + 531, an empty OGM keep-list, end)
printf '\xdc\xfe\0\0\0\x0d../escape.ini\x06\0\0\0[ivr]\n\x12\x02\0\0\x10\0\0\xff' >hostile.ivr
before="$(files)"
check "hostile file refused" fails_with 1 ivr load --data "$fresh" hostile.ivr
check "nothing written" test "$before" = "$(files)"
ivr load --data "$fresh" hostile.ivr 2>hostile.txt
has hostile.txt "File checksum error"

# A new program: refused without a terminal unless confirmed.
check "new needs --yes" fails_with 1 ivr new --data "$fresh" </dev/null
check "new" ivr new --data "$fresh" --yes >/dev/null
check "OGMs gone" test -z "$(ls "$fresh/OGMs")"

summary ivr_file first.txt second.txt

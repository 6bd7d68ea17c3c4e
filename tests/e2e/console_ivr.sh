#!/usr/bin/env bash
# The console's IVR program commands against a running engine: a program
# saved through the console downloads as the file kept; New empties the
# OGMs and the notes and the lines come back; the file sent back loads, its
# notes wait to be shown once; a body over its route's limit, or without a
# length, is refused before it is sent.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

menu_engine
console="$(grep -o 'http://127.0.0.1:[0-9]*' engine.txt | head -1)"
jar="$tmp/cookies"
token="$(curl -s -c "$jar" "$console/api/session" | sed -E 's/.*"token":"([0-9a-f]+)".*/\1/')"
api() { curl -s -b "$jar" -H "X-Console-Token: $token" "$@"; }  # api [CURL ARGS...] URL
system_log() { cat "$data"/Logs/*System\ Log.txt; }
lines_ready() { test "$(system_log | grep -c "line(s) ready")" = "$1"; }

printf 'Call Bob first.\n' >"$data/notes.txt"
api -o saved.json -H 'Content-Type: application/json' -d '{"name":"Shop.ivr","notesPopup":true}' "$console/api/ivr/save"
has saved.json '"download":"/api/ivr/download?name=Shop.ivr"'
check "download" api -f -o shop.ivr "$console/api/ivr/download?name=Shop.ivr"
check "it is the file kept" cmp shop.ivr "$data/IVR Programs/Shop.ivr"

check "new" api -f -o new.json -d '' "$console/api/ivr/new"
check "the OGMs are gone" test -z "$(ls "$data/OGMs")"
check "the notes too" test ! -e "$data/notes.txt"
check "the lines come back" wait_for 50 lines_ready 2

check "load" api -f -o load.json -H 'Content-Type: application/octet-stream' --data-binary @shop.ivr \
  "$console/api/ivr/load?name=Back.ivr"
has load.json '"loading":true'
check "the engine loads it" wait_for 100 eval 'system_log | grep -q "IVR program loaded"'
check "the OGMs are back" cmp "$data/OGMs/Sales Menu.ini" <(printf '[ivr]\nwait=10\npress2=hangup\n')
check "the lines come back again" wait_for 50 lines_ready 3
api "$console/api/ivr" >ivr.json
has ivr.json '"file":"Back.ivr"' '"notes":true' '"showNotes":true'
api -d '' "$console/api/ivr/notes-shown" >shown.json
has shown.json '"showNotes":false'

# Refused on the headers alone: no body follows, and none is waited for.
refused() {  # refused STATUS PATH HEADER
  test "$(api -o /dev/null -w '%{http_code}' -m 5 -X POST -H "$3" "$console$2")" = "$1"
}
check "an oversized command" refused 413 /api/answering "Content-Length: 70000"
check "an oversized upload" refused 413 "/api/ivr/load?name=Big.ivr" "Content-Length: 300000000"
check "a body without a length" refused 411 "/api/ivr/load?name=Big.ivr" "Transfer-Encoding: chunked"

check "the engine stops" stop_engine
summary console_ivr engine.txt engine-err.txt

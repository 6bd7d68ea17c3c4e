# Shared by the SIP end-to-end scripts and the SIP load benchmark: an engine
# on a temporary data folder, its OGMs and device. It brings in common.sh
# unless the sourcing script already has.
e2e_dir="$(dirname "$(realpath "${BASH_SOURCE[0]}")")"
declare -F check >/dev/null || source "$e2e_dir/common.sh"

pid=""
call="$data/Logs/Most Recent Call Line 1.txt"  # the first line's most recent call
# Engines under test keep their control socket in their data folder.
unset XDG_RUNTIME_DIR

simulate() { "$zavotel" --data "$data" simulate "$@"; }  # simulate ARGS: a simulated call on `data`
ctl() { "$zavotel" --data "$data" ctl "$@"; }  # ctl COMMAND [ARG]: to the engine on `data`

# make_data: the factory data folder, answering at the first ring.
make_data() {
  simulate --hangup-after 0.1 >/dev/null 2>&1
  sed -i 's/^nrings=.*/nrings=1/' "$data/settings.ini"
}

# tone_ogm NAME SECONDS HZ INI-LINES...: an OGM that is a tone, and its settings.
tone_ogm() {
  local name="$1" seconds="$2" hz="$3"; shift 3
  sox -n -r 8000 -c 1 -b 16 "$data/OGMs/$name.wav" synth "$seconds" sine "$hz" gain -6
  printf '%s\n' '[ivr]' "$@" >"$data/OGMs/$name.ini"
}

# message_ogm [MAILBOX]: the answering OGM, a short tone, takes every caller
# to MAILBOX (Default unless given) for a message.
message_ogm() {
  tone_ogm "Default Answering Message" 0.5 440 wait=1 playcomplete=mailbox "playcompletembx=${1:-Default}" \
    playcompletembxmessage=false
}

# direct_device [PORT]: device 0 accepts calls on 127.0.0.1:PORT (a free
# port unless given), which is `port`.
direct_device() {
  port="${1:-$(free_port)}"
  printf '\n[sipdevice0]\nname=Test SIP\nmode=direct\nlocaladdress=127.0.0.1:%s\n' "$port" >>"$data/settings.ini"
}

# start_engine [ARGS...]: runs the engine in the background (`pid`; output in
# engine.txt and engine-err.txt) and waits until its lines answer (up to two
# minutes: a first start renders the prompts, slowly while the suite's other
# engines start too). Without arguments it runs on `data`, unless
# ZAVOTEL_DATA names the folder.
start_engine() { launch_engine "$@" && wait_for 1200 grep -q "Answering on sip:" engine.txt; }
launch_engine() {  # launch_engine [ARGS...]: start_engine without the wait
  [ "$#" -gt 0 ] || [ -n "${ZAVOTEL_DATA:-}" ] || set -- --data "$data"
  : >engine.txt  # emptied first: a restart's wait could read the last run's lines before the start emptied it
  "$zavotel" "$@" >engine.txt 2>engine-err.txt &
  pid=$!
  stop_at_exit "$pid"
}

# stop_engine: SIGTERM, and whether the engine exited with 0 (else its status is printed).
stop_engine() {
  kill -TERM "$pid"
  wait "$pid" && return
  local status=$?
  echo "(the engine exited with status $status)"
  return "$status"
}

# pings: whether ctl reaches an engine on `data` and it answers.
pings() { test "$(ctl ping)" = 1; }

# menu_data [SECONDS HZ INI-LINES...]: a data folder answering on `port`
# with a greeting (a tone, 0.5 s of 440 Hz unless given) that takes key 1 to
# a menu where key 2 hangs up; the mailbox Sales exists.
menu_data() {
  make_data
  tone_ogm "Default Answering Message" "${1:-0.5}" "${2:-440}" wait=10 press1=go "press1go=Sales Menu" "${@:3}"
  tone_ogm "Sales Menu" 0.5 660 wait=10 press2=hangup
  printf '[mbx]\n' >"$data/MailBoxes/Sales.mbx"
  direct_device
}
# menu_engine [SECONDS HZ INI-LINES...]: menu_data, and the engine started on it.
menu_engine() {
  menu_data "$@"
  start_engine
  check "engine answers on the configured port" grep -q "Answering on sip:127.0.0.1:$port" engine.txt
}

# sipp_run SECONDS SCENARIO ARGS...: SIPp runs SCENARIO (from
# tests/support/sipp_scenarios.py), at most SECONDS.
sipp_run() {
  python3 "$support/sipp_scenarios.py" "$2" . &&
    timeout "$1" sipp -sf "$2.xml" "${@:3}" -nostdin -trace_err
}

# call_log: the day's call and system logs.
call_log() { cat "$data"/Logs/*Call\ Log.txt "$data"/Logs/*System\ Log.txt 2>/dev/null; }
logged() { cat "$data"/Logs/*System\ Log.txt 2>/dev/null | grep -c -- "$1"; }  # logged PATTERN: lines in the system log
seen() { test "$(logged "$1")" -ge "${2:-1}"; }  # seen PATTERN [N]: in the system log at least N (1) times

# take_message MAILBOX [FOLDER]: the mailbox's first message (in FOLDER, the
# mailbox folder unless given) as `message`, and a check that there is one.
take_message() {
  message="$(ls "${2:-$data/MailBoxes}/$1 ICM"*.wav 2>/dev/null | head -1)"
  check "a message in $1" test -n "$message"
}

# mail_settings SMTP-PORT: e-mail goes out through a mail server on the port.
mail_settings() {
  printf '\n[email]\nusemapi=false\nmailhost=127.0.0.1:%s\nfromemail=zavotel@example.com\nsmtpsecurity=none\n' \
    "$1" >>"$data/settings.ini"
}
# serve_mail PORT [OPTIONS...]: a mail server on the port storing each message
# into mail/ (N.eml, its parts decoded as N.partI; see
# tests/support/smtp_server.py for the options);
# serve_ftp PORT: an FTP server on the port taking uploads into ftproot.
serve_mail() { mkdir -p mail && serve "$1" smtp.txt "$support/smtp_server.py" --port "$1" --folder mail "${@:2}"; }
serve_ftp() { mkdir -p ftproot && serve "$1" ftp.txt -m pyftpdlib -i 127.0.0.1 -p "$1" -w -d ftproot; }

# rms FILE [SOX EFFECTS...]: the RMS amplitude of FILE after the effects.
rms() { sox "$1" -n "${@:2}" stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }
# mostly_in_band FILE LOW-HIGH [SOX EFFECTS...]: FILE after the effects is
# not silent, and most of its sound lies within LOW-HIGH Hz.
mostly_in_band() {
  local all band
  all="$(rms "$1" "${@:3}")"
  band="$(rms "$1" "${@:3}" sinc "$2")"
  above "${all:-0}" 0.05 && above "${band:-0}" "$(awk -v a="$all" 'BEGIN { print a * 0.8 }')"
}

# baresip_config DIR PORT SOURCE [LINES...]: baresip's configuration in DIR
# (an absolute path): on 127.0.0.1:PORT, speaking the WAVE file SOURCE,
# hearing into nothing, recording every call into DIR/rec, and LINES besides.
baresip_config() {
  mkdir -p "$1/rec"
  printf '%s\n' "module_path /usr/lib/baresip/modules" "sip_listen 127.0.0.1:$2" \
    "audio_player aufile,/dev/null" "audio_alert aufile,/dev/null" "audio_source aufile,$3" \
    "ausrc_srate 8000" "auplay_srate 8000" "ausrc_channels 1" "auplay_channels 1" \
    "module g711.so" "module aufile.so" "module sndfile.so" "module_tmp account.so" \
    "snd_path $1/rec" "${@:4}" >"$1/config"
}

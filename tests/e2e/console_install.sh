#!/usr/bin/env bash
# The console of an installed engine: `cmake --install` puts its pages beside
# it, where it serves them. Without them, with a password typed into
# settings.ini by hand, or with no console at all (the network without a
# password) the engine says so on stderr and in the system log.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
build="$(dirname "$(dirname "$zavotel")")"
pages="$tmp/usr/share/zavotel/console"
check "the engine and its pages install" cmake --install "$build" --prefix "$tmp/usr" >install.txt
zavotel="$tmp/usr/bin/zavotel"
in_system_log() { cat "$data"/Logs/*System\ Log.txt | grep -qF -- "$1"; }
said() {  # said TEXT...: each TEXT is on stderr and in the system log
  local text
  for text; do check "stderr: $text" grep -qF -- "$text" engine-err.txt; check "log: $text" in_system_log "$text"; done
}

make_data
direct_device
printf '\n[console]\nport=%s\n' "$(free_port tcp)" >>"$data/settings.ini"
check "the installed engine starts" start_engine
url="$(sed -n 's/^Console at //p' engine.txt)"
check "it serves its pages" bash -c "curl -sf '$url' | grep -q '<title>Zavotel</title>'"
check "it says nothing about them" lacks "console" engine-err.txt
check "engine stopped cleanly" stop_engine

rm "$pages/index.html"
sed -i 's/^\[console\]$/[console]\npassword=secret1/' "$data/settings.ini"
check "the engine starts without the pages" start_engine
said "no index.html in $pages" "cmake --install <build folder> --prefix $tmp/usr" \
  "the console password in settings.ini is not set by zavotel"
check "engine stopped cleanly" stop_engine

sed -i 's/^password=secret1$/address=0.0.0.0/' "$data/settings.ini"
check "the engine starts without a console" start_engine
said "no web console: the console listens on 0.0.0.0 only with a password"
check "engine stopped cleanly" stop_engine
summary console_install engine-err.txt

#!/usr/bin/env bash
# "zavotel mail test": a test e-mail through loopback mail servers (clear, and
# STARTTLS with AUTH from the settings keys) and through a fake system mailer.
source "$(dirname "$(realpath "$0")")/common.sh"

start_server() {  # start_server NAME OPTIONS...: a server on a free port (`port`) storing into NAME/
  port="$(free_port tcp)" && mkdir -p "$1"
  serve "$port" "$1.log" "$support/smtp_server.py" --port "$port" --folder "$@"
}
send() {  # send NAME [KEY=VALUE...]: "zavotel mail test" with these [email] settings into NAME.out
  local name="$1"; shift
  mkdir -p "$data" && printf '[email]\n' >"$data/settings.ini" && printf '%s\n' "$@" >>"$data/settings.ini"
  "$zavotel" mail test someone@example.com --data "$data" >"$name.out" 2>&1
}

start_server clear --mode plain
check "clear sent" send clear usemapi=false "mailhost=127.0.0.1:$port" fromemail=zav@example.com
check "clear last line" test "$(tail -1 clear.out)" = sent
has clear.out "S: 220 mail.test" "C: HELO " "C: RCPT TO:<someone@example.com>" "S: 250 2.0.0 Message accepted"
has clear/0.eml "To: someone@example.com" "Subject: Zavotel test message"
has clear/0.json '"from": "zav@example.com"'

start_server secure --mode starttls --auth bob:pa:ss
check "secure sent" send secure usemapi=false "mailhost=127.0.0.1:$port" smtpuser=bob smtppassword=pa:ss smtpverify=false
has secure.out "C: STARTTLS" "TLS TLSv1" "C: AUTH PLAIN (credentials)" "S: 235 "
check "no password shown" lacks "pa:ss" secure.out
has secure/auth.log "PLAIN bob tls=True ok=True"

printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/mailer.args"\ncat > "%s/mailer.input"\n' "$tmp" "$tmp" >fake-sendmail
chmod +x fake-sendmail
check "mailer sent" send mailer "sendmail=$tmp/fake-sendmail"
has mailer.out "run $tmp/fake-sendmail -t -oi" "^sent$"
has mailer.input "^To: someone@example.com$"
check "no mailer" fails_with 1 send none "sendmail=$tmp/no-such-mailer"
check "usage" fails_with 2 "$zavotel" mail test

summary "mail_smtp" clear.out secure.out mailer.out clear.log secure.log

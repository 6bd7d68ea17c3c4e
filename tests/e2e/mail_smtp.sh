#!/usr/bin/env bash
# "zavotel mail test": a test e-mail through loopback mail servers (clear,
# STARTTLS with AUTH, a refused certificate) and through a fake system mailer.
support="$(dirname "$(realpath "$0")")/../support"
source "$(dirname "$(realpath "$0")")/common.sh"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=mail.test \
  -keyout key.pem -out cert.pem >/dev/null 2>&1
start_server() {  # start_server NAME OPTIONS...: a server storing into NAME/, its port in $port
  local name="$1"; shift
  mkdir -p "$name"
  /usr/bin/python3 "$support/smtp_server.py" --folder "$name" --cert cert.pem --key key.pem "$@" \
    >"$name.port" 2>"$name.log" &
  stop_at_exit $!
  wait_for 100 grep -q PORT "$name.port"
  port="$(awk '{print $2}' "$name.port")"
}
settings() {  # settings LINE...: the [email] section of the data folder's settings
  mkdir -p "$data"
  printf '[email]\n' >"$data/settings.ini"
  printf '%s\n' "$@" >>"$data/settings.ini"
}

start_server clear --mode plain
settings usemapi=false "mailhost=127.0.0.1:$port" fromemail=zav@example.com
"$zavotel" mail test someone@example.com --data "$data" >clear.out 2>&1
check "clear sent" test $? -eq 0
check "clear last line" test "$(tail -1 clear.out)" = sent
has clear.out "S: 220 mail.test" "C: HELO " "C: RCPT TO:<someone@example.com>" "S: 250 2.0.0 Message accepted"
has clear/0.eml "To: someone@example.com" "Subject: Zavotel test message" "X-Mailer: Zavotel"
has clear/0.json '"from": "zav@example.com"' '"to": \["someone@example.com"\]'

start_server secure --mode starttls --auth bob:pa:ss
settings usemapi=false "mailhost=127.0.0.1:$port" smtpuser=bob smtppassword=pa:ss smtpverify=false
"$zavotel" mail test someone@example.com --data "$data" >secure.out 2>&1
check "secure sent" test $? -eq 0
has secure.out "C: STARTTLS" "TLS TLSv1" "C: AUTH PLAIN (credentials)" "S: 235 "
check "no password shown" lacks "pa:ss" secure.out
has secure/auth.log "PLAIN bob tls=True ok=True"

settings usemapi=false "mailhost=127.0.0.1:$port:bob:pa:ss"
check "certificate refused" fails_with 1 "$zavotel" mail test someone@example.com --data "$data"
"$zavotel" mail test someone@example.com --data "$data" >refused.out 2>&1
check "refusal says why" grep -q "^Unable to start a secure connection to the mail server (certificate not accepted" refused.out

cat >fake-sendmail <<SCRIPT
#!/bin/sh
printf '%s\n' "\$@" > "$tmp/mailer.args"
cat > "$tmp/mailer.input"
SCRIPT
chmod +x fake-sendmail
settings "sendmail=$tmp/fake-sendmail" fromemail=zav@example.com
"$zavotel" mail test someone@example.com --data "$data" >mailer.out 2>&1
check "mailer sent" test $? -eq 0
has mailer.out "run $tmp/fake-sendmail -t -oi" "exit: exit status 0" "^sent$"
has mailer.input "^To: someone@example.com$" "^This is a test message from Zavotel.$"

settings "sendmail=$tmp/no-such-mailer"
check "no mailer" fails_with 1 "$zavotel" mail test someone@example.com --data "$data"
check "usage" fails_with 2 "$zavotel" mail test
check "unknown subcommand" fails_with 2 "$zavotel" mail send someone@example.com

summary "mail_smtp" clear.out secure.out refused.out mailer.out clear.log secure.log

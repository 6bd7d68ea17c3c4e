#!/usr/bin/env bash
# The engine as a service: --install writes a unit that systemd-analyze
# accepts, its .wants link and the log-on entry, into a temporary root (and a
# user's configuration folder); files not written by zavotel are never
# replaced or removed; --uninstall takes ours away. --service tells the
# service manager when it is ready and when it stops; where a user service
# manager runs, systemd-run starts the engine as a unit.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
root="$tmp/root"
unit="$root/etc/systemd/system/zavotel.service"
link="$root/etc/systemd/system/multi-user.target.wants/zavotel.service"
desktop="$root/etc/xdg/autostart/zavotel.desktop"
[ "$(id -u)" -eq 0 ] || echo "system-wide install: skipped (not root)"

if [ "$(id -u)" -eq 0 ]; then
  check "install into a root" "$zavotel" --install --root "$root" >install.txt
  has "$unit" "^ExecStart=$zavotel --service$"
  check "enabled for boot" test "$(readlink "$link")" = /etc/systemd/system/zavotel.service
  has "$desktop" "^Exec=$zavotel --logon --data /var/lib/zavotel$"
  if command -v systemd-analyze >/dev/null; then
    systemd-analyze verify "$unit" >verify.txt 2>&1
    check "systemd-analyze accepts the unit" test $? -eq 0
    check "without a complaint" test ! -s verify.txt
  else
    echo "systemd-analyze verify: skipped (not installed)"
  fi
  check "a second install changes nothing" "$zavotel" --install --root "$root" >again.txt
  has again.txt "unchanged $unit"
  check "uninstall" "$zavotel" --uninstall --root "$root" >uninstall.txt
  check "everything removed" bash -c "test ! -e '$unit' -a ! -L '$link' -a ! -e '$desktop'"
  mkdir -p "$(dirname "$unit")"; printf '[Service]\nExecStart=/bin/true\n' >"$unit"
  check "someone else's unit is not replaced" fails_with 1 "$zavotel" --install --root "$root"
  check "nor anything written beside it" test ! -e "$desktop"
  check "nor removed" bash -c "'$zavotel' --uninstall --root '$root' >/dev/null 2>&1; test -e '$unit'"
fi

# A user installation, in the user's configuration folder.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config"
check "user install" "$zavotel" --data "$data" --install --user >user.txt
user_unit="$XDG_CONFIG_HOME/systemd/user/zavotel.service"
has "$user_unit" "^ExecStart=$zavotel --service --data $data$"
check "enabled for log-on" test -L "$XDG_CONFIG_HOME/systemd/user/default.target.wants/zavotel.service"
check "bad install arguments" fails_with 2 "$zavotel" --install --bogus
check "user uninstall" "$zavotel" --uninstall --user >uninstall.txt
check "user files removed" test ! -e "$user_unit"

# --service: READY=1 once answering, STOPPING=1 on SIGTERM, exit 0.
make_data
direct_device
python3 - "$tmp/notify" >notify.txt <<'PY' &
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(sys.argv[1]); s.settimeout(120)
while True:
    message = s.recv(4096).decode()
    print(message.replace("\n", " "), flush=True)
    if "STOPPING=1" in message: break
PY
listener=$!
stop_at_exit "$listener"
wait_for 50 test -S "$tmp/notify"
NOTIFY_SOCKET="$tmp/notify" check "service starts" start_engine --data "$data" --service
check "ready reported" wait_for 50 grep -q "READY=1 STATUS=answering calls on $data" notify.txt
check "service stops cleanly" stop_engine
check "stopping reported" wait_for 50 grep -q "STOPPING=1" notify.txt

if systemctl --user is-system-running 2>/dev/null | grep -qE '^(running|degraded)$'; then
  name="zavotel-test-$$"
  check "systemd-run starts the engine" systemd-run --user --quiet --unit="$name" -p Type=notify \
    "$zavotel" --service --data "$data"
  check "ctl reaches the unit's engine" pings
  systemctl --user stop "$name"
  check "the unit stopped it in order" wait_for 100 grep -q "Zavotel Exit" "$data"/Logs/*Call\ Log.txt
else
  echo "systemd-run --user: skipped (no user service manager)"
fi
summary engine_service engine-err.txt notify.txt verify.txt

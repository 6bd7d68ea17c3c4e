#!/usr/bin/env bash
# A full disk during a message: the mailbox folder is a 32 KiB file system (a
# tmpfs in a private mount namespace, so it needs root and unshare; skipped
# without them). The system log warns of low space before the recording and
# says the disk is full, with the folder; the audio that fitted is kept as a
# message however short, and the call log does not call it too short.
source "$(dirname "$(realpath "$0")")/sip_support.sh"
if [ "$(id -u)" -ne 0 ] || ! unshare -m true 2>/dev/null; then
  echo "disk_full: skipped: a small tmpfs needs root and unshare -m"
  exit 77
fi

make_data
message_ogm
sox -n -r 8000 -c 1 -b 16 voice.wav synth 20 sine 300 gain -10
box="$data/MailBoxes"
# The call runs with the small file system over the mailbox folder; what it
# left there is copied out before the namespace and its mount go.
mkdir after
unshare -m --propagation private bash -c '
  cp -a "$1/." saved && mount -t tmpfs -o size=32k,mode=0700 tmpfs "$1" && cp -a saved/. "$1" &&
  "$2" --data "$3" simulate --caller-audio voice.wav --hangup-after 8 >call.txt 2>&1
  cp -a "$1/." after' _ "$box" "$zavotel" "$data"

take_message Default after
check "its record kept" test -e "${message%.wav}.ini"
seconds="$(duration "$message")"
check "what fitted is kept ($seconds s)" above "$seconds" 0.5
check "short, and the header final (not hours)" above 2.5 "$seconds"
cat "$data"/Logs/*System\ Log.txt >log.txt
has log.txt "Low disk space: 0 MB free in $box" "Recording stopped because the disk is full: $box"
check "not reported as too short" lacks "too short" log.txt

summary disk_full call.txt

#!/usr/bin/env bash
# Hostile and malformed SIP against the engine's port: random datagrams,
# garbled and huge messages, an unknown method, a BYE outside any dialog and
# a storm of 50 INVITEs. The engine answers what deserves an answer, and
# afterwards a normal call from SIPp runs its whole course: a key by SIP INFO
# at once is taken (no tone of ours can be mistaken for it), a key by RFC 4733
# takes the caller to another OGM, a key by SIP INFO hangs up (the engine
# sends BYE). SIGTERM stops the engine in order.
source "$(dirname "$(realpath "$0")")/sip_support.sh"

menu_engine

# Datagrams: prints one line per request that must be answered, with the
# status code that came back (or "none").
python3 - "$port" >replies.txt <<'PY'
import random, socket, sys
port = int(sys.argv[1])
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
me = "127.0.0.1:%d" % s.getsockname()[1]
target = ("127.0.0.1", port)
rng = random.Random(4733)

def request(method, call_id, extra="", body=""):
    return ("%s sip:100@127.0.0.1:%d SIP/2.0\r\nVia: SIP/2.0/UDP %s;branch=z9hG4bK%s\r\n"
            "From: <sip:evil@%s>;tag=e%s\r\nTo: <sip:100@127.0.0.1>\r\nCall-ID: %s\r\n"
            "CSeq: 1 %s\r\nMax-Forwards: 70\r\n%sContent-Length: %d\r\n\r\n%s"
            % (method, port, me, call_id, me, call_id, call_id, method, extra, len(body), body))

def reply_code(call_id, wait=10.0):  # a busy machine may take a while over the noise before
    s.settimeout(wait)
    try:
        while True:
            text = s.recv(70000).decode("latin-1")
            if ("Call-ID: " + call_id) in text or ("i: " + call_id) in text:
                return text.split(" ", 2)[1]
    except socket.timeout:
        return "none"

for _ in range(300):  # noise
    s.sendto(bytes(rng.randrange(256) for _ in range(rng.randrange(1, 1400))), target)
for n in range(100):  # plausible starts, garbled bodies
    text = request(rng.choice(["INVITE", "BYE", "OPTIONS", "ACK", "CANCEL"]), "g%d" % n)
    cut = rng.randrange(len(text))
    s.sendto((text[:cut] + "".join(chr(rng.randrange(32, 127)) for _ in range(40))).encode(), target)
s.sendto(request("INVITE", "cl1", body="v=0\r\n").replace("Content-Length: 5", "Content-Length: 999").encode(), target)
s.sendto(request("INVITE", "cl2").replace("Content-Length: 0", "Content-Length: -7").encode(), target)
s.sendto(request("OPTIONS", "huge", "X-Filler: " + "a" * 60000 + "\r\n").encode(), target)
s.sendto(request("OPTIONS", "vias", "".join("Via: SIP/2.0/UDP 10.0.0.%d:5060;branch=z9hG4bKv%d\r\n"
                                             % (i % 250, i) for i in range(1000))).encode(), target)
s.sendto(request("INVITE", "badsdp", "Content-Type: application/sdp\r\n",
                 "v=0\r\nm=audio 99999999 RTP/AVP 250 251\r\nc=IN IP4 999.1.1.1\r\n").encode(), target)
reply_code("drain", 1.0)
print("unknown-method", reply_code("x") if s.sendto(request("FROBNICATE", "x").encode(), target) else "")
print("stray-bye", reply_code("y") if s.sendto(request("BYE", "y").encode(), target) else "")
print("options", reply_code("z") if s.sendto(request("OPTIONS", "z").encode(), target) else "")
PY
check "unknown method refused" grep -Eq '^unknown-method (405|501)$' replies.txt
check "BYE outside a dialog refused" grep -Eq '^stray-bye 481$' replies.txt
check "still answers requests" grep -Eq '^options [0-9]+$' replies.txt
check "engine survived the datagrams" kill -0 "$pid"

# A storm of 50 calls on a single line: each is answered or refused busy.
sipp_run 40 invite_storm "127.0.0.1:$port" -m 50 -r 50 -l 50 -p "$(free_port)" -mp "$(free_port)" \
  -timeout 25 >storm.txt 2>&1
check "every storm call answered or refused" test $? -eq 0
check "engine survived the storm" kill -0 "$pid"

# The normal call, once the line has hung up the storm's last answered call
# (its file ends with the hang-up): answered with caller data; the RFC 4733
# key takes the caller on, the INFO key makes the engine hang up.
wait_for 100 grep -q "Call disconnected" "$call"
rm -f "$call"
sipp_run 60 engine_call "127.0.0.1:$port" -m 1 -p "$(free_port)" -mp "$(free_port)" -timeout 30 >sipp.txt 2>&1
check "a normal call runs as scripted" test $? -eq 0
has "$call" 'cid \[+15551234\]' "Caller pressed key \[1\]" "Open OGM: Sales Menu" "Caller pressed key \[2\]" \
  "Command - Hangup" "Call disconnected"
check "a key by INFO within a second of connection taken" grep -q 'Caller pressed key \[9\]' "$call"
check "engine stopped cleanly" stop_engine
summary sip_hostile replies.txt storm.txt *_errors.log engine-err.txt

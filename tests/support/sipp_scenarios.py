#!/usr/bin/env python3
# The SIPp scenarios of the SIP tests, written on demand: sipp_scenarios.py
# NAME FOLDER writes FOLDER/NAME.xml. SIPp has no include, so the
# INVITE/ACK/INFO/BYE and reply blocks the scenarios share are built here
# from one pattern each.
import sys

SERVICE = "sip:[service]@[remote_ip]:[remote_port]"
ME = "[local_ip]:[local_port]"
TAG = ";tag=[pid]SIPpTag00[call_number]"
OUR_TAG = ";tag=[pid]SIPpTag01[call_number]"


def send(lines, retrans=True):
    text = "\n".join("      " + line if line else "" for line in lines)
    attribute = ' retrans="500"' if retrans else ""
    return f"  <send{attribute}>\n    <![CDATA[\n{text}\n    ]]>\n  </send>"


def content(ctype, body):
    return [f"Content-Type: {ctype}", "Content-Length: [len]", ""] + body if body else ["Content-Length: 0"]


def request(method, cseq, sender, uri="[next_url]", to="[peer_tag_param]", via=None, extra=(),
            ctype=None, body=None, retrans=True):
    via = via or f"Via: SIP/2.0/[transport] {ME};branch=[branch]"
    lines = [f"{method} {uri} SIP/2.0", via, f"From: {sender}", f"To: <{SERVICE}>{to}", "Call-ID: [call_id]",
             f"CSeq: {cseq} {method}", *extra]
    return send(lines + content(ctype, body), retrans)


def reply(status, tag=False, extra=(), body=None, retrans=False):
    lines = [f"SIP/2.0 {status}", "[last_Via:]", "[last_From:]", "[last_To:]" + (OUR_TAG if tag else ""),
             "[last_Call-ID:]", "[last_CSeq:]", *extra]
    return send(lines + content("application/sdp", body), retrans)


def sdp(formats, *attributes, origin="user1 53655765 2353687637", port="[media_port]"):
    return ["v=0", f"o={origin} IN IP[local_ip_type] [local_ip]", "s=-", "c=IN IP[media_ip_type] [media_ip]",
            "t=0 0", f"m=audio {port} RTP/AVP {formats}"] + ["a=" + a for a in attributes]


def invite(sender, media, extra=(), contact="sipp", via=None):
    return request("INVITE", 1, sender, uri=SERVICE, to="", ctype="application/sdp", body=media, via=via,
                   extra=[f"Contact: <sip:{contact}@{ME};transport=[transport]>", *extra])


def ack(sender, **kw):
    return request("ACK", 1, sender, retrans=False, **kw)


# A request or response whose header (or, without one, body) must match regexp.
def check(what, header, regexp, name, **attributes):
    extra = "".join(f' {k}="{v}"' for k, v in attributes.items())
    where = f'search_in="hdr" header="{header}:"' if header else 'search_in="body"'
    return (f'  <recv {"request" if what.isalpha() else "response"}="{what}"{extra}>\n    <action>\n'
            f'      <ereg regexp="{regexp}" {where} check_it="true" assign_to="{name}"/>\n    </action>\n  </recv>\n'
            f'  <Reference variables="{name}"/>')


def info(sender, cseq, signal):
    return request("INFO", cseq, sender, ctype="application/dtmf-relay", body=[f"Signal={signal}", "Duration=160"])


def tag(name, **attributes):
    return f"  <{name}" + "".join(f' {k}="{v}"' for k, v in attributes.items()) + "/>"


def recv(what, **attributes):
    return tag("recv", **{"request" if what.isalpha() else "response": what}, **attributes)


def ringing(times, answer=True):
    rows = [recv("100", optional="true")] + [recv("180", optional="true")] * times
    return rows + ([recv("200", rrs="true")] if answer else [])


def pause(ms):
    return tag("pause", milliseconds=ms)


def nop(**attributes):
    return tag("nop", hide="true", **attributes)


def label(name):
    return tag("label", id=name)


def bye_received(**attributes):
    return [recv("BYE", **attributes), reply("200 OK")]


def play(pcap):
    return f'  <nop>\n    <action>\n      <exec play_pcap_audio="/usr/share/sip-tester/{pcap}"/>\n    </action>\n  </nop>'


def verify_auth(method):
    return (f'  <recv request="{method}">\n    <action>\n      <verifyauth assign_to="authvalid" username="alice"'
            ' password="secret"/>\n    </action>\n  </recv>\n  <nop hide="true" test="authvalid" next="authorised"/>')


def challenge(nonce):
    return reply("401 Unauthorized", True, [f'WWW-Authenticate: Digest realm="zavotel.test", nonce="{nonce}", qop="auth", '
                                            'algorithm=MD5'])


def choose(variable, *values):
    tests = "".join(f'\n      <strcmp assign_to="cmp" variable="{variable}" value="{v}"/>\n      <test assign_to="{v}" '
                    f'variable="cmp" compare="equal" value="0"/>' for v in values)
    return (f'  <nop hide="true">\n    <action>\n      <assignstr assign_to="{variable}" value="[{variable}]"/>{tests}'
            "\n    </action>\n  </nop>")


# A REGISTER whose Contact address (without the client's own expires) goes into $contact.
def register_contact(*actions):
    return ('  <recv request="REGISTER" timeout="600000">\n    <action>\n' + "".join(actions) +
            '      <ereg regexp="&lt;[^&gt;]*&gt;" search_in="hdr" header="Contact:" assign_to="contact"/>\n    </action>\n'
            '  </recv>')


SOMEONE = '"Someone" <sip:5551000@' + ME + ">" + TAG
NATTED = '"Natted" <sip:5554000@' + ME + ">" + TAG
# What a caller behind NAT puts in Via: the port it thinks it sends from, not
# the one its requests come from, and a request for the real one (rport).
NAT_VIA = "Via: SIP/2.0/[transport] [local_ip]:9;rport;branch=[branch]"
CALLER = '"Caller" <sip:5551000@' + ME + ">" + TAG
STORM = '"Storm" <sip:storm@' + ME + ">;tag=[pid]Storm[call_number]"
ANON = '"Anonymous" <sip:anonymous@anonymous.invalid>' + TAG
CALLER_DATA = ['P-Asserted-Identity: "Alice Example" <sip:+15551234@[local_ip]>', "Alert-Info: <http://127.0.0.1/Bellcore-dr3>"]
EVENTS = "rtpmap:101 telephone-event/8000"


def scenarios():
    busy = f"<sip:5552000@{ME}>{TAG}"
    refer = f"<sip:5553000@{ME}>{TAG}"
    odd = f"<sip:odd@{ME}>{TAG}"
    return {
        # Calls the device with caller data, answered, presses 5 by SIP INFO and hangs up.
        "uac_call": ["call in, INFO digit, hang up",
                     invite(SOMEONE, sdp("8 0 96", "rtpmap:8 PCMA/8000", "rtpmap:0 PCMU/8000",
                                         "rtpmap:96 telephone-event/8000", "fmtp:96 0-15"),
                            CALLER_DATA + ["Supported: 100rel"]),
                     *ringing(3), ack(SOMEONE), pause(200), info(SOMEONE, 2, 5), recv("200"), pause(200),
                     request("BYE", 3, SOMEONE), recv("200", crlf="true")],
        # Calls in with caller data; the device hangs up and its BYE is challenged, which it must
        # not answer with credentials: a second BYE fails the scenario.
        "uac_challenge_bye": ["call in, challenge the BYE", invite(SOMEONE, sdp("0"), CALLER_DATA), *ringing(2),
                              ack(SOMEONE), recv("BYE"), challenge("7f3c2a91b0"),
                              recv("BYE", timeout="2000", ontimeout="done"),
                              '  <nop hide="true">\n    <action><exec int_cmd="stop_now"/></action>\n  </nop>',
                              label("done"), '  <timewait milliseconds="100"/>'],
        # Calls a registering device from a host that is not its provider and expects 403 Forbidden.
        "uac_forbidden": ["call in from a stranger", invite(SOMEONE, sdp("0"), CALLER_DATA), recv("100", optional="true"),
                          recv("403"), ack(SOMEONE, uri=SERVICE, via="[last_Via:]")],
        # Calls a device whose line is busy and expects 486 Busy Here.
        "uac_busy": ["call in, busy", invite(busy, sdp("0")), *ringing(1, False), recv("486"),
                     ack(busy, uri=SERVICE, via="[last_Via:]")],
        # Calls in with caller data, speaks (7 s of A-law speech) after the greeting and hangs up.
        # The speech starts 1.5 s after the answer, as a caller waits for the tone, so a
        # greeting that ends late on a busy machine does not cut the start of the message.
        "leave_message": ["call in, leave a message, hang up",
                          invite(SOMEONE, sdp("8 101", "rtpmap:8 PCMA/8000", EVENTS), CALLER_DATA),
                          *ringing(3), ack(SOMEONE), pause(1500), play("g711a.pcap"), pause(10000),
                          request("BYE", 2, SOMEONE), recv("200", crlf="true")],
        # An anonymous caller who cancels once the device rings.
        "uac_cancel": ["call in, cancel before the answer", invite(ANON, sdp("0")), recv("100", optional="true"),
                       recv("180"), request("CANCEL", 1, ANON, uri=SERVICE, to="", via="[last_Via:]", retrans=False),
                       recv("180", optional="true"), recv("200"), recv("487"),
                       ack(ANON, uri=SERVICE, via="[last_Via:]")],
        # Requests refused or answered without a call: unknown method, BYE for no dialog, OPTIONS,
        # an INVITE requiring extensions (420 names each once), an offer with neither PCMU nor PCMA (488).
        "uac_oddities": ["odd requests", request("FROBNICATE", 1, odd, uri=SERVICE, to=""), recv("501"),
                         request("BYE", 2, odd, uri=SERVICE, to=";tag=nosuchdialog"), recv("481"),
                         request("OPTIONS", 3, odd, uri=SERVICE, to=""), recv("200"),
                         request("INVITE", 4, odd, uri=SERVICE, to="", ctype="application/sdp", body=sdp("0"),
                                 extra=["Require: 100rel, timer", "Supported: 100rel", "Require: 100rel"]),
                         recv("100", optional="true"), check("420", "Unsupported", "^ *100rel, timer$", "unsupported"),
                         request("ACK", 4, odd, uri=SERVICE, to="[peer_tag_param]", via="[last_Via:]", retrans=False),
                         request("INVITE", 5, odd, uri=SERVICE, to="", ctype="application/sdp",
                                 body=sdp("96 9", "rtpmap:96 opus/48000/2", "rtpmap:9 G722/8000")),
                         recv("100", optional="true"), recv("488"),
                         request("ACK", 5, odd, uri=SERVICE, to="[peer_tag_param]", via="[last_Via:]", retrans=False)],
        # Accepts the device's REFER, reports the target's 200 OK by NOTIFY, expects the device's BYE.
        "uac_refer": ["call in, blind transfer by REFER", invite(refer, sdp("0")), *ringing(2), ack(refer),
                      check("REFER", "Refer-To", "sip:7001@", "target"), reply("202 Accepted"),
                      request("NOTIFY", 2, refer, extra=["Event: refer", "Subscription-State: terminated;reason=noresource"],
                              ctype="message/sipfrag;version=2.0", body=["SIP/2.0 200 OK"]),
                      recv("200"), *bye_received(), '  <timewait milliseconds="100"/>'],
        # Takes a call only with valid digest credentials, answers and waits for the BYE.
        "uas_auth": ["call out with digest authentication", recv("INVITE"), challenge("8c1b3a9f4d2e6b7a"), recv("ACK"),
                     verify_auth("INVITE"), '  <nop hide="true">\n    <action><exec int_cmd="stop_now"/></action>\n  </nop>',
                     label("authorised"),
                     reply("180 Ringing", True, [f"Contact: <sip:{ME};transport=[transport]>"]),
                     reply("200 OK", True, [f"Contact: <sip:{ME};transport=[transport]>"],
                           sdp("0 101", "rtpmap:0 PCMU/8000", EVENTS), True),
                     recv("ACK", crlf="true"), *bye_received(), '  <timewait milliseconds="100"/>'],
        # Challenges the REGISTER, accepts alice/secret and refuses others with 403.
        "uas_register": ["registrar with digest challenge", recv("REGISTER"), challenge("5e2f0c7d9a1b"),
                         verify_auth("REGISTER"), reply("403 Forbidden", True), nop(next="done"), label("authorised"),
                         reply("200 OK", True, ["[last_Contact:];expires=600"]), label("done"),
                         '  <timewait milliseconds="200"/>'],
        # As uas_register with a 4 s registration, then answers every refresh until stopped.
        "registrar_refresh": ["registrar with short registrations", recv("REGISTER"), challenge("3d9e61a0c5f8"),
                              register_contact('      <verifyauth assign_to="authvalid" username="alice" '
                                               'password="secret"/>\n'),
                              nop(test="authvalid", next="again"), reply("403 Forbidden", True), nop(next="refused"),
                              label("again"), reply("200 OK", True, ["Contact: [$contact];expires=4"]),
                              register_contact(), nop(next="again"), label("refused")],
        # Offers wide-band codecs and events at three rates; the answer must take type 101. Presses 9
        # by INFO at once (signalled, so taken at once), 1 by RFC 4733 (a recording), 2 by INFO; the
        # engine hangs up.
        "engine_call": ["engine call: RFC 4733 key, INFO key, hang-up by the engine",
                        invite(SOMEONE, sdp("96 9 0 99 100 101", "rtpmap:96 opus/48000/2", "rtpmap:9 G722/8000",
                                            "rtpmap:0 PCMU/8000", "rtpmap:99 telephone-event/48000",
                                            "rtpmap:100 telephone-event/16000", EVENTS, "fmtp:101 0-15"),
                               CALLER_DATA + ["Max-Forwards: 70"]),
                        *ringing(3, False),
                        check("200", None, "a=rtpmap:101 telephone-event/8000", "events", rrs="true"),
                        ack(SOMEONE), pause(100), info(SOMEONE, 2, 9), recv("200"), pause(1400),
                        play("dtmf_2833_1.pcap"), pause(2500), info(SOMEONE, 3, 2), recv("200"), *bye_received()],
        # A caller behind NAT: its Via names the wrong port (the replies must come by rport), its SDP
        # names port -key sdpport while its RTP comes from the media port (SIPp plays from the port
        # its message names by [media_port], on a line saying audio). Presses 1 by RFC 4733, hangs up.
        "nat_caller": ["caller behind NAT",
                       invite(NATTED, sdp("0 101", "rtpmap:0 PCMU/8000", EVENTS, "fmtp:101 0-15",
                                          port="[sdpport]"), ["X-Rtp-Source: audio [media_port]"], via=NAT_VIA),
                       *ringing(3, False), check("200", "Via", "rport=[0-9]+.*received=|received=.*rport=[0-9]",
                                                     "rport", rrs="true"),
                       ack(NATTED, via=NAT_VIA), pause(1500), play("dtmf_2833_1.pcap"), pause(2500),
                       request("BYE", 2, NATTED, via=NAT_VIA), recv("200")],
        # One call of a storm: a busy line refuses it (486, acknowledged), an idle one answers and
        # the caller hangs up at once.
        "invite_storm": ["invite storm call",
                         invite(STORM, sdp("0", "rtpmap:0 PCMU/8000", origin="storm 1 1"), ["Max-Forwards: 70"], "storm"),
                         *ringing(2, False), recv("486", optional="true", next="busy"), recv("200", rrs="true"),
                         ack(STORM), request("BYE", 2, STORM), recv("200", next="done"), label("busy"),
                         send(["ACK " + SERVICE + " SIP/2.0", "[last_Via:]", "[last_From:]", "[last_To:]",
                               "[last_Call-ID:]", "CSeq: 1 ACK", "Content-Length: 0"], False), label("done")],
        # A called party answering with the codec of -key pt/-key codec. With -key answer silent it
        # stays silent until the engine's BYE; else it hears a transfer offered, answers -key answer
        # (1 accepts, 2 rejects) by INFO, talks (PCMA, so joined audio is recoded), expects the BYE.
        "called_party": ["called party",
                         '  <recv request="INVITE" rrs="true">\n    <action>\n      <ereg regexp=".*" search_in="hdr" '
                         'header="From:" assign_to="caller"/>\n      <ereg regexp=".*" search_in="hdr" header="To:" '
                         'assign_to="callee"/>\n    </action>\n  </recv>',
                         reply("180 Ringing", True), pause(500),
                         reply("200 OK", True, [f"Contact: <sip:{ME};transport=[transport]>"],
                               sdp("[pt] 101", "rtpmap:[pt] [codec]/8000", EVENTS), True),
                         recv("ACK", crlf="true"), choose("answer", "silent"), nop(test="silent", next="bye"),
                         pause(2000),
                         send(["INFO [next_url] SIP/2.0", f"Via: SIP/2.0/[transport] {ME};branch=[branch]",
                               "From: [$callee]" + OUR_TAG, "To: [$caller]", "[last_Call-ID:]", "CSeq: 1 INFO",
                               *content("application/dtmf-relay", ["Signal=[answer]", "Duration=160"])]),
                         recv("200"), play("g711a.pcap"), label("bye"), *bye_received(timeout="20000")],
        # A called party that is busy: 486 to the INVITE, then the ACK.
        "busy_party": ["busy party", recv("INVITE"), reply("486 Busy Here", True), recv("ACK")],
        # The caller of a transfer: presses -key key by INFO. -key after joined: waits on the joined
        # call and hangs up; rejected: back with the engine, presses 2 (hang up) and expects the BYE;
        # held: stays joined until the engine's BYE. Run with -rtp_echo.
        "transfer_caller": ["transfer caller", invite(CALLER, sdp("0 101", "rtpmap:0 PCMU/8000", EVENTS), ["Max-Forwards: 70"]),
                            *ringing(2), ack(CALLER), pause(1500), info(CALLER, 2, "[key]"), recv("200"),
                            choose("after", "rejected", "held"), nop(test="rejected", next="rejected"),
                            nop(test="held", next="byebye"), pause(7000), request("BYE", 3, CALLER),
                            recv("200", next="done"), label("rejected"), pause(6000), info(CALLER, 3, 2), recv("200"),
                            label("byebye"), *bye_received(timeout="20000"), label("done")],
    }


def main():
    name, folder = sys.argv[1:3]
    title, *elements = scenarios()[name]
    with open(f"{folder}/{name}.xml", "w", encoding="iso-8859-1") as out:
        out.write(f'<?xml version="1.0" encoding="ISO-8859-1" ?>\n<scenario name="{title}">\n')
        out.write("\n".join(elements) + "\n</scenario>\n")


if __name__ == "__main__":
    main()

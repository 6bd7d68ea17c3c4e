#!/usr/bin/env python3
"""Reads a loopback capture of a SIP load and reports the engine's RTP timing.

  lateness CAPTURE [PORT]  -> "streams N packets N max_ms X p99_ms Y"
  keydelay CAPTURE [PORT]  -> "delays_ms A B ..." (RFC 4733 key to next prompt; the
                       calls may overlap: each key is paired with the prompt
                       of its own call, told apart by the engine's RTP port)

The load's own streams are replayed recordings whose SSRCs are fixed; every
other G.711 stream was sent by the engine. With PORT (the load's own media
port) only the packets to and from it count: the loopback capture also sees
any other engine running on the machine.
"""
import struct
import sys

REPLAYED_SSRCS = {0xDEE0EE8F, 0x0E05384E}  # the A-law speech and the key-1 event recordings
EVENT_PT = 101


def packets(path):
    """(time, ssrc, pt, marker, rtp timestamp, payload, source port, destination port)
    for each RTP packet."""
    data = open(path, "rb").read()
    magic = struct.unpack("<I", data[:4])[0]
    scale = 1e-9 if magic == 0xA1B23C4D else 1e-6
    link = struct.unpack("<I", data[20:24])[0]
    offset = 24
    while offset + 16 <= len(data):
        sec, frac, length, _ = struct.unpack("<IIII", data[offset:offset + 16])
        frame = data[offset + 16:offset + 16 + length]
        offset += 16 + length
        ip = frame[14:] if link == 1 else frame[16:] if link == 113 else frame[4:]
        if len(ip) < 20 or ip[0] >> 4 != 4 or ip[9] != 17:
            continue
        udp = ip[(ip[0] & 15) * 4:]
        if len(udp) < 8:
            continue
        source, destination = struct.unpack("!HH", udp[:4])
        rtp = udp[8:]
        if len(rtp) < 12 or rtp[0] >> 6 != 2:
            continue
        _, mpt, _, stamp, ssrc = struct.unpack("!BBHII", rtp[:12])
        yield sec + frac * scale, ssrc, mpt & 0x7F, mpt >> 7, stamp, rtp[12:], source, destination


def own_packets(path, port):
    """The packets of `path` to or from `port` (all of them without one)."""
    for packet in packets(path):
        if port is None or port in packet[6:8]:
            yield packet


def lateness(path, port=None):
    """How late each engine packet left against its stream's own schedule.

    A packet's schedule is its RTP timestamp; the earliest packet so far sets
    the stream's zero, and a pause of over 100 ms starts a new schedule.
    """
    streams = {}
    late = []
    for time, ssrc, pt, _, stamp, _, _, _ in own_packets(path, port):
        if ssrc in REPLAYED_SSRCS or pt not in (0, 8):
            continue
        state = streams.get(ssrc)
        offset = time - stamp / 8000.0
        if state is None or time - state[1] > 0.1:
            state = [offset, time]
        state[0] = min(state[0], offset)
        state[1] = time
        streams[ssrc] = state
        late.append((offset - state[0]) * 1000.0)
    late.sort()
    if not late:
        return "streams 0 packets 0 max_ms 0 p99_ms 0"
    return "streams %d packets %d max_ms %.2f p99_ms %.2f" % (
        len(streams), len(late), late[-1], late[int(len(late) * 0.99)])


def ulaw_crossings(payload):
    """Sign changes of a mu-law packet: 660 Hz gives about 26 per 20 ms, 440 Hz about 18."""
    signs = [byte & 0x80 for byte in payload if (byte & 0x7F) < 0x70]
    return sum(1 for a, b in zip(signs, signs[1:]) if a != b)


def keydelay(path, port=None):
    delays = []
    key_at = {}  # engine port -> time of the key waiting for its prompt
    for time, ssrc, pt, marker, _, payload, source, destination in own_packets(path, port):
        if pt == EVENT_PT and ssrc in REPLAYED_SSRCS:
            if marker:  # the first packet of an event
                key_at[destination] = time
        elif source in key_at and ssrc not in REPLAYED_SSRCS and pt == 0:
            if ulaw_crossings(payload) >= 22:
                delays.append((time - key_at.pop(source)) * 1000.0)
    return "delays_ms " + " ".join("%.1f" % d for d in delays)


if __name__ == "__main__":
    port = int(sys.argv[3]) if len(sys.argv) > 3 else None
    print({"lateness": lateness, "keydelay": keydelay}[sys.argv[1]](sys.argv[2], port))

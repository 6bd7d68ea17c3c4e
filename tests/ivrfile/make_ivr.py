#!/usr/bin/python3
"""Writes a small IVR program file, built from the file layout alone:
make_ivr.py OUT.ivr"""
import io, math, struct, sys, wave


def short(text):
    return bytes([len(text)]) + text.encode()


def file_record(tag, name, content):
    checksum = (0xFFFFFFFF + sum(content)) & 0xFFFFFFFF
    return bytes([tag]) + short(name) + struct.pack("<I", len(content)) + content + struct.pack("<I", checksum)


def tone(rate, channels, width, seconds, hz):
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setparams((channels, width, rate, 0, "NONE", None))
        for i in range(int(rate * seconds)):
            v = math.sin(2 * math.pi * hz * i / rate)
            w.writeframesraw((bytes([int(128 + 90 * v)]) if width == 1 else struct.pack("<h", int(9000 * v))) * channels)
    return out.getvalue()


body = [
    file_record(0, "Gen Menu.ini", b"[ivr]\nwait=5\npress1=go\npress1go=Gen Other\n"),
    file_record(0, "Gen Menu.wav", tone(11025, 2, 1, 1.0, 440)),
    file_record(0, "Gen Other.ini", b"[ivr]\nwait=2\n"),
    file_record(2, "Gen.mbx", b"[mbx]\nremoteaccess=true\n"),
    file_record(1, "Goodbye.wav", tone(8000, 1, 2, 0.5, 330)),
    b" " + short("settings") + short("ogm") + short("Gen Menu"),
    b"\x10" + struct.pack("<H", 3) + short("Gen Menu") + short("Gen Other") + short(""),
    b"0" + struct.pack("<H", 10) + b"Generated.",
    b"1\xff",
]
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<HH", 0xFEDC, 0) + b"".join(body))

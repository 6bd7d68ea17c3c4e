#!/usr/bin/env python3
"""Compares a test tone as a caller heard it with sox's own decoding of the
file it came from: where the tone starts and how long it lasts, its level,
peak and frequency, and how many of its periods are uneven (a skipped or
repeated sample shifts one period by a fraction of a sample).

  heard_tone.py HEARD SOURCE  -> one line of figures, heard against sox
"""
import math
import struct
import subprocess
import sys

RATE = 8000


def load(path):
    raw = subprocess.run(["sox", path, "-t", "raw", "-e", "signed", "-b", "16", "-c", "1",
                          "-r", str(RATE), "-"], capture_output=True, check=True).stdout
    return [v / 32768 for v in struct.unpack("<%dh" % (len(raw) // 2), raw)]


def db(x):
    return 20 * math.log10(x) if x > 0 else -200.0


def rms(x):
    return math.sqrt(sum(v * v for v in x) / len(x)) if x else 0.0


def tone_span(x):
    """The first run of 5 ms windows louder than -40 dBFS, up to 100 ms of quiet."""
    loud = [i for i in range(0, len(x) - 40, 40) if rms(x[i:i + 40]) > 0.01]
    if not loud:
        return 0, 0
    end = loud[0]
    for i in loud:
        if i - end > 800:
            break
        end = i
    return loud[0], end + 40


def crossings(x):
    return [i - x[i] / (x[i + 1] - x[i]) for i in range(len(x) - 1)
            if x[i] <= 0 < x[i + 1] and x[i + 1] - x[i] > 0.05]


def figures(x):
    a, b = tone_span(x)
    steady = x[a + (b - a) // 4: b - (b - a) // 4]
    c = crossings(steady)
    hz = RATE * (len(c) - 1) / (c[-1] - c[0]) if len(c) > 2 else 0.0
    period = RATE / hz if hz else 0.0
    uneven = sum(1 for k in range(len(c) - 1) if abs(c[k + 1] - c[k] - period) > 0.15)
    return {"start": a / RATE, "length": (b - a) / RATE, "rms": db(rms(steady)),
            "peak": db(max(map(abs, x[a:b]), default=0)), "hz": hz, "uneven": uneven}


def main():
    heard, ref = figures(load(sys.argv[1])), figures(load(sys.argv[2]))
    print("length %.3f s (sox %.3f)  rms %.1f dBFS (sox %.1f, %+.1f dB)  peak %.1f dBFS (sox %.1f)  "
          "tone %.1f Hz (sox %.1f, %+.2f %%)  uneven periods %d (sox %d)  starts %.3f s into the call" %
          (heard["length"], ref["length"], heard["rms"], ref["rms"], heard["rms"] - ref["rms"],
           heard["peak"], ref["peak"], heard["hz"], ref["hz"],
           100 * (heard["hz"] / ref["hz"] - 1) if ref["hz"] else 0, heard["uneven"], ref["uneven"],
           heard["start"]))


main()

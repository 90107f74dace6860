#!/usr/bin/env python3
"""Writes demo.mid: a short piece in C major for the demo render (format 1, three tracks).

Track 0 holds the tempo map (92 bpm, quickening to 120 bpm for the second half, easing to 100 bpm
for the last phrase) and the 4/4 time signature; track 1 a melody on channel 1; track 2 chords and
a bass line on channel 2. Only the Python standard library is used; the output is deterministic.
"""
import struct
import sys
from pathlib import Path

PPQ = 480
BAR = 4 * PPQ


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (tick, bytes) pairs; sorted stably, written with delta times and an end of track."""
    events = sorted(events, key=lambda e: e[0])
    data, now = bytearray(), 0
    for tick, payload in events:
        data += vlq(tick - now) + payload
        now = tick
    data += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def tempo(tick, bpm):
    micros = round(60_000_000 / bpm)
    return (tick, b"\xff\x51\x03" + micros.to_bytes(3, "big"))


def note(events, channel, tick, length, key, velocity):
    events.append((tick, bytes([0x90 | channel, key, velocity])))
    events.append((tick + length, bytes([0x80 | channel, key, 0])))


# Sixteen bars of melody: (bar, beat offset in eighths, length in eighths, key).
MELODY = [
    (0, 0, 2, 64), (0, 2, 2, 67), (0, 4, 3, 72), (0, 7, 1, 71),
    (1, 0, 2, 69), (1, 2, 2, 67), (1, 4, 4, 64),
    (2, 0, 2, 65), (2, 2, 2, 69), (2, 4, 3, 72), (2, 7, 1, 74),
    (3, 0, 6, 71), (3, 6, 2, 67),
    (4, 0, 2, 64), (4, 2, 2, 67), (4, 4, 2, 72), (4, 6, 2, 76),
    (5, 0, 3, 74), (5, 3, 1, 72), (5, 4, 4, 69),
    (6, 0, 2, 65), (6, 2, 2, 67), (6, 4, 2, 69), (6, 6, 2, 71),
    (7, 0, 8, 72),
    (8, 0, 1, 76), (8, 1, 1, 74), (8, 2, 2, 72), (8, 4, 2, 74), (8, 6, 2, 76),
    (9, 0, 2, 77), (9, 2, 2, 76), (9, 4, 4, 74),
    (10, 0, 1, 72), (10, 1, 1, 74), (10, 2, 2, 76), (10, 4, 2, 79), (10, 6, 2, 77),
    (11, 0, 4, 76), (11, 4, 4, 74),
    (12, 0, 2, 72), (12, 2, 2, 76), (12, 4, 2, 79), (12, 6, 2, 84),
    (13, 0, 3, 81), (13, 3, 1, 79), (13, 4, 4, 77),
    (14, 0, 2, 76), (14, 2, 2, 74), (14, 4, 2, 71), (14, 6, 2, 74),
    (15, 0, 8, 72),
]

# One chord per bar (root position triads around middle C) and its bass note.
CHORDS = ["C", "Am", "F", "G", "C", "G", "F", "C", "Am", "Dm", "C", "G", "Am", "F", "G", "C"]
TRIADS = {"C": (60, 64, 67), "Am": (57, 60, 64), "F": (57, 60, 65), "G": (55, 59, 62), "Dm": (57, 62, 65)}
BASS = {"C": 36, "Am": 33, "F": 41, "G": 43, "Dm": 38}


def build():
    conductor = [
        (0, b"\xff\x03" + vlq(4) + b"Demo"),
        (0, b"\xff\x58\x04\x04\x02\x18\x08"),
        tempo(0, 92),
        tempo(8 * BAR, 120),
        tempo(14 * BAR, 100),
    ]
    melody = [(0, b"\xff\x03" + vlq(6) + b"Melody")]
    for bar, start, length, key in MELODY:
        tick = bar * BAR + start * PPQ // 2
        note(melody, 0, tick, length * PPQ // 2 - 20, key, 100 if start % 4 == 0 else 84)
    harmony = [(0, b"\xff\x03" + vlq(6) + b"Chords")]
    for bar, name in enumerate(CHORDS):
        for beat in (0, 2):
            for key in TRIADS[name]:
                note(harmony, 1, bar * BAR + beat * PPQ, 2 * PPQ - 30, key, 64)
        note(harmony, 1, bar * BAR, BAR - 40, BASS[name], 80)
    header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, PPQ)
    return header + track(conductor) + track(melody) + track(harmony)


if __name__ == "__main__":
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("demo.mid")
    out.write_bytes(build())

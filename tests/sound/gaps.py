#!/usr/bin/env python3
"""Finds the gaps in a recording of the game's sound: runs of exact zeros
(every channel) at least --min-ms long between the first and the last
sound. A stream that runs dry is filled with zeros by the server, while
the music at its volume never holds a silent run that long.

    gaps.py FILE.raw [--rate 44100] [--channels 2] [--min-ms 1]

FILE.raw is signed 16-bit little-endian, channels interleaved. Prints one
line of key=value figures."""
import argparse
import array
import sys


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("file")
    ap.add_argument("--rate", type=int, default=44100)
    ap.add_argument("--channels", type=int, default=2)
    ap.add_argument("--min-ms", type=float, default=1.0)
    a = ap.parse_args()

    with open(a.file, "rb") as f:
        data = f.read()
    samples = array.array("h")
    samples.frombytes(data[:len(data) // 2 * 2])
    if sys.byteorder != "little":
        samples.byteswap()
    ch = a.channels
    frames = len(samples) // ch
    # A frame is silent when all its bytes are zero: one word per frame.
    words = array.array({1: "H", 2: "I", 4: "Q"}[ch] if ch in (1, 2, 4) else "H")
    if ch in (1, 2, 4):
        words.frombytes(data[:frames * 2 * ch])
        silent = [w == 0 for w in words]
    else:
        silent = [all(samples[i * ch + c] == 0 for c in range(ch)) for i in range(frames)]
    first = next((i for i in range(frames) if not silent[i]), None)
    if first is None:
        print("sound=0 recorded_s=%.1f" % (frames / a.rate))
        return
    last = max(i for i in range(frames) if not silent[i])
    min_frames = max(1, int(a.min_ms * a.rate / 1000))
    gaps = []    # frames
    starts = []  # s after the music began
    run = 0
    for i in range(first, last + 1):
        if silent[i]:
            run += 1
        else:
            if run >= min_frames:
                gaps.append(run)
                starts.append((i - run - first) / a.rate)
            run = 0
    span_s = (last + 1 - first) / a.rate
    peak = max(abs(x) for x in samples)
    per_min = len(gaps) / span_s * 60 if span_s > 0 else 0
    print("sound=1 start_s=%.2f span_s=%.1f gaps=%d gaps_per_min=%.2f longest_ms=%.1f peak=%d gaps_ms_at_s=%s" % (
        first / a.rate, span_s, len(gaps), per_min,
        max(gaps) / a.rate * 1000 if gaps else 0, peak,
        ",".join("%.1f@%.2f" % (g / a.rate * 1000, t) for g, t in zip(gaps, starts)) or "-"))


main()

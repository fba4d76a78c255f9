#!/usr/bin/env python3
"""Writes the two test-signal recordings the program carries inside itself.

    make_test_signals.py SWEEP.wav PINK.wav

Both are RIFF WAVE images, PCM mono 16-bit at 44100 Hz, 28.000 s
(1,234,800 samples) after a 44-byte header.

Sweep: a sine of amplitude 23198 whose frequency rises exponentially from
20 Hz to 21050 Hz over 14 s (f = 20 Hz * e^(0.49707 t)), then falls
exponentially from 22050 Hz to 25 Hz over the next 14 s. The phase of sample
n is the sum of the per-sample phase steps 2 pi f(i / 44100) / 44100 of the
samples before it, counted from the start of its half (so each half starts
at phase 0); the sum is taken in closed form, a geometric series, so that no
rounding piles up over the 617,400 samples of a half.

Pink: Gaussian white noise from a fixed seed through a sum of seven
first-order sections whose poles and weights give a 1/f power density within
a few hundredths of a decibel from about 9 Hz to the top of the band, scaled
to an RMS of 5262 sample units.

Everything is deterministic: the same file on every run and every machine.
"""
import math
import struct
import sys

RATE = 44100
SAMPLES = 1_234_800
HALF = SAMPLES // 2


def wave_image(samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(data))
    return header + data


def exponential_sweep(start_hz, end_hz, seconds):
    """One half: phase steps that grow by the same ratio every sample."""
    amplitude = 23198
    ratio = math.exp(math.log(end_hz / start_hz) / seconds / RATE)
    first_step = 2 * math.pi * start_hz / RATE
    out = []
    for n in range(HALF):
        phase = first_step * (ratio ** n - 1) / (ratio - 1)
        out.append(round(amplitude * math.sin(phase)))
    return out


def sweep():
    return exponential_sweep(20, 21050, 14) + exponential_sweep(22050, 25, 14)


class Xorshift64:
    """A small generator of our own, so the noise never depends on a library."""

    def __init__(self, seed):
        self.state = seed

    def uniform(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 7
        x ^= (x << 17) & 0xFFFFFFFFFFFFFFFF
        self.state = x
        return ((x >> 11) + 0.5) / float(1 << 53)


def pink():
    rng = Xorshift64(0x9E3779B97F4A7C15)
    b0 = b1 = b2 = b3 = b4 = b5 = b6 = 0.0
    raw = []
    spare = None
    # Run the filter in for a second first, so the recording starts inside a
    # steady noise rather than at rest.
    for n in range(SAMPLES + RATE):
        if spare is None:
            r = math.sqrt(-2.0 * math.log(rng.uniform()))
            a = 2.0 * math.pi * rng.uniform()
            white, spare = r * math.cos(a), r * math.sin(a)
        else:
            white, spare = spare, None
        b0 = 0.99886 * b0 + white * 0.0555179
        b1 = 0.99332 * b1 + white * 0.0750759
        b2 = 0.96900 * b2 + white * 0.1538520
        b3 = 0.86650 * b3 + white * 0.3104856
        b4 = 0.55000 * b4 + white * 0.5329522
        b5 = -0.7616 * b5 - white * 0.0168980
        value = b0 + b1 + b2 + b3 + b4 + b5 + b6 + white * 0.5362
        b6 = white * 0.115926
        if n >= RATE:
            raw.append(value)
    mean = sum(raw) / len(raw)
    rms = math.sqrt(sum((v - mean) ** 2 for v in raw) / len(raw))
    scale = 5262 / rms
    return [max(-32768, min(32767, round((v - mean) * scale))) for v in raw]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_test_signals.py SWEEP.wav PINK.wav")
    for path, make in ((sys.argv[1], sweep), (sys.argv[2], pink)):
        image = wave_image(make())
        with open(path + ".part", "wb") as f:
            f.write(image)
        import os
        os.replace(path + ".part", path)


if __name__ == "__main__":
    main()

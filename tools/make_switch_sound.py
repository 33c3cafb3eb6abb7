#!/usr/bin/env python3
"""Synthesises res/sound_switch.wav, the click played for every item switched off.

A toggle switch snapping over: a sharp metallic tick, a short burst of bright
noise as the lever travels, a smaller tick as it seats, and a low thump from the
panel it is mounted in. 16-bit mono at 22050 Hz, about 90 ms, well under 5 KB.

The output is the same on every run: the noise comes from a fixed-seed linear
congruential generator, not from the random module, so the file in the
repository can always be rebuilt bit for bit.

    python3 tools/make_switch_sound.py [output.wav]
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE = 22050
LENGTH_S = 0.090
PEAK = 0.70  # about -3 dBFS: loud enough to hear over the engine, no clipping


class Noise:
    """White noise in [-1, 1) from a 32-bit LCG (Numerical Recipes constants)."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (1664525 * self.state + 1013904223) & 0xFFFFFFFF
        return self.state / 2147483648.0 - 1.0


def tick(t, start, amplitude, freq, tau):
    """A struck, quickly damped resonance: the metal of the lever."""
    if t < start:
        return 0.0
    u = t - start
    return amplitude * math.exp(-u / tau) * math.sin(2 * math.pi * freq * u)


def thump(t, start, amplitude):
    """A low body resonance whose pitch sinks as it dies away."""
    if t < start:
        return 0.0
    u = t - start
    attack = min(1.0, u / 0.0015)
    # The phase is the integral of the falling frequency.
    phase = 2 * math.pi * (90.0 * u + 70.0 * 0.012 * (1.0 - math.exp(-u / 0.012)))
    return amplitude * attack * math.exp(-u / 0.016) * math.sin(phase)


def synthesise():
    count = int(RATE * LENGTH_S)
    noise = Noise(0x5EED)
    samples = []
    previous = 0.0
    for n in range(count):
        t = n / RATE
        # First difference of white noise: a brighter hiss with no rumble.
        white = noise.next()
        bright = (white - previous) * 0.5
        previous = white
        burst = 0.55 * math.exp(-t / 0.004) * bright
        seat = 0.30 * math.exp(-(t - 0.011) / 0.002) * bright if t >= 0.011 else 0.0
        value = (
            tick(t, 0.0, 1.0, 3400.0, 0.0007)
            + burst
            + tick(t, 0.011, 0.45, 2700.0, 0.0006)
            + seat
            + thump(t, 0.0005, 0.50)
        )
        samples.append(value)

    # A short fade so the file ends at silence rather than mid-wave.
    fade = int(RATE * 0.010)
    for i in range(fade):
        samples[count - fade + i] *= 0.5 * (1 + math.cos(math.pi * (i + 1) / fade))

    scale = PEAK / max(abs(s) for s in samples)
    return [max(-32768, min(32767, round(s * scale * 32767))) for s in samples]


def main():
    default = Path(__file__).resolve().parent.parent / "res" / "sound_switch.wav"
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    samples = synthesise()
    with wave.open(str(output), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack("<%dh" % len(samples), *samples))
    print("%s: %d samples, %d ms" % (output, len(samples), len(samples) * 1000 // RATE))


if __name__ == "__main__":
    main()

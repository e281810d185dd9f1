#!/usr/bin/env python3
"""Writes alarma.wav, the monitor's bundled alert sound: two short beeps (880 Hz, then 660 Hz),
16-bit mono PCM at 22050 Hz, with 5 ms ramps so the edges do not click."""
import math
import struct
import sys
import wave

RATE = 22050
RAMP = int(RATE * 0.005)


def beep(freq, seconds):
    n = int(RATE * seconds)
    for i in range(n):
        gain = min(1.0, i / RAMP, (n - 1 - i) / RAMP)
        yield int(14000 * gain * math.sin(2 * math.pi * freq * i / RATE))


def silence(seconds):
    return [0] * int(RATE * seconds)


samples = [*beep(880, 0.15), *silence(0.05), *beep(660, 0.15), *silence(0.05)]
with wave.open(sys.argv[1] if len(sys.argv) > 1 else "alarma.wav", "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b"".join(struct.pack("<h", s) for s in samples))

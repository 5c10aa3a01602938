#!/usr/bin/env python3
"""A test tone sequence for `make listen` (44.1 kHz 16-bit stereo WAV), made
to show each knob: a low tone and a high tone (Vibe), a tone moving from left
to right (3D, headphones) and clicks with silence after them (Soundfields).
Standard library only.
    tools/tones.py OUT.wav
"""
import math
import struct
import sys
import wave

RATE = 44100


def tone(freq, seconds, pan=0.5, level=0.4):
    n = int(RATE * seconds)
    for i in range(n):
        fade = min(1.0, i / 400.0, (n - i) / 400.0)
        v = level * fade * math.sin(2 * math.pi * freq * i / RATE)
        yield v * (1 - pan), v * pan


def sweep_pan(freq, seconds):
    n = int(RATE * seconds)
    for i, (l, r) in enumerate(tone(freq, seconds)):
        pan = i / n
        yield (l + r) * (1 - pan), (l + r) * pan


def clicks(count, gap):
    for _ in range(count):
        for i in range(int(RATE * gap)):
            v = 0.8 if i < 40 else 0.0
            yield v, v


def main():
    parts = [tone(60, 1.5), tone(1000, 1.5), sweep_pan(440, 3.0), clicks(4, 0.5),
             tone(220, 0.5, 0.0), tone(330, 0.5, 1.0), tone(440, 1.0)]
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(RATE)
        frames = bytearray()
        for part in parts:
            for l, r in part:
                frames += struct.pack("<hh", int(l * 32767), int(r * 32767))
        out.writeframes(bytes(frames))


if __name__ == "__main__":
    main()

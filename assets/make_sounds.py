#!/usr/bin/env python3
"""Writes the program's three wave files: novo.wav, excluir.wav and alarme.wav.

16-bit mono PCM at 22050 Hz, short enough to repeat; standard library only.
Run from anywhere: python3 assets/make_sounds.py
"""
import math
import os
import struct
import wave

RATE = 22050
HERE = os.path.dirname(os.path.abspath(__file__))


def tone(freq, seconds, volume=0.5, fade=0.01):
    n = int(RATE * seconds)
    f = max(1, int(RATE * fade))
    out = []
    for i in range(n):
        env = min(1.0, i / f, (n - i) / f)
        out.append(volume * env * math.sin(2 * math.pi * freq * i / RATE))
    return out


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    with wave.open(os.path.join(HERE, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", int(max(-1, min(1, s)) * 32767)) for s in samples))


# A rising pair for a new note, a falling pair for a deletion, three bright beeps for an alarm.
write("novo.wav", tone(660, 0.08) + tone(990, 0.12))
write("excluir.wav", tone(700, 0.08) + tone(440, 0.16))
write("alarme.wav", (tone(1320, 0.12, 0.6) + silence(0.08)) * 3 + silence(0.3))

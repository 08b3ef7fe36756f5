#!/usr/bin/env python3
"""Makes the short sounds the program plays while it beams entries: 16-bit
mono WAV files at 22,050 Hz, written with Python's wave module.

  infbeg.wav     the port is open: two rising notes
  ksir_send.wav  a chunk goes out: a short high tick
  ksir_recv.wav  a chunk is awaited: a short lower tick
  infend.wav     the exchange succeeded: a rising three-note chime
  infintr.wav    the exchange failed: two falling notes

Run it in this folder to rebuild the files; the same bytes come out on every
run.
"""
import math
import struct
import wave

RATE = 22050


def tone(frequency, seconds, volume=0.4):
    """A sine note with a soft start and end (no clicks)."""
    count = int(RATE * seconds)
    fade = max(1, int(RATE * 0.008))
    samples = []
    for i in range(count):
        envelope = min(1.0, i / fade, (count - 1 - i) / fade)
        samples.append(volume * envelope * math.sin(2 * math.pi * frequency * i / RATE))
    return samples


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def write(name, samples):
    with wave.open(name, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples))


SOUNDS = {
    "infbeg.wav": tone(660, 0.09) + silence(0.03) + tone(880, 0.12),
    "ksir_send.wav": tone(1320, 0.035, 0.25),
    "ksir_recv.wav": tone(990, 0.035, 0.25),
    "infend.wav": tone(660, 0.09) + tone(830, 0.09) + tone(990, 0.2),
    "infintr.wav": tone(520, 0.14) + silence(0.03) + tone(390, 0.22),
}

if __name__ == "__main__":
    for file_name, sound in SOUNDS.items():
        write(file_name, sound)

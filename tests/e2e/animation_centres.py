#!/usr/bin/env python3
"""Prints the table of animation_centres_controls_test.cpp, worked out apart from the
program: each step in double precision, each stored coordinate rounded to a 32-bit float,
each centre truncated toward zero; counter i of frame n holds n * i wrapped to 32 bits."""
import math
import struct


def f32(v):
    return struct.unpack('f', struct.pack('f', v))[0]


def wrap(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v >= (1 << 31) else v


def centres(n):
    x, y = 320.0, 240.0
    out = []
    for i in range(1, 6):
        angle = wrap(n * i) / 30.0
        x = f32(x + 30.0 * math.cos(angle))
        y = f32(y + 30.0 * math.sin(angle))
        out.append((int(x), int(y)))
    return out


frames = [0, 1, 376, 377, 954, 955]
for n in (429496729, 536870911, 715827882, 1073741823, 2147483647):
    frames += [n, n + 1]
for n in frames:
    print('    {%d, {%s}},' % (n, ', '.join('{%d, %d}' % p for p in centres(n))))

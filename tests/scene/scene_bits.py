#!/usr/bin/env python3
"""Writes expected_frames.txt, the float32 bits of the scene update after N
frames, for scene_update_test.cpp: "frame N" time, eye, view, world and
projection; "clock N" the time alone; "stop N" the time from frame N on, where
the clock stands still (the row before it is its last move). Nothing comes from the C++ sources: each float32
operation is done on exact fractions and rounded once to nearest-even, the
square root correctly rounded, sine and cosine are the C library's double
functions (math.sin, math.cos).   python3 tests/scene/scene_bits.py
"""

import math
import struct
from fractions import Fraction as F
from pathlib import Path

STEP = F(0.016666666)  # the double nearest the decimal constant
FRAMES = (0, 1, 2, 3, 9, 60, 151, 600, 1000)
CLOCK_FRAMES = (1000000,)


def f32(x):
    """The float32 nearest the exact value x (ties to even)."""
    m = abs(F(x))
    e = m.numerator.bit_length() - m.denominator.bit_length()
    if m < F(2) ** e:
        e -= 1  # now 2**e <= m < 2**(e + 1)
    spacing = F(2) ** (max(e, -126) - 23)
    n, rest = divmod(m / spacing, 1)
    if rest > F(1, 2) or (rest == F(1, 2) and n % 2):
        n += 1
    return math.copysign(float(n * spacing), x)


# IEEE float32 operations on float32 values held as Python floats; an exact
# zero takes the sign IEEE 754 gives it.
def mul(a, b):
    return f32(F(a) * F(b)) if a and b else math.copysign(0.0, a) * math.copysign(1.0, b)


def div(a, b):
    return f32(F(a) / F(b)) if a else math.copysign(0.0, a) * math.copysign(1.0, b)


def add(a, b):
    exact = F(a) + F(b)
    return f32(exact) if exact else a + b  # Python's own zero sum has IEEE's sign


def sqrt(a):
    """Correctly rounded: an integer root with 64 spare bits, plus a sticky
    half unit when inexact, rounded once."""
    n = F(a) * F(4) ** 232
    assert n.denominator == 1
    root = math.isqrt(n.numerator)
    return f32((F(root) if root * root == n else F(2 * root + 1, 2)) / F(2) ** 232)


# The matrix conventions: a three-part sum adds x and y first, then z;
# normalising divides by the square root.
def dot3(a, b):
    return add(add(mul(a[0], b[0]), mul(a[1], b[1])), mul(a[2], b[2]))


def normalize3(v):
    length = sqrt(dot3(v, v))
    return [div(c, length) for c in v]


def cross3(a, b):
    return [add(mul(a[1], b[2]), -mul(a[2], b[1])), add(mul(a[2], b[0]), -mul(a[0], b[2])),
            add(mul(a[0], b[1]), -mul(a[1], b[0])), 0.0]


def look_to_lh(eye, direction, up):
    r2 = normalize3(direction)
    r0 = normalize3(cross3(up, r2))
    r1 = cross3(r2, r0)
    n = [mul(c, -1.0) for c in eye]
    return [[r0[0], r1[0], r2[0], 0.0], [r0[1], r1[1], r2[1], 0.0], [r0[2], r1[2], r2[2], 0.0],
            [dot3(r0, n), dot3(r1, n), dot3(r2, n), 1.0]]


def rotation_y(theta):
    s, c = f32(math.sin(theta)), f32(math.cos(theta))
    return [[c, 0.0, -s, 0.0], [0.0, 1.0, 0.0, 0.0], [s, 0.0, c, 0.0], [0.0, 0.0, 0.0, 1.0]]


def perspective_lh():
    # Half of the 45 degree field of view: pi as float32, quartered, halved.
    half_angle = mul(div(f32(math.pi), 4.0), 0.5)
    y_scale = div(f32(math.cos(half_angle)), f32(math.sin(half_angle)))
    z_scale = f32(F(100.0) / F(f32(F(100.0) - F(0.01))))
    return [[div(y_scale, 1.25), 0.0, 0.0, 0.0], [0.0, y_scale, 0.0, 0.0], [0.0, 0.0, z_scale, 1.0],
            [0.0, 0.0, mul(-z_scale, 0.01), 0.0]]


def scene_at(t):
    # Each angle is a double constant times the float32 clock, rounded once;
    # its double sine or cosine times 10 or -10 is rounded once.
    eye = [mul(10.0, math.sin(mul(0.3, t))), mul(-10.0, math.sin(mul(0.4, t))), mul(10.0, math.cos(mul(0.5, t))),
           0.0]
    view = look_to_lh(eye, [add(0.0, -c) for c in eye], [0.0, 1.0, 0.0, 0.0])
    return [t] + eye + sum(view + rotation_y(mul(0.3, t)) + perspective_lh(), [])


def clock(targets):
    """Yields (tag, frame, time) at each target frame, then for the frame
    before the clock stands still and for the first frame it does. Within one binade every step adds the same
    amount, so the steps that stay inside it are taken at once."""
    t, frame, previous = 0.0, 0, 0.0
    while True:
        if frame in targets:
            yield "frame" if frame in FRAMES else "clock", frame, t
        following = f32(F(t) + STEP)
        if following == t:
            yield "clock", frame - 1, previous
            yield "stop", frame, t
            return
        step, top = following - t, F(2.0 ** math.frexp(t)[1])
        n = math.ceil((top - F(t)) / F(step)) - 1 if t >= 1.0 else 0  # steps landing below top
        n = min(n, min((n for n in targets if n > frame), default=math.inf) - frame)
        previous, t, frame = (t + (n - 1) * step, t + n * step, frame + n) if n > 1 else (t, following, frame + 1)


def main():
    lines = []
    for tag, frame, t in clock(FRAMES + CLOCK_FRAMES):
        values = scene_at(t) if tag == "frame" else [t]
        lines.append("%s %d %s" % (tag, frame, " ".join(struct.pack(">f", v).hex().upper() for v in values)))
    Path(__file__).with_name("expected_frames.txt").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Expected bits of the per-frame scene update, from exact rational arithmetic.

Prints the float32 bit patterns of the clock, the eye, and the view, world and
projection matrices after a few frame counts, as C++ initialisers for
scene_update_test.cpp. Nothing here comes from the C++ sources: every float32
operation is done on exact fractions and rounded once to nearest-even, the
square root is the correctly rounded one (integer square root), and the sine
and cosine are math.sin and math.cos, the C library's double functions.

    python3 tests/scene/scene_bits.py
"""

import math
import struct
from fractions import Fraction

FRAMES = (0, 1, 2, 3, 9, 60, 151, 600, 1000)

MANTISSA_BITS = 24          # significand bits of float32, hidden bit included
MIN_EXPONENT = -126         # exponent of the smallest normal float32
MAX_FINITE = Fraction((2 ** 24 - 1) * 2 ** 104)


def round_to_f32(value):
    """Rounds an exact Fraction to the nearest float32 (ties to even).

    Returns a Python float, which holds every float32 exactly. A zero result
    comes back as +0.0; callers give zeros their IEEE sign.
    """
    if value == 0:
        return 0.0
    sign = -1 if value < 0 else 1
    magnitude = abs(value)
    # exponent e with 2**e <= magnitude < 2**(e+1)
    e = magnitude.numerator.bit_length() - magnitude.denominator.bit_length()
    if Fraction(2) ** e > magnitude:
        e -= 1
    elif Fraction(2) ** (e + 1) <= magnitude:
        e += 1
    quantum_exponent = max(e, MIN_EXPONENT) - (MANTISSA_BITS - 1)
    scaled = magnitude / Fraction(2) ** quantum_exponent
    whole = scaled.numerator // scaled.denominator
    rest = scaled - whole
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and whole % 2 == 1):
        whole += 1
    result = Fraction(whole) * Fraction(2) ** quantum_exponent
    if result > MAX_FINITE:
        return sign * math.inf
    return sign * float(result)


def exact(x):
    return Fraction(x)


def signbit(x):
    return math.copysign(1.0, x) < 0


# IEEE float32 operations on float32 values held as Python floats. The exact
# result is rounded once; an exact zero takes the sign IEEE 754 gives it
# (round to nearest).

def f32_mul(a, b):
    r = round_to_f32(exact(a) * exact(b))
    if r == 0:
        return -0.0 if signbit(a) != signbit(b) else 0.0
    return r


def f32_div(a, b):
    r = round_to_f32(exact(a) / exact(b))
    if r == 0:
        return -0.0 if signbit(a) != signbit(b) else 0.0
    return r


def f32_add(a, b):
    total = exact(a) + exact(b)
    r = round_to_f32(total)
    if r == 0:
        if total == 0 and a == 0 and b == 0 and signbit(a) and signbit(b):
            return -0.0
        if total != 0:  # an underflow keeps the sign of the exact sum
            return -0.0 if total < 0 else 0.0
        return 0.0
    return r


def f32_sub(a, b):
    return f32_add(a, -b)


def f32_sqrt(a):
    """Correctly rounded square root of a non-negative float32."""
    if a == 0:
        return a
    value = exact(a)
    # value = n / 2**(2k) with n an integer; isqrt with 64 spare bits, and a
    # sticky half unit when inexact, then one rounding to float32.
    k = 200
    n = value * Fraction(2) ** (2 * k)
    assert n.denominator == 1
    n = n.numerator << 128
    root = math.isqrt(n)
    approx = Fraction(root) if root * root == n else Fraction(2 * root + 1, 2)
    return round_to_f32(approx / Fraction(2) ** (k + 64))


def round_product(a, b):
    """A float32 times a double constant (or a double result), rounded once."""
    r = round_to_f32(exact(a) * exact(b))
    if r == 0:
        return -0.0 if signbit(a) != signbit(b) else 0.0
    return r


def f32_from_double(x):
    """A double result (of sin or cos) stored as float32."""
    return round_to_f32(exact(x))


def bits(x):
    return struct.unpack("<I", struct.pack("<f", x))[0]


# Vector operations as the matrix conventions describe them: a three-part sum
# adds x and y first, then z; normalising divides by the square root.

def dot3(a, b):
    return f32_add(f32_add(f32_mul(a[0], b[0]), f32_mul(a[1], b[1])), f32_mul(a[2], b[2]))


def normalize3(v):
    s = dot3(v, v)
    if s == math.inf:
        return [math.nan] * 4
    length = f32_sqrt(s)
    if length == 0:
        return [0.0, 0.0, 0.0, 0.0]
    return [f32_div(c, length) for c in v]


def cross3(a, b):
    return [
        f32_sub(f32_mul(a[1], b[2]), f32_mul(a[2], b[1])),
        f32_sub(f32_mul(a[2], b[0]), f32_mul(a[0], b[2])),
        f32_sub(f32_mul(a[0], b[1]), f32_mul(a[1], b[0])),
        0.0,
    ]


def look_to_lh(eye, direction, up):
    r2 = normalize3(direction)
    r0 = normalize3(cross3(up, r2))
    r1 = cross3(r2, r0)
    n = [f32_mul(c, -1.0) for c in eye]
    return [
        [r0[0], r1[0], r2[0], 0.0],
        [r0[1], r1[1], r2[1], 0.0],
        [r0[2], r1[2], r2[2], 0.0],
        [dot3(r0, n), dot3(r1, n), dot3(r2, n), 1.0],
    ]


def rotation_y(theta):
    s = f32_from_double(math.sin(theta))
    c = f32_from_double(math.cos(theta))
    return [
        [c, 0.0, -s, 0.0],
        [0.0, 1.0, 0.0, 0.0],
        [s, 0.0, c, 0.0],
        [0.0, 0.0, 0.0, 1.0],
    ]


def perspective_lh():
    # Half of the 45 degree field of view: pi as float32, quartered, halved.
    half_angle = f32_mul(f32_div(round_to_f32(Fraction(math.pi)), 4.0), 0.5)
    sin_h = f32_from_double(math.sin(half_angle))
    cos_h = f32_from_double(math.cos(half_angle))
    y_scale = f32_div(cos_h, sin_h)
    x_scale = f32_div(y_scale, 1.25)  # 1.25 is exact in float32
    z_scale = round_to_f32(exact(100.0) / exact(round_to_f32(exact(100.0) - exact(0.01))))
    z_offset = round_product(-z_scale, 0.01)
    return [
        [x_scale, 0.0, 0.0, 0.0],
        [0.0, y_scale, 0.0, 0.0],
        [0.0, 0.0, z_scale, 1.0],
        [0.0, 0.0, z_offset, 0.0],
    ]


def scene_at(t):
    # Each argument is a float32 (double constant times float32, rounded
    # once); sine and cosine are the double functions of that value; the
    # product with 10 or -10 is rounded once.
    eye = [
        round_product(10.0, math.sin(round_product(0.3, t))),
        round_product(-10.0, math.sin(round_product(0.4, t))),
        round_product(10.0, math.cos(round_product(0.5, t))),
        0.0,
    ]
    direction = [f32_sub(0.0, c) for c in eye]
    view = look_to_lh(eye, direction, [0.0, 1.0, 0.0, 0.0])
    world = rotation_y(round_product(0.3, t))
    return eye, view, world


def hex32(x):
    return "0x%08Xu" % bits(x)


def matrix_text(m, indent):
    rows = ["{" + ", ".join(hex32(x) for x in row) + "}" for row in m]
    return "{" + (",\n" + indent + " ").join(rows) + "}"


def main():
    step = Fraction(0.016666666)  # the double nearest the decimal constant
    t = 0.0
    frame = 0
    print("// Generated by tests/scene/scene_bits.py.")
    print("const ExpectedFrame kExpectedFrames[] = {")
    for target in FRAMES:
        while frame < target:
            t = round_to_f32(exact(t) + step)
            frame += 1
        eye, view, world = scene_at(t)
        indent = "     "
        print("    {%d, %s, // time %r" % (frame, hex32(t), t))
        print("     {%s}," % ", ".join(hex32(c) for c in eye[:3]))
        print("     " + matrix_text(view, indent) + ",")
        print("     " + matrix_text(world, indent) + "},")
    print("};")
    print("const std::uint32_t kExpectedProjection[4][4] = {")
    for row in perspective_lh():
        print("    {" + ", ".join(hex32(x) for x in row) + "},")
    print("};")


if __name__ == "__main__":
    main()

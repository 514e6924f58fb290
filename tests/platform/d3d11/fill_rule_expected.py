#!/usr/bin/env python3
"""Expected coverage for fill_rule_test.cpp, in exact rational arithmetic.

Direct3D's top-left rule, applied here from its definition: vertices snap to
1/256 of a pixel; a pixel centre (column + 1/2, row + 1/2) is covered when it
is strictly inside the triangle, or on an edge that is a top edge (exactly
horizontal, the third vertex below it, y growing downwards) or a left edge
(not horizontal, the triangle's interior to its right); a centre on two edges
(a vertex) needs both to be top or left. Only triangles clockwise on screen
are drawn (back faces culled); strip triangle i takes its vertices in the
order (i, i + 1, i + 2) when i is even and (i + 1, i, i + 2) when odd.

Prints the case tables of fill_rule_cases.h: each case's vertices, the
window around it (one pixel of margin) and what each pixel of the window
shows: '.' the clear colour, 'a' + i triangle i (primitive i of a strip).
The test pastes these tables; rerun this after changing a case.
"""
from fractions import Fraction as F
import math

SIZE = 32  # the target is SIZE x SIZE pixels
SUBPIXELS = 256


def snap(value):
    scaled = F(value) * SUBPIXELS
    assert scaled.denominator != 2, f"{value} lies halfway between two sub-pixel positions"
    return F(round(scaled), SUBPIXELS)


def cross(o, a, b):
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0])


def top_or_left(p, q, third):
    """Whether edge p-q of the triangle with the third vertex `third` is a
    top edge or a left edge."""
    if p[1] == q[1]:
        return third[1] > p[1]  # horizontal: top when the third vertex is below
    # The edge's x at the third vertex's row; left when the third vertex lies
    # to the right of it.
    x = p[0] + (q[0] - p[0]) * (third[1] - p[1]) / (q[1] - p[1])
    return third[0] > x


def covers(triangle, centre):
    """Whether the triangle (snapped vertices) covers the pixel centre."""
    for i in range(3):
        p, q, third = triangle[i], triangle[(i + 1) % 3], triangle[(i + 2) % 3]
        side = cross(p, q, centre)
        inside = cross(p, q, third)  # the interior's sign for this edge
        assert inside != 0, "degenerate triangle"
        if side * inside < 0:
            return False
        if side == 0 and not top_or_left(p, q, third):
            return False
    return True


def clockwise(triangle):
    # y grows downwards, so a positive cross product turns clockwise on screen.
    return cross(*triangle) > 0


def list_triangles(vertices):
    return [vertices[i:i + 3] for i in range(0, len(vertices), 3)]


def strip_triangles(vertices):
    return [[vertices[i + 1], vertices[i], vertices[i + 2]] if i % 2 else vertices[i:i + 3]
            for i in range(len(vertices) - 2)]


def ties(triangles):
    """For the comment: how many centres lie on an edge of a triangle, by
    the kind of edge (a vertex counts under each of its edges)."""
    counts = {"top": 0, "bottom": 0, "left": 0, "right": 0}
    for t in triangles:
        for i in range(3):
            p, q, third = t[i], t[(i + 1) % 3], t[(i + 2) % 3]
            if p[1] == q[1]:
                kind = "top" if third[1] > p[1] else "bottom"
            else:
                kind = "left" if top_or_left(p, q, third) else "right"
            lo_x, hi_x = sorted((p[0], q[0]))
            lo_y, hi_y = sorted((p[1], q[1]))
            for row in range(math.floor(lo_y - F(1, 2)), math.ceil(hi_y) + 1):
                for column in range(math.floor(lo_x - F(1, 2)), math.ceil(hi_x) + 1):
                    c = (column + F(1, 2), row + F(1, 2))
                    if lo_x <= c[0] <= hi_x and lo_y <= c[1] <= hi_y and cross(p, q, c) == 0:
                        counts[kind] += 1
    return ", ".join(f"{n} {k}" for k, n in counts.items() if n)


def expected(vertices, strip=False):
    snapped = [(snap(x), snap(y)) for x, y in vertices]
    triangles = strip_triangles(snapped) if strip else list_triangles(snapped)
    for t in triangles:
        assert clockwise(t), f"{t} is a back face"
    xs = [v[0] for v in snapped]
    ys = [v[1] for v in snapped]
    # Pixels whose centre can be covered, and one more on each side.
    left = max(0, math.ceil(min(xs) - F(1, 2)) - 1)
    right = min(SIZE - 1, math.floor(max(xs) - F(1, 2)) + 1)
    top = max(0, math.ceil(min(ys) - F(1, 2)) - 1)
    bottom = min(SIZE - 1, math.floor(max(ys) - F(1, 2)) + 1)
    grid = []
    for row in range(top, bottom + 1):
        line = ""
        for column in range(left, right + 1):
            centre = (column + F(1, 2), row + F(1, 2))
            by = [i for i, t in enumerate(triangles) if covers(t, centre)]
            # Triangles that share an edge or a vertex never both draw a centre.
            assert len(by) <= 1, f"centre {centre} covered by triangles {by}"
            line += chr(ord("a") + by[0]) if by else "."
        grid.append(line)
    return left, top, grid, ties(triangles)


def literal(value):
    value = F(value)
    # Every vertex coordinate has a power-of-two denominator, so its decimal
    # expansion ends and is the float's exact value.
    text = f"{float(value):.12f}".rstrip("0").rstrip(".")
    assert F(text) == value
    return text + ("f" if "." in text else ".0f")


def table(name, cases, strip=False):
    print(f"// {name}")
    for title, vertices in cases:
        left, top, grid, tied = expected(vertices, strip)
        points = [f"{{{literal(x)}, {literal(y)}}}" for x, y in vertices]
        # One line of vertices, or one a triangle when there are several.
        per_line = len(points) if strip else 3
        lines = [", ".join(points[i:i + per_line]) for i in range(0, len(points), per_line)]
        print(f"    {{\"{title}\", // centres on edges: {tied or 'none'}")
        print("     {" + ",\n      ".join(lines) + f"}}, {left}, {top},")
        print("     {" + ",\n      ".join(f'"{line}"' for line in grid) + "}},")


h = F(1, 1024)  # a quarter of a sub-pixel: snaps away

table("kSingle", [
    ("top edge on row 1's centres", [(1.25, 1.5), (6.75, 1.5), (4, 5.25)]),
    ("bottom edge on row 4's centres", [(4, 0.75), (6.75, 4.5), (1.25, 4.5)]),
    ("left edge on column 1's centres", [(1.5, 1.25), (5.25, 4), (1.5, 6.75)]),
    ("right edge on column 5's centres", [(5.5, 1.25), (5.5, 6.75), (1.75, 4)]),
    ("left edge down and right through centres", [(2.25, 1), (6.75, 1), (4.75, 6)]),
    ("left edge down and left through centres", [(4.75, 1), (6.75, 6), (2.25, 6)]),
    ("right edge down and left through centres", [(1.25, 1), (5.75, 1), (3.25, 6)]),
    ("right edge down and right through centres", [(3.25, 1), (5.75, 6), (1.25, 6)]),
    ("top and left edges meet on a centre", [(1.5, 1.5), (5.75, 1.5), (1.5, 5.75)]),
    ("bottom and right edges meet on a centre", [(5.5, 1.25), (5.5, 5.5), (1.25, 5.5)]),
    ("top and right edges meet on a centre", [(1.25, 1.5), (5.5, 1.5), (5.5, 5.75)]),
    ("left and bottom edges meet on a centre", [(1.5, 1.25), (5.75, 5.5), (1.5, 5.5)]),
    ("apex on a centre", [(3.5, 1.5), (6.25, 5.75), (0.75, 5.75)]),
    ("lowest vertex on a centre", [(0.75, 1.25), (6.25, 1.25), (3.5, 5.5)]),
    ("leftmost vertex on a centre", [(1.5, 3.5), (5.75, 0.75), (5.75, 6.25)]),
    ("rightmost vertex on a centre", [(5.5, 3.5), (1.25, 6.25), (1.25, 0.75)]),
    ("top and left edges 1/1024 past the centres snap onto them",
     [(1.5 + h, 1.5 + h), (5.75, 1.5 + h), (1.5 + h, 5.75)]),
    ("bottom and right edges 1/1024 past the centres snap onto them",
     [(5.5 + h, 1.25), (5.5 + h, 5.5 + h), (1.25, 5.5 + h)]),
    ("top and left edges 1/1024 short of the centres snap onto them",
     [(1.5 - h, 1.5 - h), (5.75, 1.5 - h), (1.5 - h, 5.75)]),
])
table("kShared", [
    ("horizontal edge on row 3's centres",
     [(3.75, 0.75), (6.75, 3.5), (0.75, 3.5), (0.75, 3.5), (6.75, 3.5), (3.75, 6.25)]),
    ("vertical edge on column 3's centres",
     [(3.5, 0.75), (3.5, 6.75), (0.75, 3.75), (3.5, 0.75), (6.25, 3.75), (3.5, 6.75)]),
    ("square split from top-left to bottom-right",
     [(1, 1), (7, 1), (7, 7), (1, 1), (7, 7), (1, 7)]),
    ("square split from top-right to bottom-left",
     [(1, 1), (7, 1), (1, 7), (7, 1), (7, 7), (1, 7)]),
    ("square with every edge and corner on centres",
     [(1.5, 1.5), (6.5, 1.5), (6.5, 6.5), (1.5, 1.5), (6.5, 6.5), (1.5, 6.5)]),
    ("four triangles meeting on a centre",
     [(1, 1), (6, 1), (3.5, 3.5), (6, 1), (6, 6), (3.5, 3.5),
      (6, 6), (1, 6), (3.5, 3.5), (1, 6), (1, 1), (3.5, 3.5)]),
])
table("kStrip", [
    ("strip of four", [(1.5, 7.5), (3.5, 1.5), (5.5, 7.5), (7.5, 1.5), (9.5, 7.5), (11.5, 1.5)]),
], strip=True)

#!/usr/bin/env python3
"""Writes examples/house.dxf: a small house as DXF 3D faces, with a chimney as a
polyface mesh. CR LF line ends, group codes right-justified as CAD programs write them.

The walls and roof are 3DFACE entities (the gables are triangles: their fourth corner
repeats the third). The chimney is a POLYLINE polyface mesh: VERTEX entities for its
corners, then triangular face records (codes 71-73) whose negative indices mark the
diagonal edges invisible. Every entity carries layer "0"."""
import pathlib


def group(code, value):
    return [f"{code:3d}", str(value)]


def fmt(v):
    return f"{v:.3f}"


def face3d(a, b, c, d=None):
    d = c if d is None else d
    out = group(0, "3DFACE") + group(8, "0")
    for k, (x, y, z) in enumerate((a, b, c, d)):
        out += group(10 + k, fmt(x)) + group(20 + k, fmt(y)) + group(30 + k, fmt(z))
    return out


def box_corners(x0, y0, z0, x1, y1, z1):
    return [(x, y, z) for z in (z0, z1) for y in (y0, y1) for x in (x0, x1)]


lines = group(0, "SECTION") + group(2, "HEADER") + group(9, "$ACADVER") + group(1, "AC1009")
lines += group(0, "ENDSEC") + group(0, "SECTION") + group(2, "ENTITIES")

# Walls: a 4 x 3 footprint, 2.5 high, open at the bottom.
w, d, h, ridge = 4.0, 3.0, 2.5, 4.0
p = box_corners(0, 0, 0, w, d, h)
for q in ((0, 1, 5, 4), (1, 3, 7, 5), (3, 2, 6, 7), (2, 0, 4, 6)):
    lines += face3d(*(p[i] for i in q))
# Roof: two slopes and two gable triangles.
r0, r1 = (0, d / 2, ridge), (w, d / 2, ridge)
lines += face3d(p[4], p[5], r1, r0)
lines += face3d(p[7], p[6], r0, r1)
lines += face3d(p[4], r0, p[6])
lines += face3d(p[5], p[7], r1)

# Chimney: a box as a polyface mesh of 8 vertices and 12 triangles.
c = box_corners(2.8, 0.6, 2.9, 3.3, 1.1, 4.4)
quads = ((0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5))
lines += group(0, "POLYLINE") + group(8, "0") + group(66, 1) + group(10, "0.0")
lines += group(20, "0.0") + group(30, "0.0") + group(70, 64) + group(71, 8) + group(72, 12)
for x, y, z in c:
    lines += group(0, "VERTEX") + group(8, "0") + group(10, fmt(x)) + group(20, fmt(y))
    lines += group(30, fmt(z)) + group(70, 192)
# Face record indices count over every vertex of the file: the walls and roof gave 32.
base = 8 * 4 + 1
for a, b, cc, dd in quads:
    for tri in ((a, b, cc), (cc, dd, a)):
        lines += group(0, "VERTEX") + group(8, "0") + group(10, "0.0") + group(20, "0.0")
        lines += group(30, "0.0") + group(70, 128)
        # The edge from the third corner back to the first is the quad's diagonal; a
        # negative index marks the edge that starts at that corner invisible.
        lines += group(71, base + tri[0]) + group(72, base + tri[1])
        lines += group(73, -(base + tri[2]))
lines += group(0, "SEQEND") + group(8, "0")
lines += group(0, "ENDSEC") + group(0, "EOF")

out = pathlib.Path(__file__).with_name("house.dxf")
out.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
print(f"wrote {out}")

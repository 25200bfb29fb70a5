#!/usr/bin/env python3
"""Writes examples/gem.inc: a POV-Ray include file with two declared meshes, CR LF line
ends, one triangle per line.

"Gem" is an octahedron subdivided twice and pushed onto a sphere, written as smooth
triangles (each corner with its normal). "Plinth" is a square slab of plain triangles.
Comment lines and a transformation are there as a real include file has them; the
importer passes over both."""
import math
import pathlib


def normalized(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


def midpoint(a, b):
    return normalized(tuple((x + y) / 2 for x, y in zip(a, b)))


def vec(v):
    return "<" + ",".join(f"{c:.5f}" for c in v) + ">"


octahedron = [((1, 0, 0), (0, 1, 0), (0, 0, 1)), ((0, 1, 0), (-1, 0, 0), (0, 0, 1)),
              ((-1, 0, 0), (0, -1, 0), (0, 0, 1)), ((0, -1, 0), (1, 0, 0), (0, 0, 1)),
              ((0, 1, 0), (1, 0, 0), (0, 0, -1)), ((-1, 0, 0), (0, 1, 0), (0, 0, -1)),
              ((0, -1, 0), (-1, 0, 0), (0, 0, -1)), ((1, 0, 0), (0, -1, 0), (0, 0, -1))]
tris = octahedron
for _ in range(2):
    finer = []
    for a, b, c in tris:
        ab, bc, ca = midpoint(a, b), midpoint(b, c), midpoint(c, a)
        finer += [(a, ab, ca), (ab, b, bc), (ca, bc, c), (ab, bc, ca)]
    tris = finer

lines = ["// VLMImport sample: a gem on a plinth", "#declare Gem = mesh {"]
for a, b, c in tris:
    corners = ", ".join(vec(p) + "," + vec(p) for p in (a, b, c))  # unit sphere: normal = position
    lines.append(f"  smooth_triangle {{ {corners} }}")
lines.append("}")

s, lo, hi = 1.5, -1.6, -1.0
top = [(-s, -s, hi), (s, -s, hi), (s, s, hi), (-s, s, hi)]
bottom = [(x, y, lo) for x, y, _ in top]
quads = [(bottom[0], bottom[3], bottom[2], bottom[1]), (top[0], top[1], top[2], top[3])]
quads += [(bottom[k], bottom[(k + 1) % 4], top[(k + 1) % 4], top[k]) for k in range(4)]
lines += ["", "// The slab under the gem", "#declare Plinth = mesh {"]
for a, b, c, d in quads:
    lines.append(f"  triangle {{ {vec(a)}, {vec(b)}, {vec(c)} }}")
    lines.append(f"  triangle {{ {vec(c)}, {vec(d)}, {vec(a)} }}")
lines += ["  translate <0, 0, 0>", "}"]

out = pathlib.Path(__file__).with_name("gem.inc")
out.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))
print(f"wrote {out}")

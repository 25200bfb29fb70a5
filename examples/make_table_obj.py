#!/usr/bin/env python3
"""Writes examples/table.obj: a small table with a lamp, split into objects by
"# Object" marks, CR LF line ends. The table's parts carry smoothing groups; the lamp
shade carries its own vertex normals."""
import math
import pathlib

# The first mark only arms the split: the part before the second mark is named after the
# file, which is why the file is named after the table top.
lines = ["# VLMImport sample: a table with four legs and a lamp", "# Object table"]
count = 0  # vertices written so far; face indices count over the whole file


def box(x0, y0, z0, x1, y1, z1):
    global count
    corners = [(x, y, z) for z in (z0, z1) for y in (y0, y1) for x in (x0, x1)]
    for x, y, z in corners:
        lines.append(f"v {x:.3f} {y:.3f} {z:.3f}")
    b = count + 1
    quads = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]
    for q in quads:
        lines.append("f " + " ".join(str(b + i) for i in q))
    count += 8


lines += ["g top", "s 1"]
box(-1.0, 0.70, -0.6, 1.0, 0.75, 0.6)
for name, (x, z) in {"leg_front_left": (-0.9, -0.5), "leg_front_right": (0.9, -0.5),
                     "leg_back_left": (-0.9, 0.5), "leg_back_right": (0.9, 0.5)}.items():
    lines += [f"# Object {name}", "s off"]
    box(x - 0.04, 0.0, z - 0.04, x + 0.04, 0.70, z + 0.04)

# A cone-shaped lamp shade with one normal per vertex, written as v/vt/vn corners.
lines.append("# Object lamp_shade")
segments = 12
top, bottom = (0.0, 1.15, 0.0), 0.85
lines.append(f"v {top[0]:.3f} {top[1]:.3f} {top[2]:.3f}")
lines.append("vn 0 1 0")
apex = count + 1
count += 1
for i in range(segments):
    a = 2 * math.pi * i / segments
    x, z = 0.25 * math.cos(a), 0.25 * math.sin(a)
    lines.append(f"v {x:.4f} {bottom:.3f} {z:.4f}")
    lines.append(f"vn {math.cos(a) * 0.77:.4f} 0.64 {math.sin(a) * 0.77:.4f}")
ring = count + 1
count += segments
normal_base = 1  # normals are numbered over the whole file, the apex's is 1
for i in range(segments):
    j = (i + 1) % segments
    lines.append(f"f {apex}/1/{normal_base} {ring + j}/1/{normal_base + 1 + j} "
                 f"{ring + i}/1/{normal_base + 1 + i}")

out = pathlib.Path(__file__).with_name("table.obj")
out.write_bytes(("\r\n".join(lines) + "\r\n").encode("ascii"))

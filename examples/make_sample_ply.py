#!/usr/bin/env python3
"""Writes the PLY samples: a small tower (a box with a pyramid roof) in each encoding,
tower_ascii.ply, tower_le.ply (binary_little_endian) and tower_be.ply (binary_big_endian).
The walls are four-corner faces, the roof triangles; every vertex carries a colour, which
the importer passes over."""
import pathlib
import struct

# Box corners from 0 to 7, then the apex of the roof.
VERTICES = [(x, y, z) for y in (0.0, 2.0) for z in (-0.5, 0.5) for x in (-0.5, 0.5)]
VERTICES.append((0.0, 2.8, 0.0))
COLORS = [(200, 200, 190)] * 8 + [(180, 40, 30)]
FACES = [
    (0, 1, 3, 2),  # floor
    (0, 4, 5, 1), (1, 5, 7, 3), (3, 7, 6, 2), (2, 6, 4, 0),  # walls
    (4, 8, 5), (5, 8, 7), (7, 8, 6), (6, 8, 4),  # roof
]


def header(fmt):
    return "\n".join([
        "ply", f"format {fmt} 1.0", "comment VLMImport sample: a tower",
        f"element vertex {len(VERTICES)}", "property float x", "property float y",
        "property float z", "property uchar red", "property uchar green", "property uchar blue",
        f"element face {len(FACES)}", "property list uchar int vertex_indices", "end_header",
        ""]).encode("ascii")


def ascii_body():
    lines = [f"{x:g} {y:g} {z:g} {r} {g} {b}" for (x, y, z), (r, g, b) in zip(VERTICES, COLORS)]
    lines += [f"{len(f)} " + " ".join(map(str, f)) for f in FACES]
    return ("\n".join(lines) + "\n").encode("ascii")


def binary_body(order):
    out = b"".join(struct.pack(order + "fffBBB", *v, *c) for v, c in zip(VERTICES, COLORS))
    out += b"".join(struct.pack(order + "B" + "i" * len(f), len(f), *f) for f in FACES)
    return out


here = pathlib.Path(__file__).resolve().parent
(here / "tower_ascii.ply").write_bytes(header("ascii") + ascii_body())
(here / "tower_le.ply").write_bytes(header("binary_little_endian") + binary_body("<"))
(here / "tower_be.ply").write_bytes(header("binary_big_endian") + binary_body(">"))

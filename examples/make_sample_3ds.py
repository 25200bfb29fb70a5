#!/usr/bin/env python3
"""Writes examples/sample.3ds: a small 3D Studio scene of a house on a base plate.

Three materials (a byte colour, a single colour with a second byte colour, a transparent
one with shininess and specular coefficient) and three named triangle meshes bound to
them by their face-material groups. The first mesh carries a local matrix whose
translation becomes the imported object's position. The file is written z-up, as the
format stores it; the importer exchanges y and z.
"""
import pathlib
import struct


def chunk(cid, data=b""):
    return struct.pack("<HI", cid, 6 + len(data)) + data


def name(text):
    return text.encode("ascii") + b"\0"


def byte_color(r, g, b, cid=0x0011):
    return chunk(cid, bytes((r, g, b)))


def single_color(r, g, b):
    return chunk(0x0010, struct.pack("<3f", r, g, b))


def percent(p):
    return chunk(0x0030, struct.pack("<h", p))


def material(mat_name, *subchunks):
    return chunk(0xAFFF, chunk(0xA000, name(mat_name)) + b"".join(subchunks))


def mesh(obj_name, vertices, faces, mat_name, translation=None):
    body = chunk(0x4110, struct.pack("<H", len(vertices)) +
                 b"".join(struct.pack("<3f", *v) for v in vertices))
    face_data = struct.pack("<H", len(faces)) + b"".join(struct.pack("<4H", *f, 7) for f in faces)
    group = name(mat_name) + struct.pack("<H", len(faces)) + \
        b"".join(struct.pack("<H", i) for i in range(len(faces)))
    body += chunk(0x4120, face_data + chunk(0x4130, group))
    if translation is not None:
        rows = (1, 0, 0, 0, 1, 0, 0, 0, 1) + tuple(translation)
        body += chunk(0x4160, struct.pack("<12f", *rows))
    return chunk(0x4000, name(obj_name) + chunk(0x4100, body))


def box(x0, y0, z0, x1, y1, z1):
    vertices = [(x, y, z) for z in (z0, z1) for y in (y0, y1) for x in (x0, x1)]
    quads = [(0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5)]
    faces = [t for a, b, c, d in quads for t in ((a, b, c), (a, c, d))]
    return vertices, faces


def roof(x0, y0, x1, y1, z, top):
    vertices = [(x0, y0, z), (x1, y0, z), (x1, y1, z), (x0, y1, z), ((x0 + x1) / 2, (y0 + y1) / 2, top)]
    faces = [(0, 1, 4), (1, 2, 4), (2, 3, 4), (3, 0, 4), (0, 3, 2), (0, 2, 1)]
    return vertices, faces


materials = (
    material("Brick", chunk(0xA010, byte_color(60, 20, 10)), chunk(0xA020, byte_color(170, 60, 40)),
             chunk(0xA030, byte_color(40, 40, 40))),
    material("Slate", chunk(0xA020, single_color(0.25, 0.3, 0.35) + byte_color(64, 76, 90, 0x0012)),
             chunk(0xA040, percent(40)), chunk(0xA041, percent(30))),
    material("Glass", chunk(0xA020, byte_color(180, 220, 255)), chunk(0xA050, percent(70))),
)
objects = (
    mesh("Walls", *box(-2.0, -1.5, 0.0, 2.0, 1.5, 2.0), "Brick", translation=(0.0, 0.0, 1.0)),
    mesh("Roof", *roof(-2.2, -1.7, 2.2, 1.7, 2.0, 3.2), "Slate"),
    mesh("Base plate", *box(-3.0, -2.5, -0.1, 3.0, 2.5, 0.0), "Glass"),
)
editor = chunk(0x3D3D, chunk(0x3D3E, struct.pack("<I", 3)) + b"".join(materials) + b"".join(objects))
data = chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + editor)
pathlib.Path(__file__).with_name("sample.3ds").write_bytes(data)

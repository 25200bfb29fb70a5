"""Damaged files: an exception with the plug-in's message, never a crash, and the next
import as good as ever. The damage is what a cut-off download, a buggy exporter or a
hostile author does: cuts, zeroed blocks, spliced and repeated chunks, huge declared
counts, megabyte lines and mixed line ends."""

import os
import random
import re
import tempfile
import unittest

import support
import vlmimport


def huge_counts(data, rng):
    # A binary count's bytes, or numbers of the text, claim far more.
    if b"\0" in data[:512]:
        at = rng.randrange(len(data) - 4)
        return data[:at] + b"\xff\xff\xff\x7f" + data[at + 4:]
    return re.sub(rb"\b\d+\b", lambda m: b"2147483647" if rng.random() < 0.3 else m.group(0), data)


def at(data, rng):
    return rng.randrange(len(data))


DAMAGE = {
    "cut": lambda d, r: d[:at(d, r)],
    "zero_block": lambda d, r: (lambda i: d[:i] + bytes(64) + d[i + 64:])(at(d, r)),
    "splice": lambda d, r: (lambda a, b, i: d[:i] + d[min(a, b):max(a, b)] + d[i:])(
        at(d, r), at(d, r), at(d, r)),
    "repeat": lambda d, r: (lambda i: d[:i] + d[i:i + r.randrange(1, 200)] * r.randrange(2, 50)
                            + d[i:])(at(d, r)),
    "huge_counts": huge_counts,
    "long_line": lambda d, r: (lambda i: d[:i] + b"7" * (2 << 20) + d[i:])(at(d, r)),
    "mixed_line_ends": lambda d, r: b"".join(
        part + r.choice([b"\n", b"\r", b"\r\n", b"\n\r"]) for part in re.split(rb"\r\n|\n|\r", d)),
}


class DamagedFiles(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def write(self, name, data):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_every_damage_of_every_sample(self):
        rng = random.Random(45)
        for sample in support.samples():
            original = open(sample, "rb").read()
            for kind, damage in DAMAGE.items():
                data = original
                for _ in range(rng.randrange(1, 3)):
                    data = damage(data, rng) if data else data
                path = self.write("damaged_" + os.path.basename(sample), data)
                with self.subTest(file=os.path.basename(sample), damage=kind):
                    try:
                        scene = vlmimport.load(path, crlf=True)
                    except vlmimport.ImportError as e:
                        self.assertTrue(str(e).strip())
                        continue
                    self.assertTrue(any(len(o.triangles) for o in scene.objects))
                    for obj in scene.objects:
                        if len(obj.triangles):
                            self.assertLess(int(obj.triangles.max()), len(obj.vertices))

    def test_bad_inputs_raise_with_the_reason(self):
        garbage = self.write("garbage.ply", bytes(range(256)) * 8)
        cases = [
            (os.path.join(self.folder.name, "missing.obj"), {}, "No such file"),
            (self.folder.name, {"format": "obj"}, "not a regular file"),
            (self.write("model.stl", b""), {}, "unknown format"),
            (garbage, {"format": "step"}, "unknown format 'step'"),
            (self.write("empty.3ds", b""), {}, ""),
            (garbage, {}, ""),
        ]
        for path, kwargs, words in cases:
            with self.subTest(file=os.path.basename(path), **kwargs):
                with self.assertRaises(vlmimport.ImportError) as caught:
                    vlmimport.load(path, **kwargs)
                self.assertIn(words, str(caught.exception))
                self.assertTrue(str(caught.exception).strip())


if __name__ == "__main__":
    unittest.main()

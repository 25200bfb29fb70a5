"""Damaged files: an exception with the plug-in's message, never a crash, and the next
import as good as ever. The damage is what a cut-off download, a buggy exporter or a
hostile author does: cuts, zeroed blocks, spliced and repeated chunks, huge declared
counts, megabyte lines and mixed line ends."""

import os
import random
import re
import subprocess
import sys
import tempfile
import unittest

import support
import vlmimport


def cut(data, rng):
    return data[:rng.randrange(len(data))]


def zero_block(data, rng):
    start = rng.randrange(len(data))
    return data[:start] + bytes(min(64, len(data) - start)) + data[start + 64:]


def splice(data, rng):
    a, b = sorted(rng.randrange(len(data)) for _ in range(2))
    at = rng.randrange(len(data))
    return data[:at] + data[a:b] + data[at:]


def repeat(data, rng):
    a = rng.randrange(len(data))
    chunk = data[a:a + rng.randrange(1, 200)]
    return data[:a] + chunk * rng.randrange(2, 50) + data[a:]


def huge_counts(data, rng):
    # Every number in the text, or a binary count's bytes, claims far more.
    if b"\0" in data[:512]:
        at = rng.randrange(len(data) - 4)
        return data[:at] + b"\xff\xff\xff\x7f" + data[at + 4:]
    return re.sub(rb"\b\d+\b", lambda m: b"2147483647" if rng.random() < 0.3 else m.group(0),
                  data)


def long_line(data, rng):
    at = rng.randrange(len(data))
    return data[:at] + b"7" * (2 << 20) + data[at:]


def mixed_line_ends(data, rng):
    return b"".join(part + rng.choice([b"\n", b"\r", b"\r\n", b"\n\r"])
                    for part in re.split(rb"\r\n|\n|\r", data))


DAMAGE = [cut, zero_block, splice, repeat, huge_counts, long_line, mixed_line_ends]


class DamagedFiles(unittest.TestCase):
    def test_every_damage_of_every_sample(self):
        rng = random.Random(45)
        folder = tempfile.mkdtemp()
        for path in support.samples():
            original = open(path, "rb").read()
            for damage in DAMAGE:
                data = original
                for _ in range(rng.randrange(1, 3)):
                    data = damage(data, rng) if data else data
                damaged = os.path.join(folder, "damaged_" + os.path.basename(path))
                with open(damaged, "wb") as f:
                    f.write(data)
                with self.subTest(file=os.path.basename(path), damage=damage.__name__):
                    try:
                        scene = vlmimport.load(damaged, crlf=True)
                    except vlmimport.ImportError as e:
                        self.assertTrue(str(e).strip())
                    else:
                        self.assertTrue(any(len(o.triangles) for o in scene.objects))
                        for obj in scene.objects:
                            if len(obj.triangles):
                                self.assertLess(int(obj.triangles.max()), len(obj.vertices))
                os.remove(damaged)
        os.rmdir(folder)

    def test_bad_inputs_raise_with_the_reason(self):
        folder = tempfile.mkdtemp()
        empty = os.path.join(folder, "empty.3ds")
        open(empty, "wb").close()
        garbage = os.path.join(folder, "garbage.ply")
        with open(garbage, "wb") as f:
            f.write(bytes(range(256)) * 8)
        unknown = os.path.join(folder, "model.stl")
        open(unknown, "wb").close()
        cases = [
            (os.path.join(folder, "missing.obj"), {}, "No such file"),
            (folder, {"format": "obj"}, "not a regular file"),
            (unknown, {}, "unknown format"),
            (garbage, {"format": "step"}, "unknown format 'step'"),
            (empty, {}, ""),
            (garbage, {}, ""),
        ]
        for path, kwargs, words in cases:
            with self.subTest(file=os.path.basename(path), **kwargs):
                with self.assertRaises(vlmimport.ImportError) as caught:
                    vlmimport.load(path, **kwargs)
                self.assertIn(words, str(caught.exception))
                self.assertTrue(str(caught.exception).strip())
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        os.rmdir(folder)

    def test_a_damaged_file_does_not_take_the_interpreter_down(self):
        # The same in a process of its own, which a crash would end with a signal.
        code = ("import sys, vlmimport\n"
                "try:\n    vlmimport.load(sys.argv[1])\n"
                "except vlmimport.ImportError as e:\n    print('error:', e)\n")
        with tempfile.NamedTemporaryFile(suffix=".3ds") as f:
            f.write(open(os.path.join(support.EXAMPLES, "sample.3ds"), "rb").read()[:300])
            f.flush()
            run = subprocess.run([sys.executable, "-c", code, f.name], capture_output=True,
                                 env=dict(os.environ, PYTHONPATH=os.path.join(support.BUILD,
                                                                              "python")))
        self.assertEqual(run.returncode, 0, run.stderr)


if __name__ == "__main__":
    unittest.main()

"""Progress and stop, the GIL, and many imports in one process."""

import os
import shutil
import tempfile
import threading
import unittest

import numpy as np

import support
import vlmimport


def summary(scene):
    return [(o.key, o.name, o.parent.key if o.parent else None, len(o.vertices),
             len(o.triangles), float(o.vertices.sum()) if len(o.vertices) else 0.0)
            for o in scene.objects]


class LargeFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.files = {}
        for fmt, ext in (("obj", "obj"), ("ply_le", "ply"), ("dxf", "dxf"), ("3ds", "3ds"),
                         ("inc", "inc")):
            path = os.path.join(cls.folder, f"large_{fmt}.{ext}")
            support.generate(fmt, 2, path)
            cls.files[fmt] = path

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def test_progress_rises_to_the_end(self):
        for fmt, path in self.files.items():
            with self.subTest(format=fmt):
                seen = []
                scene = vlmimport.load(path, progress=seen.append)
                self.assertFalse(scene.stopped)
                self.assertGreater(len(seen), 10)
                self.assertEqual(seen, sorted(set(seen)), "rising, each percentage once")
                self.assertTrue(all(0.0 <= f <= 1.0 for f in seen))
                # The DXF reader's bar stops short of the end of the file.
                self.assertGreaterEqual(seen[-1], 0.7)

    def test_false_stops_the_import_and_keeps_what_was_read(self):
        for fmt, path in self.files.items():
            with self.subTest(format=fmt):
                whole = sum(len(o.triangles) for o in vlmimport.load(path).objects)
                calls = []

                def stop_at_half(fraction):
                    calls.append(fraction)
                    return fraction < 0.5

                scene = vlmimport.load(path, progress=stop_at_half)
                self.assertTrue(scene.stopped)
                self.assertLess(max(calls), 0.6, "no progress after the stop")
                self.assertLess(sum(len(o.triangles) for o in scene.objects), whole)

    def test_an_exception_in_progress_stops_and_comes_out(self):
        path = self.files["obj"]

        def fail(fraction):
            if fraction > 0.2:
                raise KeyError("from the callback")

        with self.assertRaises(KeyError):
            vlmimport.load(path, progress=fail)
        self.assertFalse(vlmimport.load(path, progress=lambda f: True).stopped)

    def test_other_threads_run_while_a_file_is_read(self):
        counter = [0]
        done = threading.Event()

        def count():
            while not done.is_set():
                counter[0] += 1

        thread = threading.Thread(target=count)
        thread.start()
        try:
            before = counter[0]
            vlmimport.load(self.files["ply_le"])
            during = counter[0] - before
        finally:
            done.set()
            thread.join()
        self.assertGreater(during, 10000)

    def test_two_threads_import_one_after_the_other(self):
        expected = {fmt: summary(vlmimport.load(path)) for fmt, path in self.files.items()}
        results = {}

        def work(fmt):
            results[fmt] = summary(vlmimport.load(self.files[fmt]))

        threads = [threading.Thread(target=work, args=(fmt,)) for fmt in self.files]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(results, expected)


class ManyImports(unittest.TestCase):
    def test_failures_leave_the_next_import_clean(self):
        here = os.getcwd()  # which the plug-in's dialog changes to each file's folder
        samples = support.samples()
        first = {p: summary(vlmimport.load(p)) for p in samples}
        bad = [os.path.join(support.EXAMPLES, "missing.obj"), support.EXAMPLES]
        for round_ in range(5):
            for path in samples:
                with self.subTest(round=round_, file=os.path.basename(path)):
                    with self.assertRaises(vlmimport.ImportError):
                        vlmimport.load(bad[round_ % 2])
                    self.assertEqual(summary(vlmimport.load(path)), first[path])
        self.assertEqual(os.getcwd(), here)

    def test_arrays_outlive_their_scene(self):
        vertices = vlmimport.load(os.path.join(support.EXAMPLES, "table.obj")).objects[0].vertices
        copy = np.array(vertices)
        for _ in range(3):
            vlmimport.load(os.path.join(support.EXAMPLES, "sample.3ds"))
        np.testing.assert_array_equal(vertices, copy)



if __name__ == "__main__":
    unittest.main()

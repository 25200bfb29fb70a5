"""The module's scenes hold the numbers vlmhost reports for the same files."""

import os
import unittest

import numpy as np

import support
import vlmimport

# vlmhost options and the load() arguments that ask for the same import.
ARGUMENTS = {
    "--no-normals": ("normals", False),
    "--no-smooth": ("smooth", False),
    "--no-auto-smooth": ("autosmooth", False),
    "--crlf": ("crlf", True),
    "--file-units": ("file_units", True),
}


def rgb(number):
    return tuple(((number >> shift) & 0xFF) / 255.0 for shift in (0, 8, 16))


def load_arguments(args):
    """The load() arguments for vlmhost's `args`; None for arguments load() has no match for."""
    kwargs = {}
    rest = list(args)
    while rest:
        arg = rest.pop(0)
        if arg == "--format":
            kwargs["format"] = rest.pop(0)
        elif arg in ARGUMENTS:
            key, value = ARGUMENTS[arg]
            kwargs[key] = value
        else:
            return None
    return kwargs


def floats(values):
    """JSON numbers as float32; null (what JSON makes of an infinity or NaN) as NaN."""
    return np.array([np.nan if v is None else v for v in values], dtype=np.float32)


class SameAsVlmhost(unittest.TestCase):
    def check_file(self, path, args=()):
        kwargs = load_arguments(args)
        if kwargs is None:
            return
        report = support.vlmhost_json(path, *args)
        try:
            scene = vlmimport.load(path, **kwargs)
        except vlmimport.ImportError as e:
            # vlmhost brought no triangles either, for the reason the plug-in gave.
            triangles = sum(o["triangleCount"] for o in report["objects"])
            self.assertEqual(triangles, 0, f"{path}: {e}")
            if report["messages"]:
                self.assertEqual(str(e), report["messages"][0]["text"])
            return
        self.assertEqual(scene.plugin, report["plugin"]["name"])
        self.assertEqual([m.name for m in scene.materials],
                         [m["name"] for m in report["materials"]])
        for mine, theirs in zip(scene.materials, report["materials"]):
            self.assertEqual(mine.color, rgb(theirs["color"]))
            self.assertAlmostEqual(mine.opacity, theirs["opacity"], places=6)
            self.assertAlmostEqual(mine.smoothness, theirs["smoothness"], places=6)
        self.assertEqual(len(scene.objects), len(report["objects"]))
        by_name = {m["name"]: m for m in report["materials"]}
        for obj, expected in zip(scene.objects, report["objects"]):
            with self.subTest(object=expected["key"]):
                self.check_object(obj, expected, by_name)
        selected = report["selectedObject"]
        self.assertIs(scene.selected,
                      scene.objects[selected - 1] if 1 <= selected <= len(scene.objects) else None)
        self.assertEqual(scene.messages, [m["text"] for m in report["messages"]])

    def check_object(self, obj, expected, materials):
        self.assertEqual((obj.key, obj.name), (expected["key"], expected["name"]))
        self.assertEqual(obj.parent.key if obj.parent else None, expected["parent"])
        self.assertEqual(obj.visible, expected["visible"])
        np.testing.assert_array_equal(np.float32(obj.position), np.float32(expected["position"]))
        bound = expected["material"]
        shown = materials[bound]["color"] if bound in materials else expected["color"]
        self.assertEqual(obj.color, rgb(shown))
        self.assertEqual(obj.material.name if obj.material else None,
                         bound if bound in materials else None)
        self.assertEqual(obj.vertices.dtype, np.float32)
        self.assertEqual(obj.triangles.dtype, np.uint32)
        vertices = obj.vertices.reshape(-1).copy()
        vertices[~np.isfinite(vertices)] = np.nan
        np.testing.assert_array_equal(vertices, floats(expected["vertices"]))
        np.testing.assert_array_equal(obj.triangles.reshape(-1), np.uint32(expected["triangles"]))
        normals = obj.corner_normals.copy()
        normals[~np.isfinite(normals)] = np.nan
        np.testing.assert_array_equal(normals, floats(expected["cornerNormals"]).reshape(-1, 3, 3))
        self.assertEqual(obj.vertices.shape, (expected["vertexCount"], 3))
        self.assertEqual(obj.triangles.shape, (expected["triangleCount"], 3))

    def test_every_sample_and_golden_input(self):
        for path, args in [(p, []) for p in support.samples()] + support.golden_inputs():
            with self.subTest(file=os.path.basename(path)):
                self.check_file(path, args)


class NormalShapes(unittest.TestCase):
    """The cheap forms of the normals say the same as the corner normals."""

    def test_vertex_normals_and_flat_agree_with_the_corners(self):
        kinds = set()
        for path in support.samples() + [p for p, _ in support.golden_inputs()]:
            try:
                scene = vlmimport.load(path)
            except vlmimport.ImportError:
                continue
            for obj in scene.objects:
                with self.subTest(file=os.path.basename(path), object=obj.key):
                    corners = obj.corner_normals
                    if obj.vertex_normals is not None:
                        kinds.add("vertex")
                        self.assertEqual(obj.vertex_normals.shape, obj.vertices.shape)
                        np.testing.assert_array_equal(obj.vertex_normals[obj.triangles], corners)
                    if obj.flat:
                        kinds.add("flat")
                        if len(corners):
                            self.assert_face_normals(obj)
                    if obj.vertex_normals is None and not obj.flat:
                        kinds.add("corner")
        self.assertEqual(kinds, {"vertex", "flat", "corner"})

    def assert_face_normals(self, obj):
        corners = obj.corner_normals
        np.testing.assert_array_equal(corners[:, 0], corners[:, 1])
        np.testing.assert_array_equal(corners[:, 0], corners[:, 2])
        v = obj.vertices.astype(np.float64)[obj.triangles]
        face = np.cross(v[:, 1] - v[:, 0], v[:, 2] - v[:, 0])
        length = np.linalg.norm(face, axis=1)
        real = length > 0
        cosine = np.einsum("ij,ij->i", face[real], corners[real, 0]) / (
            length[real] * np.linalg.norm(corners[real, 0], axis=1))
        self.assertTrue(np.all(cosine > 0.9999))


if __name__ == "__main__":
    unittest.main()

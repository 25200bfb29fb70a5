"""The add-on in a headless Blender: the scene it builds against vlmhost's report of the same
files and options. One group a run (GROUPS below):

    blender -b --factory-startup --python-exit-code 1 --python tests/blender/test_import.py -- \
        --addon-dir build/blender --vlmhost build/bin/vlmhost --group obj
"""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

import bpy
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EX = os.path.join(ROOT, "examples")
DATA = os.path.join(ROOT, "tests", "data")



def cases():
    """The table of tests/data/blender/cases.tsv: {group: [(file, operator options)]}."""
    table = {}
    with open(os.path.join(DATA, "blender", "cases.tsv")) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            group, path, *options = line.rstrip("\n").split("\t")
            pairs = (o.split("=") for o in (options[0].split() if options else []))
            table.setdefault(group, []).append((os.path.join(ROOT, path), {
                k: (v if k == "file_format" else v == "1") for k, v in pairs}))
    return table


CASES = cases()
ARGS = None


def vlmhost_args(options):
    flags = {"import_normals": "--no-normals", "smooth_groups": "--no-smooth",
             "auto_smooth": "--no-autosmooth"}
    args = [flags[k] for k, v in options.items() if k in flags and not v]
    if options.get("file_units"):
        args.append("--file-units")
    if options.get("crlf", True):
        args.append("--crlf")
    if options.get("file_format", 'AUTO') != 'AUTO':
        args += ["--format", options["file_format"].lower()]
    return args


def vlmhost(paths, options):
    """The scene vlmhost holds after importing `paths`, with vertices and normals."""
    proc = subprocess.run([ARGS.vlmhost, "--quiet", "--geometry"] + vlmhost_args(options)
                          + paths, capture_output=True, text=True)
    if proc.returncode not in (0, 1):
        raise RuntimeError("vlmhost failed: %s" % proc.stderr)
    return json.loads(proc.stdout)


def import_files(paths, **options):
    directory = os.path.dirname(paths[0])
    assert all(os.path.dirname(p) == directory for p in paths)
    return bpy.ops.import_scene.vlmimport(filepath=paths[0], directory=directory,
                                          files=[{"name": os.path.basename(p)} for p in paths],
                                          **options)


def clear_scene():
    for collection in (bpy.data.objects, bpy.data.meshes, bpy.data.materials):
        for item in list(collection):
            collection.remove(item)


def data_names():
    return (sorted(o.name for o in bpy.data.objects), sorted(m.name for m in bpy.data.meshes),
            sorted(m.name for m in bpy.data.materials))


def axes(a):
    """Host (x, y, z) -> Blender (x, -z, y), as the add-on's README states."""
    a = np.asarray(a, dtype=np.float64).reshape(-1, 3)
    return np.stack([a[:, 0], -a[:, 2], a[:, 1]], axis=1)


def colorref(c):
    return np.array([c & 255, (c >> 8) & 255, (c >> 16) & 255]) / 255.0


def linear_to_srgb(c):
    c = np.clip(np.asarray(c, dtype=np.float64), 0.0, 1.0)
    return np.where(c <= 0.0031308, c * 12.92, 1.055 * c ** (1 / 2.4) - 0.055)


def blender_name_matches(blender, host):
    """Control characters become '_'; Blender keeps at most 63 bytes of a name and adds
    .001 ... to names already taken."""
    host = re.sub(r"[\x00-\x1f]", "_", host)
    stem = re.sub(r"\.\d{3}$", "", blender)
    if stem != blender and host.startswith(stem) and stem:
        return True
    limit = host.encode("utf-8")[:63].decode("utf-8", "ignore")
    return blender == limit


class SceneCompare(unittest.TestCase):
    """Compares the Blender objects of one file's import with vlmhost's scene of it."""

    def compare(self, expected, objects, file_name, first=0):
        """`expected`: vlmhost's JSON; `objects`: Blender objects of the import; the host objects
        compared are imports[first]'s."""
        host_import = expected["imports"][first]
        host_objects = {o["key"]: o for o in expected["objects"]
                        if o["key"] in host_import["objects"]}
        materials = {m["name"]: m for m in expected["materials"]}
        mine = [o for o in objects if o["vlmimport_file"] == file_name]
        # vlmhost numbers the objects of a scene's imports on; each add-on import starts at Obj1
        offset = int(host_import["objects"][0][3:]) - 1 if host_import["objects"] else 0
        by_key = {"Obj%d" % (int(o["vlmimport_key"][3:]) + offset): o for o in mine}
        self.assertEqual(sorted(by_key), sorted(host_objects))
        for key, host in host_objects.items():
            ob = by_key[key]
            with self.subTest(file=file_name, object=host["name"]):
                self.assertTrue(blender_name_matches(ob.name, host["name"] or host["key"]),
                                (ob.name, host["name"]))
                if host["parent"]:
                    self.assertIsNotNone(ob.parent)
                    self.assertEqual(by_key.get(host["parent"]), ob.parent)
                else:
                    self.assertIsNone(ob.parent)
                self.compare_geometry(ob, host)
                # a key naming no listed material leaves the object in its own colour
                material = materials.get(host["material"]) if host["materialKey"] else None
                color = colorref(material["color"] if material else host["color"])
                self.compare_material(ob.data.materials[0], color, material)

    def compare_geometry(self, ob, host):
        mesh = ob.data
        verts = np.array(host.get("vertices", []), dtype=np.float64).reshape(-1, 3)
        tris = np.array(host.get("triangles", []), dtype=np.int64).reshape(-1, 3)
        keep = (tris[:, 0] != tris[:, 1]) & (tris[:, 1] != tris[:, 2]) & (tris[:, 0] != tris[:, 2])
        self.assertEqual(len(mesh.polygons), host["triangleCount"] - np.count_nonzero(~keep))
        self.assertEqual(len(mesh.vertices), host["vertexCount"])
        loops = np.empty(len(mesh.loops), dtype=np.int32)
        mesh.loops.foreach_get("vertex_index", loops)
        np.testing.assert_array_equal(loops.reshape(-1, 3), tris[keep])
        if not len(mesh.vertices):
            return
        co = np.empty(len(mesh.vertices) * 3, dtype=np.float32)
        mesh.vertices.foreach_get("co", co)
        world = np.asarray(ob.matrix_world)
        co = co.reshape(-1, 3) @ world[:3, :3].T + world[:3, 3]
        position = np.array(host["position"])
        scale = max(1.0, float(np.abs(verts).max()), float(np.abs(position).max()))
        np.testing.assert_allclose(co, axes(verts + position), atol=2e-6 * scale)
        bbox = axes(np.array(host["bbox"]) + position)
        np.testing.assert_allclose(co.min(axis=0), bbox.min(axis=0), atol=2e-6 * scale)
        np.testing.assert_allclose(co.max(axis=0), bbox.max(axis=0), atol=2e-6 * scale)

        normals = np.array(host.get("cornerNormals", []), dtype=np.float64).reshape(-1, 3, 3)
        if not len(normals):
            smooth = np.empty(len(mesh.polygons), dtype=bool)
            mesh.polygons.foreach_get("use_smooth", smooth)
            self.assertFalse(smooth.any(), "an object without normals is shaded flat")
            self.assertFalse(mesh.has_custom_normals)
            return
        normals = axes(normals[keep])
        length = np.linalg.norm(normals, axis=1)
        mesh.calc_normals_split()
        got = np.empty(len(mesh.loops) * 3, dtype=np.float32)
        mesh.loops.foreach_get("normal", got)
        got = got.reshape(-1, 3)
        # A zero normal leaves the choice to Blender. Blender holds a custom normal relative to
        # the corner's fan of faces and cannot tilt it far out of the fan at a border; normals
        # within 45 degrees of their triangle's own, as files carry them, are compared.
        co_tris = co[loops].reshape(-1, 3, 3)
        face = np.cross(co_tris[:, 1] - co_tris[:, 0], co_tris[:, 2] - co_tris[:, 0])
        area = np.linalg.norm(face, axis=1, keepdims=True)
        face = np.repeat(face / np.where(area > 0, area, 1.0), 3, axis=0)
        given = length > 1e-6
        unit = normals / np.where(given, length, 1.0)[:, None]
        given &= np.einsum("ij,ij->i", unit, face) > np.cos(np.radians(45))
        cos = np.einsum("ij,ij->i", got[given], unit[given])
        self.assertGreater(cos.min(initial=1.0), 0.9995, "corner normals differ")

    def compare_material(self, mat, color, host_material):
        bsdf = next(n for n in mat.node_tree.nodes if n.type == 'BSDF_PRINCIPLED')
        base = linear_to_srgb(bsdf.inputs["Base Color"].default_value[:3])
        np.testing.assert_allclose(base, color, atol=0.6 / 255)
        np.testing.assert_allclose(linear_to_srgb(mat.diffuse_color[:3]), color, atol=0.6 / 255)
        opacity = np.clip(host_material["opacity"], 0, 1) if host_material else 1.0
        self.assertAlmostEqual(bsdf.inputs["Alpha"].default_value, opacity, places=5)
        self.assertEqual(mat.blend_method, 'BLEND' if opacity < 1 else 'OPAQUE')
        if host_material:
            self.assertAlmostEqual(bsdf.inputs["Roughness"].default_value,
                                   np.clip(1 - host_material["smoothness"], 0, 1), places=5)


class FormatGroup(SceneCompare):
    """Each file of the group alone: the scene, the selection and the active object."""

    def test_files(self):
        for path, options in CASES[ARGS.group]:
            with self.subTest(file=os.path.basename(path), options=options):
                clear_scene()
                self.assertEqual(import_files([path], **options), {'FINISHED'})
                expected = vlmhost([path], options)
                objects = list(bpy.data.objects)
                self.compare(expected, objects, os.path.basename(path))
                # one material per listed material bound, one per colour of the others
                materials = {m["name"] for m in expected["materials"]}
                bound = {o["material"] for o in expected["objects"]
                         if o["materialKey"] and o["material"] in materials}
                colours = {o["color"] for o in expected["objects"]
                           if not (o["materialKey"] and o["material"] in materials)}
                self.assertEqual(len(bpy.data.materials), len(bound) + len(colours))
                visible = {o["key"] for o in expected["objects"] if o["visible"]}
                for o in objects:
                    self.assertEqual(o.select_get(), o["vlmimport_key"] in visible)
                    self.assertEqual((o.hide_get(), o.hide_render), (not o.select_get(),) * 2)
                selected = expected["imports"][0]["selectedObject"]
                active = bpy.context.view_layer.objects.active
                self.assertEqual(active["vlmimport_key"], "Obj%d" % selected)


class Damaged(unittest.TestCase):
    """A file that cannot be read reports an error and leaves the scene as it was."""

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        with open(os.path.join(EX, "sample.3ds"), "rb") as f:
            whole = f.read()
        self.files = {
            "cut.3ds": whole[:len(whole) // 3],
            "garbage.obj": bytes((i * 7919 + 13) % 256 for i in range(4096)),
            "empty.ply": b"",
            "notes.txt": b"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
        }
        for name, data in self.files.items():
            with open(os.path.join(self.tmp.name, name), "wb") as f:
                f.write(data)
        self.huge = os.path.join(DATA, "ply", "binary_huge_counts_le.ply")
        clear_scene()
        bpy.ops.mesh.primitive_cube_add()

    def tearDown(self):
        self.tmp.cleanup()

    def test_unreadable_files_leave_the_scene(self):
        before = data_names()
        paths = [os.path.join(self.tmp.name, n) for n in self.files] + [
            self.huge, os.path.join(self.tmp.name, "missing.obj")]
        cases = [(path, {}) for path in paths] + [
            # read as one long line without the CR LF copy
            (os.path.join(DATA, "dxf", "line_feeds_only.dxf"), {"crlf": False})]
        for path, options in cases:
            with self.subTest(file=os.path.basename(path), options=options):
                with self.assertRaises(RuntimeError) as raised:
                    import_files([path], **options)
                self.assertIn(os.path.basename(path), str(raised.exception))
                self.assertEqual(data_names(), before)
                self.assertEqual(bpy.context.view_layer.objects.active.name, "Cube")

    def test_failing_build_removes_what_it_made(self):
        from io_import_vlmimport import mesh_build
        real = mesh_build.build_mesh
        calls = []

        def fails_on_third(name, geo):
            calls.append(name)
            if len(calls) == 3:
                raise MemoryError("no room for %s" % name)
            return real(name, geo)

        before = data_names()
        mesh_build.build_mesh = fails_on_third
        try:
            with self.assertRaises(RuntimeError) as raised:
                import_files([os.path.join(EX, "table.obj")])
        finally:
            mesh_build.build_mesh = real
        self.assertEqual(len(calls), 3)
        self.assertIn("no room for", str(raised.exception))
        self.assertEqual(data_names(), before)

    def test_good_files_around_a_bad_one(self):
        good = [os.path.join(self.tmp.name, n) for n in ("a.obj", "b.obj")]
        for path in good:
            with open(os.path.join(EX, "table.obj"), "rb") as src, open(path, "wb") as dst:
                dst.write(src.read())
        with self.assertRaises(RuntimeError) as raised:
            import_files([good[0], os.path.join(self.tmp.name, "garbage.obj"), good[1]])
        self.assertIn("garbage.obj", str(raised.exception))
        files = sorted(o["vlmimport_file"] for o in bpy.data.objects if "vlmimport_file" in o)
        self.assertEqual(files, ["a.obj"] * 6 + ["b.obj"] * 6)


class Several(SceneCompare):
    """Several files in one call: each compared with vlmhost's scene of them all; every imported
    object selected, nothing else; the last file's selected object active."""

    def test_one_call(self):
        paths = [os.path.join(EX, name)
                 for name in ("table.obj", "sample.3ds", "house.dxf", "tower_le.ply", "gem.inc")]
        clear_scene()
        bpy.ops.mesh.primitive_cube_add()
        cube = bpy.context.active_object
        self.assertEqual(import_files(paths), {'FINISHED'})
        expected = vlmhost(paths, {})
        imported = [o for o in bpy.data.objects if "vlmimport_key" in o]
        self.assertEqual(len(imported), len(expected["objects"]))
        for index, path in enumerate(paths):
            self.compare(expected, imported, os.path.basename(path), first=index)
        self.assertTrue(all(o.select_get() for o in imported))
        self.assertFalse(cube.select_get())
        last = expected["imports"][-1]
        active = bpy.context.view_layer.objects.active
        self.assertEqual(active["vlmimport_file"], "gem.inc")
        offset = int(last["objects"][0][3:]) - 1
        self.assertEqual(active["vlmimport_key"], "Obj%d" % (last["selectedObject"] - offset))


GROUPS = {name: FormatGroup for name in CASES}
GROUPS.update(damaged=Damaged, several=Several)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--addon-dir", required=True)
    parser.add_argument("--vlmhost", required=True)
    parser.add_argument("--group", required=True, choices=sorted(GROUPS))
    ARGS = parser.parse_args(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])
    sys.path.insert(0, os.path.abspath(ARGS.addon_dir))
    import io_import_vlmimport
    io_import_vlmimport.register()
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(GROUPS[ARGS.group])
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    if not result.wasSuccessful() or result.testsRun == 0:
        raise SystemExit(1)


main()

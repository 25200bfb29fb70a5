"""Blender objects and meshes from one imported scene, built from numpy arrays.

Axis rule: the host's axes are y up, Blender's z up. A host point (x, y, z) becomes the
Blender point (x, -z, y), a rotation of +90 degrees about X (as Blender's glTF importer
turns y-up files). It is applied to vertices, normals and object locations alike.
"""
import math
import time

import bpy
import numpy as np

from .materials import MaterialSet


def to_blender_axes(points):
    """(n, 3) host coordinates -> (n, 3) float32 Blender coordinates: (x, y, z) -> (x, -z, y)."""
    points = np.asarray(points, dtype=np.float32).reshape(-1, 3)
    out = np.empty_like(points)
    out[:, 0] = points[:, 0]
    out[:, 1] = -points[:, 2]
    out[:, 2] = points[:, 1]
    return out


_CONTROL = {c: "_" for c in range(32)}


def blender_name(obj):
    """The object's name as Blender can hold it: control characters (a NUL would cut the name
    short) become '_'; an empty name falls back to the key. Blender itself keeps 63 bytes and
    numbers names already taken."""
    return obj.name.translate(_CONTROL) or obj.key


def remove(created):
    """Removes the Blender data made for a file that could not be built."""
    # Sorted first: a reference to removed data cannot be asked its type any more.
    kinds = ((bpy.types.Object, bpy.data.objects), (bpy.types.Mesh, bpy.data.meshes),
             (bpy.types.Material, bpy.data.materials))
    sorted_out = [(collection, [d for d in created if isinstance(d, kind)])
                  for kind, collection in kinds]
    created.clear()
    for collection, items in sorted_out:
        for item in items:
            collection.remove(item)


class Timings:
    """Seconds spent handing the arrays over to numpy and building Blender data."""

    def __init__(self):
        self.numpy_s = 0.0
        self.build_s = 0.0


class Geometry:
    """One host object's arrays, in Blender's axes, checked and ready for foreach_set."""

    def __init__(self, obj):
        vertices = np.asarray(obj.vertices, dtype=np.float32).reshape(-1, 3)
        triangles = np.asarray(obj.triangles).reshape(-1, 3)
        count = len(vertices)
        if len(triangles) and int(triangles.max()) >= count:
            raise ValueError("object %r: a triangle refers to vertex %d of %d"
                             % (obj.name, int(triangles.max()), count))
        # A triangle using one vertex twice is no valid Blender polygon; it covers no area.
        keep = ((triangles[:, 0] != triangles[:, 1]) & (triangles[:, 1] != triangles[:, 2])
                & (triangles[:, 0] != triangles[:, 2]))
        self.degenerate = int(len(keep) - np.count_nonzero(keep))
        if self.degenerate:
            triangles = triangles[keep]
        self.co = to_blender_axes(vertices)
        # Unsigned 32-bit, as Blender stores the indices: foreach_set then copies the buffer
        # at once instead of converting item by item (30 times slower).
        self.loops = np.ascontiguousarray(triangles, dtype=np.uint32).ravel()
        self.triangle_count = len(triangles)
        # Only the normals the mesh needs are fetched: the corner normals of a big mesh take
        # 36 bytes a triangle.
        self.flat = bool(obj.flat)
        self.vertex_normals = None
        self.corner_normals = None
        if self.flat:
            return
        if obj.vertex_normals is not None:
            self.vertex_normals = to_blender_axes(obj.vertex_normals)
            return
        corner_normals = np.asarray(obj.corner_normals, dtype=np.float32).reshape(-1, 3, 3)
        if len(corner_normals) != len(keep):
            raise ValueError("object %r: %d corner normal triples for %d triangles"
                             % (obj.name, len(corner_normals), len(keep)))
        if self.degenerate:
            corner_normals = corner_normals[keep]
        self.corner_normals = to_blender_axes(corner_normals)


# Given vertex normals within half a degree of Blender's own smooth normals change nothing
# visible; such a mesh is shaded smooth without custom normals, which Blender 3.4 would
# recompute (split normals) on every evaluation of the mesh.
_SAME_NORMAL_COS = math.cos(math.radians(0.5))


def _own_normals_match(mesh, normals):
    own = np.empty(len(normals) * 3, dtype=np.float32)
    mesh.vertex_normals.foreach_get("vector", own)
    cos = np.einsum("ij,ij->i", own.reshape(-1, 3), normals)
    return bool(np.all(cos >= _SAME_NORMAL_COS * np.linalg.norm(normals, axis=1)))


def build_mesh(name, geo):
    mesh = bpy.data.meshes.new(name)
    try:
        mesh.vertices.add(len(geo.co))
        mesh.vertices.foreach_set("co", geo.co.ravel())
        mesh.loops.add(len(geo.loops))
        mesh.loops.foreach_set("vertex_index", geo.loops)
        mesh.polygons.add(geo.triangle_count)
        mesh.polygons.foreach_set("loop_start", np.arange(0, len(geo.loops), 3, dtype=np.uint32))
        mesh.polygons.foreach_set("loop_total", np.full(geo.triangle_count, 3, dtype=np.uint32))
        mesh.update(calc_edges=True)
        if geo.flat:
            return mesh
        mesh.polygons.foreach_set("use_smooth", np.ones(geo.triangle_count, dtype=bool))
        if geo.vertex_normals is not None and _own_normals_match(mesh, geo.vertex_normals):
            return mesh
        # Blender 3.4 keeps custom normals only with auto smooth; at 180 degrees no edge is
        # split by its angle, the custom normals alone decide (Blender marks the edges where
        # they differ as sharp). Blenders from 4.1 on keep them without it.
        if hasattr(mesh, "use_auto_smooth"):
            mesh.use_auto_smooth = True
            mesh.auto_smooth_angle = math.pi
        if geo.vertex_normals is not None:
            mesh.normals_split_custom_set_from_vertices(geo.vertex_normals)
        else:
            mesh.normals_split_custom_set(geo.corner_normals)
    except BaseException:
        bpy.data.meshes.remove(mesh)
        raise
    return mesh


def build_scene(context, scene, file_name, created, timings):
    """Blender objects for every object of `scene` (a vlmimport scene), linked to the active
    collection. Everything made (objects, meshes, materials) is appended to `created` as it is
    made, so a caller can remove it again.
    Returns (objects, active object or None, triangles, degenerate triangles left out)."""
    collection = context.view_layer.active_layer_collection.collection
    materials = MaterialSet(created)
    made = []  # (host object, Blender object) in host order
    by_host = {}  # host key -> (Blender object, host position)
    triangles = degenerate = 0
    for obj in scene.objects:
        start = time.perf_counter()
        geo = Geometry(obj)
        position = np.asarray(obj.position, dtype=np.float64).reshape(1, 3)
        parent = by_host.get(obj.parent.key) if obj.parent is not None else None
        mid = time.perf_counter()
        timings.numpy_s += mid - start

        name = blender_name(obj)
        mesh = build_mesh(name, geo)
        created.append(mesh)
        ob = bpy.data.objects.new(name, mesh)
        created.append(ob)
        # Where the object came from: its file and its key in that file's import.
        ob["vlmimport_file"] = file_name
        ob["vlmimport_key"] = obj.key
        mesh.materials.append(materials.for_object(obj))
        collection.objects.link(ob)
        if not obj.visible:
            # Hidden in the file: hidden in the viewport and the render, as the host keeps it.
            ob.hide_set(True)
            ob.hide_render = True
        if parent is not None:
            parent_ob, parent_position = parent
            # A new object's parent inverse is the identity: its location is then relative
            # to the parent's.
            ob.parent = parent_ob
            local = position - parent_position
        else:
            local = position
        ob.location = tuple(float(v) for v in to_blender_axes(local)[0])
        by_host[obj.key] = (ob, position)
        made.append((obj, ob))
        triangles += geo.triangle_count
        degenerate += geo.degenerate
        timings.build_s += time.perf_counter() - mid

    active = None
    if scene.selected is not None:
        active = next((ob for obj, ob in made if obj.key == scene.selected.key), None)
    return [ob for _, ob in made], active, triangles, degenerate

"""Old model files (OBJ, DXF 3D faces, 3DS, POV-Ray mesh includes, PLY) as numpy arrays.

``vlmimport.load(path)`` imports one file through the VLMImport plug-in, the way a
modelling application does: the plug-in's own import dialog runs with a scripted user
who chooses the file and the options given here, and the plug-in hands its objects and
materials to a host scene. The result is that scene::

    import vlmimport
    scene = vlmimport.load("table.obj")
    for obj in scene.objects:
        print(obj.name, obj.vertices.shape, obj.triangles.shape)

The host's axes are y-up. An object's vertices are its own; a vertex's place in the
world is ``obj.vertices + obj.position``.

Each call is one import with a fresh plug-in: calls run one after another (a second
thread waits for the first), and a failed import leaves nothing behind. The file is read
without the GIL held, so other Python threads go on meanwhile.
"""

from __future__ import annotations

import os
from typing import Callable, List, Optional, Tuple

import numpy as np

from . import _vlmimport

__all__ = ["load", "Scene", "Object", "Material", "ImportError", "FORMATS"]

#: The formats of the plug-in's list, as ``format=`` takes them.
FORMATS = ("obj", "dxf", "3ds", "inc", "ply")

ImportError = _vlmimport.ImportError  # noqa: A001 - the plug-in's failure, not Python's
ImportError.__doc__ = """A file the plug-in could not import.

``str(error)`` is the plug-in's message where it showed one (``File not found ...``,
``Not a valid 3DS file``, ...), else the reason the host found: the file cannot be read,
its format is unknown, or it holds no triangles the plug-in could read."""
ImportError.__module__ = __name__

Color = Tuple[float, float, float]


def _rgb(number: int) -> Color:
    """A colour number (red in the low byte, then green, then blue) as sRGB fractions."""
    number &= 0xFFFFFF
    return ((number & 0xFF) / 255.0, ((number >> 8) & 0xFF) / 255.0, (number >> 16) / 255.0)


class Material:
    """A material the plug-in added to the scene.

    ``color``, ``ambient`` and ``specular`` are sRGB colours, each component 0 to 1.
    ``opacity`` is 1 for an opaque material. ``smoothness`` is the shininess, 0 (matt) to
    1 (mirror-like); ``spec_coeff`` the specular exponent the file gave.
    """

    __slots__ = ("name", "type", "color", "ambient", "specular", "smoothness", "spec_coeff",
                 "opacity")

    def __init__(self, info: tuple) -> None:
        name, kind, ambient, color, specular, smoothness, spec_coeff, opacity = info
        self.name: str = name
        self.type: int = kind
        self.ambient: Color = _rgb(ambient)
        self.color: Color = _rgb(color)
        self.specular: Color = _rgb(specular)
        self.smoothness: float = smoothness
        self.spec_coeff: float = spec_coeff
        self.opacity: float = opacity

    def __repr__(self) -> str:
        return f"<vlmimport.Material {self.name!r} color={self.color} opacity={self.opacity}>"


class Object:
    """A mesh object the plug-in added to the scene.

    Attributes:
        key: the host's key, "Obj1", "Obj2", ... in list order.
        name: the name the file gave, or the plug-in made.
        parent: the object this one hangs under, or None; parents come first in the list.
        position: (x, y, z); every vertex lies at its coordinates plus this.
        color: the sRGB colour it shows: its material's where one is bound, else its own.
        material: the bound Material, or None.
        visible: False for an object the file marks hidden.
        vertices: float32 array (N, 3), a view of the scene's memory.
        triangles: uint32 array (M, 3) of indices into ``vertices``.
        corner_normals: float32 array (M, 3, 3), the normal at each corner of each
            triangle; shape (0, 3, 3) when the object has none.
        vertex_normals: float32 array (N, 3) when every corner at a vertex has the same
            normal (a modeller then sets them per vertex), else None.
        flat: True when the object has no normals, or each triangle's corners all take
            its face normal, so that flat shading shows them exactly.

    The normal arrays are made on first use.
    """

    __slots__ = ("_scene", "_index", "key", "name", "parent", "position", "color",
                 "material", "visible", "_vertices", "_triangles", "_corner_normals", "_shape")

    def __init__(self, scene: _vlmimport.LoadedScene, index: int,
                 objects: List["Object"], materials: List[Material]) -> None:
        key, name, parent, position, color, material, visible = scene.object_info(index)
        self._scene = scene
        self._index = index
        self.key: str = key
        self.name: str = name
        self.parent: Optional[Object] = objects[parent] if 0 <= parent < len(objects) else None
        self.position: Tuple[float, float, float] = position
        self.color: Color = _rgb(color)
        self.material: Optional[Material] = materials[material] if material >= 0 else None
        self.visible: bool = visible
        self._vertices = None
        self._triangles = None
        self._corner_normals = None
        self._shape = None

    @property
    def vertices(self) -> np.ndarray:
        if self._vertices is None:
            self._vertices = self._scene.vertices(self._index)
        return self._vertices

    @property
    def triangles(self) -> np.ndarray:
        if self._triangles is None:
            self._triangles = self._scene.triangles(self._index)
        return self._triangles

    @property
    def corner_normals(self) -> np.ndarray:
        if self._corner_normals is None:
            self._corner_normals = self._scene.corner_normals(self._index)
        return self._corner_normals

    @property
    def vertex_normals(self) -> Optional[np.ndarray]:
        return self._normal_shape()[1]

    @property
    def flat(self) -> bool:
        return self._normal_shape()[0]

    def _normal_shape(self) -> tuple:
        if self._shape is None:
            self._shape = self._scene.normal_shape(self._index)
        return self._shape

    def __repr__(self) -> str:
        return (f"<vlmimport.Object {self.key} {self.name!r} "
                f"{len(self.vertices)} vertices, {len(self.triangles)} triangles>")


class Scene:
    """What one import brought.

    Attributes:
        plugin: the plug-in's name.
        format: the format the file was read as ("obj", "dxf", "3ds", "inc" or "ply").
        objects: the Objects in the host's list order.
        materials: the Materials the plug-in added.
        selected: the Object the plug-in names as selected, or None.
        messages: the texts of the message boxes the plug-in showed (a file it read in
            part says so here).
        stopped: the progress callback stopped the import; the objects are those read
            until then.
        crlf: the plug-in read a copy of the file with CR LF line ends.
        seconds: the time the plug-in took.
    """

    __slots__ = ("plugin", "format", "objects", "materials", "selected", "messages", "stopped",
                 "crlf", "seconds")

    def __init__(self, scene: _vlmimport.LoadedScene) -> None:
        self.plugin: str = scene.plugin
        self.format: str = scene.format
        self.materials: List[Material] = [Material(scene.material_info(i))
                                          for i in range(scene.material_count)]
        self.objects: List[Object] = []
        for i in range(scene.object_count):
            self.objects.append(Object(scene, i, self.objects, self.materials))
        selected = scene.selected
        self.selected: Optional[Object] = (self.objects[selected - 1]
                                           if 1 <= selected <= len(self.objects) else None)
        self.messages: List[str] = list(scene.messages)
        self.stopped: bool = scene.stopped
        self.crlf: bool = scene.crlf
        self.seconds: float = scene.seconds

    def __repr__(self) -> str:
        return (f"<vlmimport.Scene {len(self.objects)} objects, "
                f"{len(self.materials)} materials>")


def load(path: str, format: Optional[str] = None, normals: bool = True, smooth: bool = True,
         autosmooth: bool = True, progress: Optional[Callable[[float], Optional[bool]]] = None,
         crlf: bool = False, file_units: bool = False) -> Scene:
    """Imports the file at ``path`` and returns its Scene.

    Args:
        path: the file (str or os.PathLike).
        format: "obj", "dxf", "3ds", "inc" (POV-Ray) or "ply"; None takes the file's
            extension.
        normals: OBJ: import the file's normals ("Import Normals").
        smooth: OBJ: smooth all normal groups ("Smooth all Normal Group").
        autosmooth: 3DS: smooth by the file's smoothing groups ("Auto Normals Smoothing").
        progress: called with the fraction done (0 to 1) as its percentage changes;
            returning False stops the import as the dialog's Stop does. An exception it
            raises stops the import too and comes out of load.
        crlf: a DXF or POV-Ray file reaches the plug-in as a copy with CR LF line ends.
            Its readers end a line at CR only, so a file with LF line ends alone reads as
            one line, and nothing, without it.
        file_units: OBJ and PLY objects keep the file's units; the plug-in makes them ten
            times larger.

    Raises:
        vlmimport.ImportError: the file cannot be read, its format is not known, or the
            import brought no triangles (and was not stopped); the message says why.
    """
    return Scene(_vlmimport.load(os.fsdecode(path), format, normals, smooth, autosmooth, progress,
                                 crlf, file_units))

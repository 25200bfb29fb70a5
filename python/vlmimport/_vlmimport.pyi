# The compiled part of vlmimport; its classes and functions are vlmimport's to use.
from typing import Callable, List, Optional, Tuple

import numpy as np
import numpy.typing as npt

class ImportError(Exception): ...

class LoadedScene:
    plugin: str
    format: str
    selected: int
    messages: List[str]
    stopped: bool
    crlf: bool
    seconds: float
    object_count: int
    material_count: int
    def object_info(
        self, index: int
    ) -> Tuple[str, str, int, Tuple[float, float, float], int, int, bool]: ...
    def material_info(
        self, index: int
    ) -> Tuple[str, int, int, int, int, float, float, float]: ...
    def vertices(self, index: int) -> npt.NDArray[np.float32]: ...
    def triangles(self, index: int) -> npt.NDArray[np.uint32]: ...
    def corner_normals(self, index: int) -> npt.NDArray[np.float32]: ...
    def normal_shape(self, index: int) -> Tuple[bool, Optional[npt.NDArray[np.float32]]]: ...

def load(
    path: str,
    format: Optional[str] = None,
    normals: bool = True,
    smooth: bool = True,
    autosmooth: bool = True,
    progress: Optional[Callable[[float], Optional[bool]]] = None,
    crlf: bool = False,
    file_units: bool = False,
) -> LoadedScene: ...

"""File > Import > Old model files (VLMImport): OBJ, DXF 3D faces, 3DS, POV-Ray mesh
include files and PLY, read by the VLMImport plug-in through its Python module."""

bl_info = {
    "name": "VLMImport",
    "author": "VLMImport team",
    "version": (1, 0, 0),
    "blender": (3, 4, 0),
    "location": "File > Import > Old model files (VLMImport)",
    "description": "Import OBJ, DXF 3D faces, 3DS, POV-Ray mesh (.inc) and PLY files "
                   "with the VLMImport plug-in",
    "category": "Import-Export",
}

import os
import threading
import time

import bpy
from bpy.props import BoolProperty, CollectionProperty, EnumProperty, StringProperty
from bpy.types import Operator, OperatorFileListElement
from bpy_extras.io_utils import ImportHelper

from . import mesh_build

# Seconds of the last import, summed over its files: reading (vlmimport.load), handing the arrays over to numpy (with the axis change)
# and building Blender's data. Read by bench/blender_import.py.
TIMINGS = {}

FORMATS = (
    ('AUTO', "Auto", "From the file's extension"),
    ('OBJ', "OBJ", "WaveFront OBJ"),
    ('DXF', "DXF", "AutoCad DXF 3D faces"),
    ('3DS', "3DS", "3D Studio"),
    ('INC', "POV-Ray", "POV-Ray mesh include file"),
    ('PLY', "PLY", "PLY, ascii or binary"),
)


class IMPORT_SCENE_OT_vlmimport(Operator, ImportHelper):
    """Import old model files (OBJ, DXF, 3DS, POV-Ray .inc, PLY) with the VLMImport plug-in"""
    bl_idname = "import_scene.vlmimport"
    bl_label = "Import Old Model Files"
    bl_options = {'REGISTER', 'UNDO', 'PRESET'}

    filter_glob: StringProperty(
        default="*.obj;*.dxf;*.3ds;*.inc;*.ply;*.OBJ;*.DXF;*.3DS;*.INC;*.PLY",
        options={'HIDDEN'},
    )
    files: CollectionProperty(type=OperatorFileListElement, options={'HIDDEN', 'SKIP_SAVE'})
    directory: StringProperty(subtype='DIR_PATH', options={'HIDDEN', 'SKIP_SAVE'})

    import_normals: BoolProperty(
        name="Import Normals", default=True,
        description="OBJ: read the file's vertex normals (vn)")
    smooth_groups: BoolProperty(
        name="Smooth all Normal Group", default=True,
        description="OBJ: smooth the shading of every smoothing group")
    auto_smooth: BoolProperty(
        name="Auto Normals Smoothing", default=True,
        description="3DS: compute smooth normals from the file's smoothing groups")
    file_format: EnumProperty(
        name="Format", items=FORMATS, default='AUTO',
        description="Format of the files; Auto takes it from each file's extension")
    file_units: BoolProperty(
        name="File units", default=False,
        description="OBJ and PLY: keep the coordinates in the file's own units (the plug-in "
                    "otherwise multiplies them by 10)")
    crlf: BoolProperty(
        name="LF-only DXF/POV-Ray", default=True,
        description="Read DXF and POV-Ray files whose lines end in LF only (as written on "
                    "Linux and macOS) through a CR LF copy. The plug-in reads lines ending in "
                    "CR or CR LF only and would find nothing in such a file, so this is on; "
                    "files with CR LF line ends are read unchanged either way")

    def draw(self, context):
        layout = self.layout
        layout.use_property_split = True
        layout.prop(self, "file_format")
        col = layout.column(heading="OBJ")
        col.prop(self, "import_normals")
        col.prop(self, "smooth_groups")
        layout.prop(self, "auto_smooth")
        layout.prop(self, "file_units")
        layout.prop(self, "crlf")

    def paths(self):
        names = [f.name for f in self.files if f.name]
        if names:
            return [os.path.join(self.directory, name) for name in names]
        return [self.filepath]

    def execute(self, context):
        try:
            from . import vlmimport
        except Exception as e:  # no native module in the package, or one for another Python
            self.report({'ERROR'}, "The VLMImport module cannot be loaded: %s" % e)
            return {'CANCELLED'}
        self._vlmimport = vlmimport
        self._run = ImportRun(self, context, self.paths())
        if not self.options.is_invoke or bpy.app.background or context.window is None:
            # Called from a script, or no window to keep drawing: each file in turn, here.
            for path in self._run.paths:
                self._run.finish_file(path, self._load(path, None))
            return self._run.finish()
        # With a window, each file is read on a worker thread (the module lets go of the GIL
        # while the plug-in reads), so that Blender keeps drawing the progress in the status
        # bar and Esc can stop the import; the meshes are built here, between events.
        self._timer = context.window_manager.event_timer_add(0.1, window=context.window)
        context.window_manager.modal_handler_add(self)
        self._start_next()
        return {'RUNNING_MODAL'}

    def _load(self, path, reading):
        """vlmimport.load of `path` with the operator's options: the scene, or the exception."""
        fmt = None if self.file_format == 'AUTO' else self.file_format.lower()
        start = time.perf_counter()
        try:
            return self._vlmimport.load(path, format=fmt, normals=self.import_normals,
                                        smooth=self.smooth_groups, autosmooth=self.auto_smooth,
                                        progress=reading.progress if reading else None,
                                        crlf=self.crlf, file_units=self.file_units)
        except Exception as e:
            return e
        finally:
            TIMINGS["load_s"] += time.perf_counter() - start

    def _start_next(self):
        path = self._run.paths[len(self._run.done)]
        self._reading = Reading(path, lambda reading: self._load(path, reading))

    def modal(self, context, event):
        if event.type == 'ESC':
            self._reading.stop = True
            return {'RUNNING_MODAL'}
        if event.type != 'TIMER':
            return {'PASS_THROUGH'}
        reading = self._reading
        if reading.thread.is_alive():
            self._run.show_progress(context, reading)
            return {'RUNNING_MODAL'}
        reading.thread.join()
        self._run.finish_file(reading.path, reading.result)
        if len(self._run.done) < len(self._run.paths):
            self._start_next()
            return {'RUNNING_MODAL'}
        context.window_manager.event_timer_remove(self._timer)
        return self._run.finish()


    def cancel(self, context):
        # Blender ends the operator (a file opened, Blender quitting): the read stops at the
        # next percent and its thread ends before Blender goes on.
        self._reading.stop = True
        self._reading.thread.join()
        context.window_manager.event_timer_remove(self._timer)
        self._run.finish()


class Reading:
    """One file read by the module on a worker thread that ends with the read."""

    def __init__(self, path, load):
        self.path = path
        self.fraction = 0.0
        self.stop = False
        self.result = None
        self.thread = threading.Thread(target=self._read, args=(load,), daemon=True)
        self.thread.start()

    def _read(self, load):
        self.result = load(self)

    def progress(self, fraction):
        self.fraction = fraction
        return not self.stop


class ImportRun:
    """The files of one operator call: each one read, then built or reported; at the end the
    selection and a summary."""

    def __init__(self, operator, context, paths):
        self.operator = operator
        self.context = context
        self.paths = paths
        self.done = []
        self.imported = []  # Blender objects of every file that was imported
        self.active = None
        self.failed = self.triangles = self.degenerate = 0
        self.stopped = False
        self.timings = mesh_build.Timings()
        TIMINGS.update(load_s=0.0, numpy_s=0.0, build_s=0.0)
        context.window_manager.progress_begin(0, 100 * len(paths))

    def show_progress(self, context, reading):
        percent = int(100 * reading.fraction)
        context.window_manager.progress_update(100 * len(self.done) + percent)
        context.workspace.status_text_set("Importing %s (%d of %d): %d%%, Esc stops" % (
            os.path.basename(reading.path), len(self.done) + 1, len(self.paths), percent))

    def finish_file(self, path, result):
        self.done.append(path)
        name = os.path.basename(path)
        report = self.operator.report
        if isinstance(result, Exception):
            self.failed += 1
            report({'ERROR'}, "%s: %s" % (name, result))
            return
        for message in result.messages:
            report({'WARNING'}, "%s: %s" % (name, message))
        self.stopped |= result.stopped
        created = []
        try:
            objects, selected, count, left_out = mesh_build.build_scene(
                self.context, result, name, created, self.timings)
        except Exception as e:
            mesh_build.remove(created)
            self.failed += 1
            report({'ERROR'}, "%s: the objects could not be built: %s" % (name, e))
            return
        self.imported.extend(objects)
        self.active = selected or self.active
        self.triangles += count
        self.degenerate += left_out
        self.context.window_manager.progress_update(100 * len(self.done))

    def finish(self):
        context = self.context
        context.window_manager.progress_end()
        if context.window is not None:
            context.workspace.status_text_set(None)
        TIMINGS.update(numpy_s=self.timings.numpy_s, build_s=self.timings.build_s)
        if self.imported:
            for ob in context.view_layer.objects:
                ob.select_set(False)
            for ob in self.imported:
                ob.select_set(not ob.hide_get())
            context.view_layer.objects.active = self.active or self.imported[0]
        done = len(self.paths) - self.failed
        summary = "Imported %d of %d files: %d objects, %d triangles" % (
            done, len(self.paths), len(self.imported), self.triangles)
        if self.stopped:
            summary += ", stopped: what was read until then"
        if self.degenerate:
            summary += " (%d triangles using a vertex twice left out)" % self.degenerate
        self.operator.report({'INFO'}, summary)
        return {'FINISHED'} if done else {'CANCELLED'}


def menu_func_import(self, context):
    self.layout.operator(IMPORT_SCENE_OT_vlmimport.bl_idname,
                         text="Old model files (VLMImport) (.obj .dxf .3ds .inc .ply)")


def register():
    bpy.utils.register_class(IMPORT_SCENE_OT_vlmimport)
    bpy.types.TOPBAR_MT_file_import.append(menu_func_import)


def unregister():
    bpy.types.TOPBAR_MT_file_import.remove(menu_func_import)
    bpy.utils.unregister_class(IMPORT_SCENE_OT_vlmimport)

"""In Blender with a window (xvfb-run -a blender --factory-startup --python THIS -- ADDON_DIR
FILE): the file browser confirmed with Return reads on a worker thread, and Esc stops it."""
import subprocess
import sys
import threading
import time

import bpy

ADDON_DIR, FILE = sys.argv[sys.argv.index("--") + 1:]
sys.path.insert(0, ADDON_DIR)
import io_import_vlmimport as addon  # noqa: E402
from io_import_vlmimport import vlmimport  # noqa: E402

seen = {}
real_load = vlmimport.load


def slow_load(path, progress=None, **options):
    """The real load, after a read that goes on until the progress callback says stop."""
    seen["worker"] = threading.current_thread() is not threading.main_thread()
    start = time.monotonic()
    while progress(0.5) is not False and time.monotonic() - start < 20:
        time.sleep(0.05)
    seen["stopped"] = time.monotonic() - start < 20
    return real_load(path, **options)


def keys(*names):
    subprocess.Popen(["xdotool", "mousemove", "640", "400", "sleep", "0.1", "key", *names])


def start():
    keys("Escape")  # the splash screen
    window = bpy.context.window_manager.windows[0]
    area = next(a for a in window.screen.areas if a.type == 'VIEW_3D')
    with bpy.context.temp_override(window=window, area=area, screen=window.screen):
        bpy.ops.import_scene.vlmimport('INVOKE_DEFAULT', filepath=FILE)
    bpy.app.timers.register(lambda: keys("Return"), first_interval=1.0)
    bpy.app.timers.register(lambda: keys("Escape"), first_interval=3.0)
    bpy.app.timers.register(check, first_interval=3.5)


def check():
    objects = [o for o in bpy.data.objects if "vlmimport_key" in o]
    if not objects and time.monotonic() - began < 30:
        return 0.2
    expected = len(real_load(FILE).objects)
    ok = seen == {"worker": True, "stopped": True} and len(objects) == expected
    print("file browser import:", seen, len(objects), "objects of", expected, flush=True)
    sys.exit(0 if ok else 1)


addon.register()
vlmimport.load = slow_load
began = time.monotonic()
bpy.app.timers.register(start, first_interval=1.0)

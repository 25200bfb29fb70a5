"""The README's picture of the Blender add-on: examples/sample.3ds imported through the add-on
and rendered with the Workbench engine to docs/blender-import.png.

    blender -b --factory-startup --python docs/make-blender-picture.py \
        [-- --addon-dir build/blender]
"""
import argparse
import os
import sys

import bpy
from mathutils import Vector

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

parser = argparse.ArgumentParser()
parser.add_argument("--addon-dir", default=os.environ.get("VLM_ADDON_DIR",
                                                          os.path.join(ROOT, "build", "blender")))
parser.add_argument("--model", default=os.path.join(ROOT, "examples", "sample.3ds"))
parser.add_argument("--output", default=os.path.join(ROOT, "docs", "blender-import.png"))
args = parser.parse_args(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])

sys.path.insert(0, os.path.abspath(args.addon_dir))
import io_import_vlmimport  # noqa: E402

io_import_vlmimport.register()
for ob in list(bpy.data.objects):
    if ob.type == 'MESH':
        bpy.data.objects.remove(ob)
bpy.ops.import_scene.vlmimport(filepath=args.model)
imported = [ob for ob in bpy.data.objects if "vlmimport_key" in ob]

# The camera looks at the models from a three-quarter view above and is moved to fit them,
# then back a little for a margin.
corners = [ob.matrix_world @ Vector(c) for ob in imported for c in ob.bound_box]
camera = bpy.data.objects["Camera"]
camera.data.lens = 50
direction = Vector((1.0, -1.35, 0.9)).normalized()
camera.rotation_euler = (-direction).to_track_quat('-Z', 'Y').to_euler()
scene = bpy.context.scene
scene.render.resolution_x, scene.render.resolution_y = 800, 500
scene.render.resolution_percentage = 100
bpy.context.view_layer.update()
fitted, _ = camera.camera_fit_coords(bpy.context.evaluated_depsgraph_get(),
                                     [v for c in corners for v in c])
centre = sum(corners, Vector()) / len(corners)
camera.location = fitted + direction * (fitted - centre).length * 0.12

scene.render.engine = 'BLENDER_WORKBENCH'
scene.render.film_transparent = False
shading = scene.display.shading
shading.light = 'STUDIO'
shading.color_type = 'MATERIAL'
shading.show_shadows = True
shading.shadow_intensity = 0.5
shading.show_cavity = True
shading.cavity_type = 'WORLD'
shading.show_object_outline = False
shading.background_type = 'WORLD'
scene.world.color = (0.55, 0.6, 0.66)
scene.display.light_direction = (0.45, -0.35, 0.82)
scene.display_settings.display_device = 'sRGB'
scene.view_settings.view_transform = 'Standard'
scene.render.image_settings.file_format = 'PNG'
scene.render.image_settings.color_mode = 'RGB'
scene.render.image_settings.compression = 100
scene.render.dither_intensity = 0  # dithering noise would double the file's size
scene.render.filepath = args.output
bpy.ops.render.render(write_still=True)
print("wrote", args.output)

"""Blender materials for the host's materials and display colours."""
import bpy


def fraction(value, if_not_a_number):
    """`value` within 0..1; a NaN (a damaged file's) counts as `if_not_a_number`."""
    value = float(value)
    return if_not_a_number if value != value else min(max(value, 0.0), 1.0)


def srgb_to_linear(c):
    """One sRGB channel (0..1) to linear light, as Blender's colour inputs expect."""
    c = fraction(c, 0.0)
    return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4


def _principled(name, color, opacity, smoothness, created):
    mat = bpy.data.materials.new(name)
    created.append(mat)
    linear = tuple(srgb_to_linear(c) for c in color)
    mat.use_nodes = True
    bsdf = next(n for n in mat.node_tree.nodes if n.type == 'BSDF_PRINCIPLED')
    bsdf.inputs["Base Color"].default_value = linear + (1.0,)
    bsdf.inputs["Alpha"].default_value = opacity
    # Roughness is the complement of the host's smoothness, the rule the glTF export uses too.
    bsdf.inputs["Roughness"].default_value = 1.0 - smoothness
    bsdf.inputs["Metallic"].default_value = 0.0
    # The solid (Workbench) view draws these rather than the node tree.
    mat.diffuse_color = linear + (opacity,)
    mat.roughness = 1.0 - smoothness
    mat.metallic = 0.0
    if opacity < 1.0:
        mat.blend_method = 'BLEND'
        mat.shadow_method = 'HASHED'
    return mat


class MaterialSet:
    """The materials of one file's import: one per host material, one per display colour of
    the objects without a material. Everything made is appended to `created`."""

    def __init__(self, created):
        self.created = created
        self.by_material = {}
        self.by_color = {}

    def for_object(self, obj):
        m = obj.material
        if m is not None:
            key = (m.name, tuple(m.color), m.opacity, m.smoothness)
            if key not in self.by_material:
                self.by_material[key] = _principled(m.name or "Material", m.color,
                                                    fraction(m.opacity, 1.0),
                                                    fraction(m.smoothness, 0.0), self.created)
            return self.by_material[key]
        rgb = tuple(int(round(fraction(c, 0.0) * 255)) for c in obj.color)
        if rgb not in self.by_color:
            self.by_color[rgb] = _principled("Color %02X%02X%02X" % rgb,
                                             tuple(c / 255.0 for c in rgb), 1.0, 0.5, self.created)
        return self.by_color[rgb]

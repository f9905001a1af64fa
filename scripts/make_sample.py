#!/usr/bin/env python3
"""Writes the sample model folder: three boxes of three materials, one textured."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "resources", "sample")
os.makedirs(out, exist_ok=True)

FACES = [  # normal, four corners (counter-clockwise seen from outside)
    ((0, 0, -1), [(-1, -1, -1), (-1, 1, -1), (1, 1, -1), (1, -1, -1)]),
    ((0, 0, 1), [(1, -1, 1), (1, 1, 1), (-1, 1, 1), (-1, -1, 1)]),
    ((-1, 0, 0), [(-1, -1, 1), (-1, 1, 1), (-1, 1, -1), (-1, -1, -1)]),
    ((1, 0, 0), [(1, -1, -1), (1, 1, -1), (1, 1, 1), (1, -1, 1)]),
    ((0, 1, 0), [(-1, 1, -1), (-1, 1, 1), (1, 1, 1), (1, 1, -1)]),
    ((0, -1, 0), [(-1, -1, 1), (-1, -1, -1), (1, -1, -1), (1, -1, 1)]),
]
BOXES = [((-3.0, 0.0, 0.0), 1.0), ((0.0, 0.0, 0.0), 0.8), ((3.0, 0.5, 0.0), 0.6)]

positions, normals, uvs, triangles, materials = [], [], [], [], []
for box, (centre, size) in enumerate(BOXES):
    for normal, corners in FACES:
        base = len(positions)
        for (x, y, z), uv in zip(corners, [(0, 1), (0, 0), (1, 0), (1, 1)]):
            positions.append((centre[0] + x * size, centre[1] + y * size, centre[2] + z * size))
            normals.append(normal)
            uvs.append(uv)
        triangles += [(base, base + 1, base + 2), (base, base + 2, base + 3)]
        materials += [box, box]

def vectors(items):
    return ",\n".join("    %.6f;%.6f;%.6f;" % v for v in items) + ";\n"

def faces(items):
    return ",\n".join("    3;%d,%d,%d;" % t for t in items) + ";\n"

text = "xof 0303txt 0032\n\n"
text += "Mesh sample {\n  %d;\n%s  %d;\n%s" % (len(positions), vectors(positions), len(triangles), faces(triangles))
text += "  MeshNormals {\n  %d;\n%s  %d;\n%s  }\n" % (len(normals), vectors(normals), len(triangles), faces(triangles))
text += "  MeshTextureCoords {\n  %d;\n" % len(uvs)
text += ",\n".join("    %.6f;%.6f;" % uv for uv in uvs) + ";\n  }\n"
text += "  MeshMaterialList {\n  3;\n  %d;\n" % len(materials)
text += ",\n".join("    %d" % m for m in materials) + ";\n"
for colour, texture in [((0.9, 0.2, 0.2), None), ((0.2, 0.8, 0.3), None), ((1.0, 1.0, 1.0), "sample.bmp")]:
    text += "    Material {\n      %.6f;%.6f;%.6f;1.000000;;\n      10.000000;\n" % colour
    text += "      0.200000;0.200000;0.200000;;\n      0.000000;0.000000;0.000000;;\n"
    if texture:
        text += '      TextureFilename { "%s"; }\n' % texture
    text += "    }\n"
text += "  }\n}\n"
with open(os.path.join(out, "sample.x"), "w", newline="\n") as f:
    f.write(text)

# A 16 x 16 checker, 24 bits per pixel.
width = height = 16
rows = b""
for y in range(height):
    for x in range(width):
        rows += bytes((200, 120, 40)) if (x // 4 + y // 4) % 2 else bytes((250, 240, 220))
header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
with open(os.path.join(out, "sample.bmp"), "wb") as f:
    f.write(header + info + rows)

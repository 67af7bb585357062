#!/usr/bin/env python3
"""Writes a big model for benchmarks: a rippled grid of quads as one ASE mesh.

The layout is that of a plain 3ds Max export (three materials, a node
transform, a vertex list and a face list with smoothing groups and material
ids). The grid stands upright facing the viewer's camera, bands of rows take
the three materials in turn, and a ripple gives the lighting something to
show. Deterministic: the same arguments give the same bytes.

    python3 tools/make_grid.py OUT.ase [--columns 1000] [--rows 500]
                               [--texture]

The defaults give 1 000 000 faces and 501 501 vertices (about 139 MB).
--texture adds a mapping channel: every quad maps the whole texture.
"""

import argparse
import math
import sys

MATERIALS = [
    ("01 - Default", (0.4078, 0.6431, 0.0000), (0.6510, 0.2902, 0.0000), (0.0000, 0.4941, 0.2549)),
    ("02 - Default", (0.0000, 0.4000, 0.3373), (0.4431, 0.4588, 0.0000), (0.2706, 0.2824, 0.0000)),
    ("03 - Default", (0.0000, 0.5137, 0.5922), (0.4000, 0.6314, 0.0000), (0.7843, 0.0000, 0.4431)),
]

WIDTH = 1200.0   # file units across (x)
HEIGHT = 600.0   # file units up (z)
BOTTOM = -560.0
RIPPLE = 12.0    # depth of the ripple (y)
BAND_ROWS = 50   # rows per material band


def colour(values):
    return "\t".join("%.4f" % v for v in values)


def header(out):
    out.write("*3DSMAX_ASCIIEXPORT\t200\n")
    out.write('*COMMENT "AsciiExport-Version  2,00 - generated grid"\n')
    out.write("*SCENE {\n\t*SCENE_FILENAME \"\"\n\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n"
              "\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n"
              "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n"
              "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n}\n")
    out.write("*MATERIAL_LIST {\n\t*MATERIAL_COUNT %d\n" % len(MATERIALS))
    for i, (name, ambient, diffuse, specular) in enumerate(MATERIALS):
        out.write("\t*MATERIAL %d {\n" % i)
        out.write('\t\t*MATERIAL_NAME "%s"\n\t\t*MATERIAL_CLASS "Standard"\n' % name)
        out.write("\t\t*MATERIAL_AMBIENT %s\n\t\t*MATERIAL_DIFFUSE %s\n\t\t*MATERIAL_SPECULAR %s\n"
                  % (colour(ambient), colour(diffuse), colour(specular)))
        out.write("\t\t*MATERIAL_SHINE 0.1000\n\t\t*MATERIAL_SHINESTRENGTH 0.0000\n"
                  "\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t*MATERIAL_WIRESIZE 1.0000\n"
                  "\t\t*MATERIAL_SHADING Blinn\n\t}\n")
    out.write("}\n")


def node(out):
    out.write('*GEOMOBJECT {\n\t*NODE_NAME "Grid01"\n\t*NODE_TM {\n\t\t*NODE_NAME "Grid01"\n'
              "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n"
              "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n"
              "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n"
              "\t\t*TM_POS 0.0000\t0.0000\t0.0000\n\t\t*TM_ROTAXIS 0.0000\t0.0000\t0.0000\n"
              "\t\t*TM_ROTANGLE 0.0000\n\t\t*TM_SCALE 1.0000\t1.0000\t1.0000\n"
              "\t\t*TM_SCALEAXIS 0.0000\t0.0000\t0.0000\n\t\t*TM_SCALEAXISANG 0.0000\n\t}\n")


def write_grid(out, columns, rows, textured):
    across = columns + 1
    vertex_count = across * (rows + 1)
    face_count = 2 * columns * rows
    header(out)
    node(out)
    out.write("\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX %d\n\t\t*MESH_NUMFACES %d\n"
              "\t\t*MESH_VERTEX_LIST {\n" % (vertex_count, face_count))
    for j in range(rows + 1):
        z = BOTTOM + HEIGHT * j / rows
        lines = []
        for i in range(across):
            x = -WIDTH / 2 + WIDTH * i / columns
            y = RIPPLE * math.sin(x / 40.0) * math.cos(z / 55.0)
            lines.append("\t\t\t*MESH_VERTEX %5d\t%.4f\t%.4f\t%.4f\n" % (j * across + i, x, y, z))
        out.write("".join(lines))
    out.write("\t\t}\n\t\t*MESH_FACE_LIST {\n")
    face = 0
    for j in range(rows):
        material = (j // BAND_ROWS) % len(MATERIALS)
        lines = []
        for i in range(columns):
            a = j * across + i
            b, c, d = a + 1, a + across, a + across + 1
            # Counter-clockwise seen from -y, where the camera looks from.
            for p, q, r in ((a, b, d), (d, c, a)):
                lines.append("\t\t\t*MESH_FACE %6d:    A: %6d B: %6d C: %6d AB:    1 BC:    1 CA:    0"
                             "\t *MESH_SMOOTHING 1 \t*MESH_MTLID %d\n" % (face, p, q, r, material))
                face += 1
        out.write("".join(lines))
    out.write("\t\t}\n")
    if textured:
        out.write("\t\t*MESH_NUMTVERTEX 4\n\t\t*MESH_TVERTLIST {\n")
        for k, (u, v) in enumerate(((0, 0), (1, 0), (0, 1), (1, 1))):
            out.write("\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000\n" % (k, u, v))
        out.write("\t\t}\n\t\t*MESH_NUMTVFACES %d\n\t\t*MESH_TFACELIST {\n" % face_count)
        for f in range(face_count):
            corners = (0, 1, 3) if f % 2 == 0 else (3, 2, 0)
            out.write("\t\t\t*MESH_TFACE %d\t%d\t%d\t%d\n" % ((f,) + corners))
        out.write("\t\t}\n")
    out.write("\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n\t*MATERIAL_REF 0\n}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--columns", type=int, default=1000)
    parser.add_argument("--rows", type=int, default=500)
    parser.add_argument("--texture", action="store_true")
    args = parser.parse_args()
    if args.columns < 1 or args.rows < 1:
        sys.exit("make_grid.py: columns and rows must be at least 1")
    with open(args.out, "w", newline="\n") as out:
        write_grid(out, args.columns, args.rows, args.texture)


if __name__ == "__main__":
    main()

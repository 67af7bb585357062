#!/usr/bin/env python3
"""Writes the small models the tests open through the importer, one of each
kind people bring: OBJ with its MTL and a PNG texture, a GLB with an
embedded JPEG, binary and text STL, and PLY.

    python3 tools/make_models.py tests/cli/models

The JPEG is encoded by ImageMagick's convert; everything else is written
here. The outputs are kept in the repository, so the tests need neither.
"""
import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib


def texture(size=64):
    """Rows top-down of (r, g, b): four quadrants, red top left, green top
    right, blue bottom left, yellow bottom right, with a checker over them,
    so that a picture shows which way up and round the image went."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            top, left = y < size // 2, x < size // 2
            base = (220, 40, 40) if top and left else (40, 200, 60) if top else \
                (50, 70, 220) if left else (230, 210, 40)
            dark = ((x // 8) + (y // 8)) % 2 == 1
            row.append(tuple(c // 2 for c in base) if dark else base)
        rows.append(row)
    return rows


def png_bytes(rows):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def jpeg_bytes(rows):
    with tempfile.TemporaryDirectory() as folder:
        png = os.path.join(folder, "t.png")
        jpg = os.path.join(folder, "t.jpg")
        with open(png, "wb") as f:
            f.write(png_bytes(rows))
        subprocess.run(["convert", png, "-quality", "92", jpg], check=True)
        with open(jpg, "rb") as f:
            return f.read()


# A cube of side 2 around the origin: per face its corners counter-clockwise
# seen from outside, the outward normal, and texture corners (0,0) at the
# face's lower left.
CUBE_FACES = [
    ((0, 0, 1), [(-1, -1, 1), (1, -1, 1), (1, 1, 1), (-1, 1, 1)]),
    ((0, 0, -1), [(1, -1, -1), (-1, -1, -1), (-1, 1, -1), (1, 1, -1)]),
    ((1, 0, 0), [(1, -1, 1), (1, -1, -1), (1, 1, -1), (1, 1, 1)]),
    ((-1, 0, 0), [(-1, -1, -1), (-1, -1, 1), (-1, 1, 1), (-1, 1, -1)]),
    ((0, 1, 0), [(-1, 1, 1), (1, 1, 1), (1, 1, -1), (-1, 1, -1)]),
    ((0, -1, 0), [(-1, -1, -1), (1, -1, -1), (1, -1, 1), (-1, -1, 1)]),
]
QUAD_UV = [(0, 0), (1, 0), (1, 1), (0, 1)]


def write_obj(folder):
    """A textured cube on an untextured slab, in quads, with face normals."""
    with open(os.path.join(folder, "crate.png"), "wb") as f:
        f.write(png_bytes(texture()))
    with open(os.path.join(folder, "crate.mtl"), "w") as f:
        f.write("# Written by tools/make_models.py\n"
                "newmtl crate\nKa 0.2 0.2 0.2\nKd 0.9 0.9 0.9\nKs 0.4 0.4 0.4\nNs 40\nmap_Kd crate.png\n\n"
                "newmtl slab\nKa 0.1 0.1 0.15\nKd 0.3 0.5 0.8\nKs 0.8 0.8 0.8\nNs 90\n")
    lines = ["# Written by tools/make_models.py", "mtllib crate.mtl"]
    vertex = 0
    for name, material, scale, lift in (("crate", "crate", (1, 1, 1), 0.0), ("slab", "slab", (2, 0.2, 2), -1.2)):
        lines += ["o " + name, "usemtl " + material]
        for index, (normal, corners) in enumerate(CUBE_FACES):
            for x, y, z in corners:
                lines.append("v %g %g %g" % (x * scale[0], y * scale[1] + lift, z * scale[2]))
            lines.append("vn %g %g %g" % normal)
        for u, v in QUAD_UV:
            lines.append("vt %g %g" % (u, v))
        for index in range(6):
            first = vertex + 4 * index + 1
            uv = vertex // 6 + 1  # four texture corners an object
            lines.append("f " + " ".join("%d/%d/%d" % (first + k, uv + k, vertex // 4 + index + 1) for k in range(4)))
        vertex += 24
    with open(os.path.join(folder, "crate.obj"), "w") as f:
        f.write("\n".join(lines) + "\n")


def write_glb(folder):
    """A textured pyramid shown twice by two nodes that place it apart, its
    image an embedded JPEG."""
    apex, base = (0.0, 1.0, 0.0), [(-1.0, -1.0, 1.0), (1.0, -1.0, 1.0), (1.0, -1.0, -1.0), (-1.0, -1.0, -1.0)]
    positions, normals, uvs, indices = [], [], [], []
    for k in range(4):
        a, b = base[k], base[(k + 1) % 4]
        e1 = [b[i] - a[i] for i in range(3)]
        e2 = [apex[i] - a[i] for i in range(3)]
        n = [e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]]
        length = math.sqrt(sum(c * c for c in n))
        n = [c / length for c in n]
        start = len(positions)
        positions += [a, b, apex]
        normals += [n, n, n]
        uvs += [(0.0, 1.0), (1.0, 1.0), (0.5, 0.0)]  # glTF: v runs down the image
        indices += [start, start + 1, start + 2]
    start = len(positions)
    positions += [base[0], base[3], base[2], base[1]]
    normals += [(0.0, -1.0, 0.0)] * 4
    uvs += [(0.0, 1.0), (0.0, 0.0), (1.0, 0.0), (1.0, 1.0)]
    indices += [start, start + 1, start + 2, start, start + 2, start + 3]

    image = jpeg_bytes(texture())
    blobs = [b"".join(struct.pack("<3f", *p) for p in positions), b"".join(struct.pack("<3f", *n) for n in normals),
             b"".join(struct.pack("<2f", *t) for t in uvs), b"".join(struct.pack("<H", i) for i in indices), image]
    views, binary = [], b""
    for blob in blobs:
        views.append({"buffer": 0, "byteOffset": len(binary), "byteLength": len(blob)})
        binary += blob + b"\0" * (-len(blob) % 4)
    lows = [min(p[i] for p in positions) for i in range(3)]
    highs = [max(p[i] for p in positions) for i in range(3)]
    gltf = {
        "asset": {"version": "2.0", "generator": "tools/make_models.py"},
        "scene": 0,
        "scenes": [{"nodes": [0, 1]}],
        "nodes": [
            {"mesh": 0, "translation": [-1.3, 0.0, 0.0]},
            {"mesh": 0, "translation": [1.3, 0.0, 0.0], "rotation": [0.0, 0.3826834, 0.0, 0.9238795],
             "scale": [0.8, 0.8, 0.8]},
        ],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2}, "indices": 3,
                                    "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}, "metallicFactor": 0.0}}],
        "textures": [{"source": 0}],
        "images": [{"bufferView": 4, "mimeType": "image/jpeg"}],
        "accessors": [
            {"bufferView": 0, "componentType": 5126, "count": len(positions), "type": "VEC3", "min": lows,
             "max": highs},
            {"bufferView": 1, "componentType": 5126, "count": len(normals), "type": "VEC3"},
            {"bufferView": 2, "componentType": 5126, "count": len(uvs), "type": "VEC2"},
            {"bufferView": 3, "componentType": 5123, "count": len(indices), "type": "SCALAR"},
        ],
        "bufferViews": views,
        "buffers": [{"byteLength": len(binary)}],
    }
    text = json.dumps(gltf, separators=(",", ":")).encode()
    text += b" " * (-len(text) % 4)
    body = struct.pack("<I4s", len(text), b"JSON") + text + struct.pack("<I4s", len(binary), b"BIN\0") + binary
    with open(os.path.join(folder, "pyramids.glb"), "wb") as f:
        f.write(struct.pack("<4sII", b"glTF", 2, 12 + len(body)) + body)


def torus(ring=1.0, tube=0.4, around=32, across=12):
    """Triangles of a torus about the y axis, counter-clockwise from outside."""
    def point(i, j):
        a, b = 2 * math.pi * i / around, 2 * math.pi * j / across
        r = ring + tube * math.cos(b)
        return (r * math.cos(a), tube * math.sin(b), r * math.sin(a))
    triangles = []
    for i in range(around):
        for j in range(across):
            p, q, r, s = point(i, j), point(i + 1, j), point(i + 1, j + 1), point(i, j + 1)
            triangles += [(p, r, q), (p, s, r)]
    return triangles


def facet_normal(t):
    e1 = [t[1][i] - t[0][i] for i in range(3)]
    e2 = [t[2][i] - t[0][i] for i in range(3)]
    n = [e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]]
    length = math.sqrt(sum(c * c for c in n)) or 1.0
    return [c / length for c in n]


def write_stl(folder):
    """The torus as binary STL, and a star-shaped prism as text STL."""
    triangles = torus()
    with open(os.path.join(folder, "torus.stl"), "wb") as f:
        f.write(b"Binary STL written by tools/make_models.py".ljust(80, b" "))
        f.write(struct.pack("<I", len(triangles)))
        for t in triangles:
            f.write(struct.pack("<3f", *facet_normal(t)))
            for p in t:
                f.write(struct.pack("<3f", *p))
            f.write(b"\0\0")
    star = []
    for k in range(10):
        radius = 1.0 if k % 2 == 0 else 0.45
        angle = math.pi / 2 + math.pi * k / 5
        star.append((radius * math.cos(angle), radius * math.sin(angle)))
    triangles = []
    for k in range(10):
        (x0, y0), (x1, y1) = star[k], star[(k + 1) % 10]
        triangles += [((0, 0, 0.3), (x0, y0, 0.3), (x1, y1, 0.3)), ((0, 0, -0.3), (x1, y1, -0.3), (x0, y0, -0.3)),
                      ((x0, y0, 0.3), (x0, y0, -0.3), (x1, y1, -0.3)), ((x0, y0, 0.3), (x1, y1, -0.3), (x1, y1, 0.3))]
    lines = ["solid star"]
    for t in triangles:
        lines.append("  facet normal %g %g %g" % tuple(facet_normal(t)))
        lines.append("    outer loop")
        lines += ["      vertex %g %g %g" % p for p in t]
        lines += ["    endloop", "  endfacet"]
    lines.append("endsolid star")
    with open(os.path.join(folder, "star.stl"), "w") as f:
        f.write("\n".join(lines) + "\n")


def write_ply(folder, size=16):
    """A rippled square of quads with vertex normals, as a scanner might
    give a patch of surface."""
    def height(x, z):
        return 0.25 * math.sin(3 * x) * math.cos(2 * z)
    vertices = []
    for j in range(size + 1):
        for i in range(size + 1):
            x, z = 2.0 * i / size - 1, 2.0 * j / size - 1
            dx = 0.75 * math.cos(3 * x) * math.cos(2 * z)
            dz = -0.5 * math.sin(3 * x) * math.sin(2 * z)
            n = (-dx, 1.0, -dz)
            length = math.sqrt(sum(c * c for c in n))
            vertices.append((x, height(x, z), z) + tuple(c / length for c in n))
    faces = []
    for j in range(size):
        for i in range(size):
            a = j * (size + 1) + i
            faces.append((a, a + size + 1, a + size + 2, a + 1))
    lines = ["ply", "format ascii 1.0", "comment Written by tools/make_models.py",
             "element vertex %d" % len(vertices), "property float x", "property float y", "property float z",
             "property float nx", "property float ny", "property float nz",
             "element face %d" % len(faces), "property list uchar int vertex_indices", "end_header"]
    lines += ["%.5f %.5f %.5f %.5f %.5f %.5f" % v for v in vertices]
    lines += ["4 %d %d %d %d" % f for f in faces]
    with open(os.path.join(folder, "ripple.ply"), "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_models.py FOLDER")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write_obj(folder)
    write_glb(folder)
    write_stl(folder)
    write_ply(folder)


if __name__ == "__main__":
    main()

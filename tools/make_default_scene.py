#!/usr/bin/env python3
"""Writes the viewer's default scene: data/bou.ASE and 64Bits.bmp.

The scene is "Tin", a small robot on a tiled pedestal: a textured shell
(torso and head share one 64 x 64 texture atlas), limbs and an antenna in
plain materials, a skeleton bone that the viewer hides by its name, and a
second mapping channel on the head that the viewer ignores.

Deterministic: running it twice gives the same bytes. Standard library only.

    python3 tools/make_default_scene.py [repository root]
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Placement. The viewer doubles every coordinate, makes the file's z its up
# axis, moves the model up by 500 and looks from 1700 in front of the origin
# with a 90 degree vertical field of view. Design units below are file units
# before SCALE and LIFT; the robot stands from z = -600 to z = +250.
SCALE = 1.3
LIFT = 65.0  # file units, after scaling

# Texture atlas regions (u0, v0, u1, v1); v = 0 is the bottom of the image.
# A small inset keeps every lookup inside its own region.
INSET = 0.004
HEAD_REGION = (0.0, 0.5 + INSET, 1.0, 1.0)
CHEST_REGION = (INSET, INSET, 0.5 - INSET, 0.5 - INSET)
TILE_REGION = (0.5 + INSET, INSET, 1.0 - INSET, 0.5 - INSET)


def region_uv(region, s, t):
    u0, v0, u1, v1 = region
    return (u0 + (u1 - u0) * s, v0 + (v1 - v0) * t)


class MeshBuilder:
    """Collects vertices, texture vertices and outward-facing triangles."""

    def __init__(self, name, material, textured):
        self.name = name
        self.material = material
        self.textured = textured
        self.vertices = []
        self.faces = []
        self.tverts = []
        self.tfaces = []
        self.solids = []  # (first face, last face, centre) for the winding check

    def vertex(self, p):
        self.vertices.append(p)
        return len(self.vertices) - 1

    def tvert(self, uv):
        self.tverts.append(uv)
        return len(self.tverts) - 1

    def face(self, a, b, c, ta=None, tb=None, tc=None):
        self.faces.append((a, b, c))
        if self.textured:
            self.tfaces.append((ta, tb, tc))

    def begin_solid(self):
        return len(self.faces)

    def end_solid(self, first, centre):
        self.solids.append((first, len(self.faces), centre))


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def normalise(a):
    length = math.sqrt(dot(a, a))
    return (a[0] / length, a[1] / length, a[2] / length)


def frame(axis):
    """Two unit vectors u, v with (u, v, axis) right-handed."""
    d = normalise(axis)
    helper = (1.0, 0.0, 0.0) if abs(d[0]) < 0.9 else (0.0, 1.0, 0.0)
    u = normalise(cross(helper, d))
    v = cross(d, u)
    return u, v, d


def surface(mesh, rings, uv=None):
    """Joins rings of equal length (each counter-clockwise about the axis, the
    rings following the axis) into quads; uv[j][i] gives texture vertices,
    with one more column than points so that the seam has its own pair."""
    n = len(rings[0])
    ids = [[mesh.vertex(p) for p in ring] for ring in rings]
    tids = None
    if uv is not None:
        tids = [[mesh.tvert(t) for t in row] for row in uv]
    for j in range(len(rings) - 1):
        for i in range(n):
            i1 = (i + 1) % n
            a, b, c, d = ids[j][i], ids[j][i1], ids[j + 1][i1], ids[j + 1][i]
            if tids is not None:
                ta, tb, tc, td = tids[j][i], tids[j][i + 1], tids[j + 1][i + 1], tids[j + 1][i]
                mesh.face(a, b, c, ta, tb, tc)
                mesh.face(a, c, d, ta, tc, td)
            else:
                mesh.face(a, b, c)
                mesh.face(a, c, d)
    return ids


def cap(mesh, ring_ids, centre, up, uv_ring=None, uv_centre=None):
    """A fan closing a ring; up tells whether it faces along the axis."""
    c = mesh.vertex(centre)
    tc = mesh.tvert(uv_centre) if uv_centre is not None else None
    tr = [mesh.tvert(t) for t in uv_ring] if uv_ring is not None else None
    n = len(ring_ids)
    for i in range(n):
        i1 = (i + 1) % n
        a, b = ring_ids[i], ring_ids[i1]
        ta = tr[i] if tr else None
        tb = tr[i1] if tr else None
        if up:
            mesh.face(c, a, b, tc, ta, tb)
        else:
            mesh.face(c, b, a, tc, tb, ta)


def tube(mesh, points, radii, segments, close_start=True, close_end=True):
    """A closed tube along a polyline, untextured. Each straight piece is
    checked for winding against its own middle, since a bent tube is not
    convex."""
    rings = []
    for k, p in enumerate(points):
        nxt = points[min(k + 1, len(points) - 1)]
        prv = points[max(k - 1, 0)]
        u, v, d = frame(sub(nxt, prv))
        ring = []
        for i in range(segments):
            t = 2.0 * math.pi * i / segments
            r = radii[k]
            ring.append(tuple(p[m] + r * (math.cos(t) * u[m] + math.sin(t) * v[m]) for m in range(3)))
        rings.append(ring)
    first = mesh.begin_solid()
    ids = surface(mesh, rings)
    middles = [tuple((points[k][m] + points[k + 1][m]) / 2.0 for m in range(3)) for k in range(len(points) - 1)]
    for k, middle in enumerate(middles):
        mesh.solids.append((first + 2 * segments * k, first + 2 * segments * (k + 1), middle))
    if close_start:
        start = mesh.begin_solid()
        cap(mesh, ids[0], points[0], False)
        mesh.end_solid(start, middles[0])
    if close_end:
        start = mesh.begin_solid()
        cap(mesh, ids[-1], points[-1], True)
        mesh.end_solid(start, middles[-1])


def ellipsoid(mesh, centre, radii, slices, stacks, region=None, front_angle=-90.0):
    """A latitude/longitude ellipsoid about z. With a region, u runs once
    around (the region's middle column faces front_angle) and v from the
    bottom pole to the top."""
    first = mesh.begin_solid()
    rx, ry, rz = radii
    rings = []
    uv = [] if region is not None else None
    start = math.radians(front_angle + 180.0)  # the seam sits opposite the front
    for j in range(1, stacks):
        lat = -math.pi / 2 + math.pi * j / stacks
        ring = []
        for i in range(slices):
            t = start + 2.0 * math.pi * i / slices
            ring.append((centre[0] + rx * math.cos(lat) * math.cos(t),
                         centre[1] + ry * math.cos(lat) * math.sin(t),
                         centre[2] + rz * math.sin(lat)))
        rings.append(ring)
        if uv is not None:
            uv.append([region_uv(region, i / slices, j / stacks) for i in range(slices + 1)])
    ids = surface(mesh, rings, uv)
    bottom = (centre[0], centre[1], centre[2] - rz)
    top = (centre[0], centre[1], centre[2] + rz)
    if uv is not None:
        cap(mesh, ids[0], bottom, False, uv[0][:slices], region_uv(region, 0.5, 0.0))
        cap(mesh, ids[-1], top, True, uv[-1][:slices], region_uv(region, 0.5, 1.0))
    else:
        cap(mesh, ids[0], bottom, False)
        cap(mesh, ids[-1], top, True)
    mesh.end_solid(first, centre)


def rounded_box_ring(half_x, half_y, z, segments, exponent=4.0):
    ring = []
    for i in range(segments):
        t = 2.0 * math.pi * i / segments
        c, s = math.cos(t), math.sin(t)
        x = half_x * math.copysign(abs(c) ** (2.0 / exponent), c)
        y = half_y * math.copysign(abs(s) ** (2.0 / exponent), s)
        ring.append((x, y, z))
    return ring


def build_torso():
    mesh = MeshBuilder("Torso", 0, True)
    first = mesh.begin_solid()
    heights = [-330.0, -320.0, -250.0, -150.0, -60.0, -40.0]
    widths = [0.86, 0.95, 1.0, 1.0, 0.94, 0.82]
    segments = 40
    rings = [rounded_box_ring(120.0 * w, 78.0 * w, z, segments) for z, w in zip(heights, widths)]
    ids = [[mesh.vertex(p) for p in ring] for ring in rings]

    # Planar projections: the front half shows the chest panel, the back half
    # the plain margin of the same region, so that the belt runs all round.
    def uv(p, back):
        t = (p[2] - heights[0]) / (heights[-1] - heights[0])
        if back:
            return region_uv(CHEST_REGION, 0.03 + 0.14 * (120.0 - p[0]) / 240.0, t)
        return region_uv(CHEST_REGION, (p[0] + 120.0) / 240.0, t)

    def textured_face(a, b, c):
        pts = [mesh.vertices[k] for k in (a, b, c)]
        back = sum(p[1] for p in pts) > 0.0
        ta, tb, tc = (mesh.tvert(uv(p, back)) for p in pts)
        mesh.face(a, b, c, ta, tb, tc)

    for j in range(len(rings) - 1):
        for i in range(segments):
            i1 = (i + 1) % segments
            a, b, c, d = ids[j][i], ids[j][i1], ids[j + 1][i1], ids[j + 1][i]
            textured_face(a, b, c)
            textured_face(a, c, d)
    top = mesh.vertex((0.0, 0.0, heights[-1]))
    bottom = mesh.vertex((0.0, 0.0, heights[0]))
    for i in range(segments):
        i1 = (i + 1) % segments
        textured_face(top, ids[-1][i], ids[-1][i1])
        textured_face(bottom, ids[0][i1], ids[0][i])
    mesh.end_solid(first, (0.0, 0.0, -190.0))
    return mesh


def build_head():
    mesh = MeshBuilder("Head", 0, True)
    ellipsoid(mesh, (0.0, 0.0, 60.0), (92.0, 86.0, 82.0), 28, 16, HEAD_REGION)
    return mesh


def build_limbs():
    mesh = MeshBuilder("Legs", 1, False)
    for side in (-1.0, 1.0):
        x = 58.0 * side
        tube(mesh, [(x, 0.0, -520.0), (x, 0.0, -430.0), (x, 0.0, -320.0)], [34.0, 38.0, 42.0], 16)
        ellipsoid(mesh, (x, -18.0, -538.0), (46.0, 66.0, 26.0), 16, 8)
    tube(mesh, [(0.0, 0.0, -50.0), (0.0, 0.0, -10.0)], [34.0, 34.0], 16)
    return mesh


def build_arms():
    mesh = MeshBuilder("Arms", 2, False)
    for side in (-1.0, 1.0):
        shoulder = (138.0 * side, 0.0, -70.0)
        elbow = (168.0 * side, -18.0, -180.0)
        wrist = (176.0 * side, -52.0, -270.0)
        ellipsoid(mesh, shoulder, (40.0, 40.0, 40.0), 14, 8)
        tube(mesh, [shoulder, elbow, wrist], [26.0, 23.0, 21.0], 12)
        ellipsoid(mesh, (wrist[0], wrist[1] - 6.0, wrist[2] - 24.0), (30.0, 28.0, 34.0), 12, 8)
    return mesh


def build_antenna():
    mesh = MeshBuilder("Antenna", 3, False)
    tube(mesh, [(0.0, 0.0, 135.0), (0.0, 0.0, 205.0)], [7.0, 5.0], 10)
    ellipsoid(mesh, (0.0, 0.0, 220.0), (18.0, 18.0, 18.0), 12, 8)
    for side in (-1.0, 1.0):
        ellipsoid(mesh, (96.0 * side, 0.0, 62.0), (14.0, 22.0, 22.0), 10, 6)  # ear bolts
    return mesh


def build_pedestal():
    mesh = MeshBuilder("Pedestal", 4, True)
    first = mesh.begin_solid()
    segments = 48
    profile = [(-600.0, 190.0), (-585.0, 200.0), (-565.0, 200.0), (-552.0, 186.0)]
    rings = []
    uv = []
    for k, (z, r) in enumerate(profile):
        rings.append([(r * math.cos(2 * math.pi * i / segments), r * math.sin(2 * math.pi * i / segments), z)
                      for i in range(segments)])
        uv.append([region_uv(TILE_REGION, i / segments, k / (len(profile) - 1) * 0.25)
                   for i in range(segments + 1)])
    ids = surface(mesh, rings, uv)
    top_r = profile[-1][1]
    top_uv = [region_uv(TILE_REGION, 0.5 + 0.5 * math.cos(2 * math.pi * i / segments),
                        0.5 + 0.5 * math.sin(2 * math.pi * i / segments)) for i in range(segments)]
    cap(mesh, ids[-1], (0.0, 0.0, profile[-1][0]), True, top_uv, region_uv(TILE_REGION, 0.5, 0.5))
    cap(mesh, ids[0], (0.0, 0.0, profile[0][0]), False, top_uv, region_uv(TILE_REGION, 0.5, 0.5))
    mesh.end_solid(first, (0.0, 0.0, -576.0))
    assert top_r > 0
    return mesh


def build_bone():
    """The rig's root bone: the viewer hides it by its name."""
    mesh = MeshBuilder("Bip01", 5, False)
    first = mesh.begin_solid()
    bottom, top, w = -590.0, 300.0, 36.0
    mid = -420.0
    a = mesh.vertex((0.0, 0.0, bottom))
    b = mesh.vertex((0.0, 0.0, top))
    ring = [mesh.vertex((w, 0.0, mid)), mesh.vertex((0.0, w, mid)), mesh.vertex((-w, 0.0, mid)),
            mesh.vertex((0.0, -w, mid))]
    for i in range(4):
        p, q = ring[i], ring[(i + 1) % 4]
        mesh.face(b, p, q)
        mesh.face(a, q, p)
    mesh.end_solid(first, (0.0, 0.0, mid))
    return mesh


def place(p):
    return (p[0] * SCALE, p[1] * SCALE, p[2] * SCALE + LIFT)


def check_winding(mesh):
    """Every triangle of every convex part faces away from the part's centre."""
    for first, last, centre in mesh.solids:
        for a, b, c in mesh.faces[first:last]:
            pa, pb, pc = mesh.vertices[a], mesh.vertices[b], mesh.vertices[c]
            n = cross(sub(pb, pa), sub(pc, pa))
            mid = tuple((pa[m] + pb[m] + pc[m]) / 3.0 - centre[m] for m in range(3))
            assert dot(n, mid) > 0.0, (mesh.name, a, b, c)


MATERIALS = [
    # name, ambient, diffuse, specular, shine (fraction of 100), shine strength
    ("Shell", (1.0, 1.0, 1.0), (0.95, 0.95, 0.95), (0.3, 0.3, 0.3), 0.30, 0.25),
    ("Navy", (0.22, 0.3, 0.62), (0.2, 0.3, 0.62), (0.55, 0.55, 0.6), 0.45, 0.6),
    ("Tangerine", (1.0, 0.5, 0.1), (1.0, 0.52, 0.1), (0.6, 0.55, 0.5), 0.40, 0.6),
    ("Signal red", (0.9, 0.1, 0.08), (0.92, 0.12, 0.1), (0.9, 0.8, 0.8), 0.60, 0.9),
    ("Terracotta", (1.0, 1.0, 1.0), (0.9, 0.9, 0.9), (0.1, 0.1, 0.1), 0.20, 0.1),
    ("Bone", (1.0, 0.0, 1.0), (1.0, 0.0, 1.0), (1.0, 1.0, 1.0), 0.10, 0.5),
]


def f4(x):
    text = "%.4f" % x
    return "0.0000" if text == "-0.0000" else text


def mapping(w, indent, tverts, tfaces):
    """One mapping channel: its texture vertices and texture faces."""
    w(indent + "*MESH_NUMTVERTEX %d" % len(tverts))
    w(indent + "*MESH_TVERTLIST {")
    for i, (u, v) in enumerate(tverts):
        w(indent + "\t*MESH_TVERT %d\t%s\t%s\t0.0000" % (i, f4(u), f4(v)))
    w(indent + "}")
    w(indent + "*MESH_NUMTVFACES %d" % len(tfaces))
    w(indent + "*MESH_TFACELIST {")
    for i, (a, b, c) in enumerate(tfaces):
        w(indent + "\t*MESH_TFACE %d\t%d\t%d\t%d" % (i, a, b, c))
    w(indent + "}")


def write_ase(path, meshes):
    out = []
    w = out.append
    w("*3DSMAX_ASCIIEXPORT\t200")
    w('*COMMENT "Trivane default scene, written by tools/make_default_scene.py"')
    w("*SCENE {")
    w('\t*SCENE_FILENAME "bou.max"')
    w("\t*SCENE_FIRSTFRAME 0")
    w("\t*SCENE_LASTFRAME 100")
    w("\t*SCENE_FRAMESPEED 30")
    w("\t*SCENE_TICKSPERFRAME 160")
    w("\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000")
    w("\t*SCENE_AMBIENT_STATIC 0.2000\t0.2000\t0.2000")
    w("}")
    w("*MATERIAL_LIST {")
    w("\t*MATERIAL_COUNT %d" % len(MATERIALS))
    for i, (name, ambient, diffuse, specular, shine, strength) in enumerate(MATERIALS):
        w("\t*MATERIAL %d {" % i)
        w('\t\t*MATERIAL_NAME "%s"' % name)
        w('\t\t*MATERIAL_CLASS "Standard"')
        w("\t\t*MATERIAL_AMBIENT %s" % "\t".join(f4(c) for c in ambient))
        w("\t\t*MATERIAL_DIFFUSE %s" % "\t".join(f4(c) for c in diffuse))
        w("\t\t*MATERIAL_SPECULAR %s" % "\t".join(f4(c) for c in specular))
        w("\t\t*MATERIAL_SHINE %s" % f4(shine))
        w("\t\t*MATERIAL_SHINESTRENGTH %s" % f4(strength))
        w("\t\t*MATERIAL_TRANSPARENCY 0.0000")
        w("\t\t*MATERIAL_WIRESIZE 1.0000")
        w("\t\t*MATERIAL_SHADING Blinn")
        if name in ("Shell", "Terracotta"):
            w("\t\t*MAP_DIFFUSE {")
            w('\t\t\t*MAP_NAME "Atlas"')
            w('\t\t\t*MAP_CLASS "Bitmap"')
            w("\t\t\t*MAP_AMOUNT 1.0000")
            w('\t\t\t*BITMAP "64Bits.bmp"')
            w("\t\t}")
        w("\t}")
    w("}")
    for mesh in meshes:
        verts = [place(p) for p in mesh.vertices]
        w("*GEOMOBJECT {")
        w('\t*NODE_NAME "%s"' % mesh.name)
        w("\t*NODE_TM {")
        w('\t\t*NODE_NAME "%s"' % mesh.name)
        w("\t\t*INHERIT_POS 0 0 0")
        w("\t\t*INHERIT_ROT 0 0 0")
        w("\t\t*INHERIT_SCL 0 0 0")
        w("\t\t*TM_ROW0 1.0000\t0.0000\t0.0000")
        w("\t\t*TM_ROW1 0.0000\t1.0000\t0.0000")
        w("\t\t*TM_ROW2 0.0000\t0.0000\t1.0000")
        w("\t\t*TM_ROW3 0.0000\t0.0000\t%s" % f4(LIFT))
        w("\t}")
        w("\t*MESH {")
        w("\t\t*TIMEVALUE 0")
        w("\t\t*MESH_NUMVERTEX %d" % len(verts))
        w("\t\t*MESH_NUMFACES %d" % len(mesh.faces))
        w("\t\t*MESH_VERTEX_LIST {")
        for i, p in enumerate(verts):
            w("\t\t\t*MESH_VERTEX %4d\t%s\t%s\t%s" % (i, f4(p[0]), f4(p[1]), f4(p[2])))
        w("\t\t}")
        w("\t\t*MESH_FACE_LIST {")
        for i, (a, b, c) in enumerate(mesh.faces):
            w("\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1\t"
              " *MESH_SMOOTHING 1 \t*MESH_MTLID 0" % (i, a, b, c))
        w("\t\t}")
        if mesh.textured:
            mapping(w, "\t\t", mesh.tverts, mesh.tfaces)
        else:
            w("\t\t*MESH_NUMTVERTEX 0")
        if mesh.name == "Head":
            # A second channel (a planar decal projection); the viewer keeps
            # only the first.
            w("\t\t*MESH_MAPPINGCHANNEL 2 {")
            decal = [(min(1.0, max(0.0, 0.5 + p[0] / 200.0)), min(1.0, max(0.0, 0.5 + (p[2] - 60.0) / 200.0)))
                     for p in mesh.vertices]
            mapping(w, "\t\t\t", decal, mesh.faces)
            w("\t\t}")
        w("\t}")
        w("\t*PROP_MOTIONBLUR 0")
        w("\t*PROP_CASTSHADOW 1")
        w("\t*PROP_RECVSHADOW 1")
        w("\t*MATERIAL_REF %d" % mesh.material)
        w("}")
    with open(path, "w", newline="\n", encoding="ascii") as f:
        f.write("\n".join(out) + "\n")


# ---------------------------------------------------------------------------
# Texture atlas, 64 x 64. Painted top-down in (column, row) with row 0 at the
# top of the image; written bottom-up as a bitmap with a positive height.

def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))


def paint_head(img):
    # Rows 0..31 wrap once around the head; column 32 faces front.
    silver_top, silver_low = (214, 222, 232), (150, 160, 178)
    visor, glow, pupil = (34, 40, 62), (90, 230, 255), (240, 255, 255)
    for y in range(32):
        for x in range(64):
            c = mix(silver_top, silver_low, y / 31.0)
            if (x + y) % 2 == 0:
                c = mix(c, (255, 255, 255), 0.06)
            # Seams of the helmet plates.
            if x in (0, 16, 48) or y == 4:  # no seam down the face
                c = mix(c, (90, 96, 112), 0.55)
            img[y][x] = c
    # Visor band around the eyes.
    for y in range(11, 19):
        for x in range(64):
            img[y][x] = mix(visor, (60, 70, 100), (y - 11) / 7.0)
    for y in (10, 19):
        for x in range(64):
            img[y][x] = (120, 128, 146)
    # Two glowing eyes on the front.
    for cx in (26.0, 38.0):
        for y in range(11, 19):
            for x in range(int(cx) - 5, int(cx) + 6):
                d = math.hypot((x + 0.5 - cx) / 4.2, (y + 0.5 - 15.0) / 3.4)
                if d < 1.0:
                    img[y][x] = mix(glow, (30, 120, 200), d * d)
                    if d < 0.35:
                        img[y][x] = pupil
    # A smile below the visor.
    for x in range(25, 40):
        t = (x - 32.0) / 7.5
        y = int(round(21.0 + 2.2 * (1.0 - t * t)))
        img[y][x] = (40, 44, 60)
        img[y + 1][x] = (70, 74, 92)
    for cx in (22, 42):
        for y in (21, 22):
            for x in (cx, cx + 1):
                img[y][x] = (236, 150, 160)  # cheeks


def paint_chest(img):
    # Rows 32..63, columns 0..31: the torso seen from the front.
    for y in range(32, 64):
        for x in range(32):
            fy = (y - 32) / 31.0
            c = mix((246, 246, 240), (200, 204, 214), fy)
            if x in (0, 31):
                c = mix(c, (150, 150, 160), 0.5)
            img[y][x] = c
    # Belt near the bottom (the image's bottom is the hip).
    for y in range(57, 61):
        for x in range(32):
            img[y][x] = (60, 64, 80) if y in (57, 60) else (86, 92, 110)
    for x in range(14, 18):
        for y in range(57, 61):
            img[y][x] = (236, 196, 60)
    # Dark panel with rounded corners.
    for y in range(36, 55):
        for x in range(7, 25):
            corner = (x in (7, 24)) and (y in (36, 54))
            if not corner:
                img[y][x] = mix((40, 48, 70), (24, 28, 44), (y - 36) / 18.0)
    # Heart light.
    for y in range(37, 50):
        for x in range(9, 23):
            px, py = (x + 0.5 - 16.0) / 5.0, (43.0 - (y + 0.5)) / 4.6
            if (px * px + py * py - 1.0) ** 3 - px * px * py ** 3 <= 0.0:
                img[y][x] = mix((255, 96, 116), (196, 28, 58), (y - 38) / 10.0)
    # Three buttons.
    for x0, colour in ((10, (240, 70, 60)), (15, (250, 210, 60)), (20, (80, 220, 110))):
        for y in (51, 52):
            for x in (x0, x0 + 1):
                img[y][x] = colour


def paint_tiles(img):
    # Rows 32..63, columns 32..63: terracotta and cream tiles.
    for y in range(32, 64):
        for x in range(32, 64):
            tx, ty = (x - 32) // 8, (y - 32) // 8
            base = (196, 98, 62) if (tx + ty) % 2 == 0 else (238, 220, 186)
            gx, gy = (x - 32) % 8, (y - 32) % 8
            if gx == 0 or gy == 0:
                base = (120, 84, 70)
            elif gx == 1 or gy == 1:
                base = mix(base, (255, 255, 255), 0.25)
            img[y][x] = base


def write_bmp(path, img):
    width, height = 64, 64
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(width):
            r, g, b = (int(round(v)) for v in img[y][x])
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    # Mesh 0 must be visible: the procedural models take over its visibility.
    # The torso comes last: the material of the last mesh lit is the one the
    # light and material dialog edits, so it must be one the user can see.
    meshes = [build_pedestal(), build_bone(), build_limbs(), build_arms(), build_antenna(),
              build_head(), build_torso()]
    for mesh in meshes:
        check_winding(mesh)
    os.makedirs(os.path.join(root, "data"), exist_ok=True)
    write_ase(os.path.join(root, "data", "bou.ASE"), meshes)
    img = [[(0, 0, 0)] * 64 for _ in range(64)]
    paint_head(img)
    paint_chest(img)
    paint_tiles(img)
    write_bmp(os.path.join(root, "64Bits.bmp"), img)


if __name__ == "__main__":
    main()

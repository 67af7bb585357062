#pragma once

// The standard headers most tests use, in one place.
#include <algorithm>
#include <array>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/renderer.h"

namespace trivane::test {

// The Renderer is several megabytes: tests keep theirs on the heap.
inline std::unique_ptr<Renderer> makeRenderer() { return std::make_unique<Renderer>(); }

// A renderer with its 800 x 600 framebuffer, as at window creation.
inline std::unique_ptr<Renderer> makeRendererWithFrame() {
    auto r = makeRenderer();
    r->createFrameBitmap(kFrameWidth, kFrameHeight);
    return r;
}

// The camera, projection and light start-up leaves, without reading the
// default scene's files. With them a world point (x, y, -1100) lands on
// pixel (400 + x / 2, 300 + y / 2).
inline std::unique_ptr<Renderer> startView(int32_t mode) {
    auto r = makeRendererWithFrame();
    r->lookAtMode = 1;
    r->nearPlane = 300, r->farPlane = 200000, r->viewportWidth = 800, r->viewportHeight = 600;
    r->cameraPosition.z = -1700;
    r->cameraUp.y = 1;
    r->meshes[0].scale = Vector3{1, 1, 1};
    r->light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lightPosition.z = -300;
    r->renderMode = mode;
    r->dirty = 1;
    return r;
}

// A 64 x 64 texture without row padding: texel (column, row) has blue
// 4 x column, green 4 x row and red 200.
inline void setTexture(Renderer& r) {
    r.textureFile.resize(64 * 192);
    for (int i = 0; i < 64 * 64; ++i) {
        uint8_t* t = r.textureFile.data() + 3 * i;  // i = row x 64 + column
        t[0] = static_cast<uint8_t>(4 * (i % 64)), t[1] = static_cast<uint8_t>(4 * (i / 64)), t[2] = 200;
    }
    r.texturePixels = r.textureFile.data();
    r.textureWidth = 64, r.textureMaxY = 63, r.textureStride = 192;
}

struct P3 {
    float x, y, z;
};

// Adds a visible mesh whose normals all face the camera.
inline Mesh& addMesh(Renderer& r, std::initializer_list<P3> points, std::initializer_list<int32_t> indices) {
    Mesh& m = r.meshes[r.meshCount++];
    const int n = static_cast<int>(points.size());
    m.vertexCount = n;
    m.vertices.assign(n, Vertex{}), m.transformed.assign(n, Vertex{}), m.normals.assign(n, Vertex{}), m.clipFlags.assign(n, 0);
    int i = 0;
    for (const P3& p : points) {
        m.vertices[i].x = p.x, m.vertices[i].y = p.y, m.vertices[i].z = p.z;
        m.normals[i].z = -1, m.normals[i].w = 0;
        ++i;
    }
    m.indices.assign(indices);
    m.indexCount = static_cast<int32_t>(m.indices.size());
    m.visible = 1;
    return m;
}

using Rgb8 = std::array<int, 3>;  // red, green, blue

inline Rgb8 pixel(const Renderer& r, int x, int y) {
    const uint8_t* p = r.frameBits + y * kFrameStride + 3 * x;
    return {p[2], p[1], p[0]};
}

inline int countColoured(const Renderer& r) {
    int n = 0;
    for (size_t i = 0; i < kFrameBytes; i += 3) n += (r.frameBits[i] | r.frameBits[i + 1] | r.frameBits[i + 2]) != 0;
    return n;
}

}  // namespace trivane::test

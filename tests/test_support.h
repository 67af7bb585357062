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
    createFrameBitmap(r->target, kFrameWidth, kFrameHeight);
    return r;
}

// The camera, projection and light start-up leaves, without reading the
// default scene's files. With them a world point (x, y, -1100) lands on
// pixel (400 + x / 2, 300 + y / 2).
inline std::unique_ptr<Renderer> startView(int32_t mode) {
    auto r = makeRendererWithFrame();
    CameraState& camera = r->camera;
    camera.lookAtMode = 1;
    camera.nearPlane = 300, camera.farPlane = 200000, camera.viewportWidth = 800, camera.viewportHeight = 600;
    camera.cameraPosition.z = -1700;
    camera.cameraUp.y = 1;
    r->scene.meshes[0].scale = Vector3{1, 1, 1};
    r->lighting.light = LightingTerms{{0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}};
    r->lighting.lightPosition.z = -300;
    r->settings.renderMode = mode;
    r->input.dirty = 1;
    return r;
}

struct P3 {
    float x, y, z;
};

// Adds a visible mesh whose normals all face the camera.
inline Mesh& addMesh(SceneState& scene, std::initializer_list<P3> points, std::initializer_list<int32_t> indices) {
    Mesh& m = scene.meshes[scene.meshCount++];
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

inline Rgb8 pixel(const uint8_t* frame, int x, int y) {
    const uint8_t* p = frame + y * kFrameStride + 3 * x;
    return {p[2], p[1], p[0]};
}
inline Rgb8 pixel(const Renderer& r, int x, int y) { return pixel(r.target.frameBits, x, y); }

inline int countColoured(const uint8_t* frame) {
    int n = 0;
    for (size_t i = 0; i < kFrameBytes; i += 3) n += (frame[i] | frame[i + 1] | frame[i + 2]) != 0;
    return n;
}
inline int countColoured(const Renderer& r) { return countColoured(r.target.frameBits); }

// A picture of its own for driving the drawing kernels, all black and empty.
struct Canvas {
    std::vector<uint8_t> colour = std::vector<uint8_t>(kFrameBytes);
    std::vector<float> depth = std::vector<float>(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    raster::FrameBand band() {
        raster::FrameBand b;
        b.colour = colour.data();
        b.depth = depth.data();
        return b;
    }
    Rgb8 pixel(int x, int y) const { return test::pixel(colour.data(), x, y); }
    int countColoured() const { return test::countColoured(colour.data()); }
};

}  // namespace trivane::test

#include <cmath>

#include "core/renderer.h"
#include "math/transforms.h"

namespace trivane {

namespace {

struct SinCos {
    float c;
    float s;
};

SinCos sinCosOfDegrees(float degrees) {
    const double radians = static_cast<double>(degrees) * kDegreeFactor;
    return SinCos{static_cast<float>(std::cos(radians)), static_cast<float>(std::sin(radians))};
}

void setRows(Matrix4& m, const float (&values)[16]) {
    for (int i = 0; i < 16; ++i) m.m[i] = values[i];
}

void transposeInPlace(Matrix4& m) {
    for (int r = 0; r < 4; ++r) {
        for (int c = r + 1; c < 4; ++c) {
            const float t = m.at(r, c);
            m.at(r, c) = m.at(c, r);
            m.at(c, r) = t;
        }
    }
}

}  // namespace

void translate(CameraState& c, float tx, float ty, float tz) {
    setRows(c.builderMatrix, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1});
    c.transform.multiply(c.builderMatrix);
}

void scaleBy(CameraState& c, float sx, float sy, float sz) {
    setRows(c.scaleMatrix, {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1});
    c.transform.multiply(c.scaleMatrix);
}

void rotateZ(CameraState& c, float degrees, bool transposed) {
    const SinCos a = sinCosOfDegrees(degrees);
    setRows(c.rotationMatrix, {a.c, a.s, 0, 0, -a.s, a.c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    if (transposed) transposeInPlace(c.rotationMatrix);
    c.transform.multiply(c.rotationMatrix);
}

void rotateX(CameraState& c, float degrees, bool transposed) {
    const SinCos a = sinCosOfDegrees(degrees);
    setRows(c.rotationMatrix, {1, 0, 0, 0, 0, a.c, a.s, 0, 0, -a.s, a.c, 0, 0, 0, 0, 1});
    if (transposed) transposeInPlace(c.rotationMatrix);
    c.transform.multiply(c.rotationMatrix);
}

void rotateY(CameraState& c, float degrees, bool transposed) {
    const SinCos a = sinCosOfDegrees(degrees);
    setRows(c.rotationMatrix, {a.c, 0, a.s, 0, 0, 1, 0, 0, -a.s, 0, a.c, 0, 0, 0, 0, 1});
    if (transposed) transposeInPlace(c.rotationMatrix);
    c.transform.multiply(c.rotationMatrix);
}

void lookAt(CameraState& c, Vertex eye, Vertex target, Vertex up) {
    Vertex zAxis;
    zAxis.x = static_cast<float>(static_cast<double>(target.x) - eye.x);
    zAxis.y = static_cast<float>(static_cast<double>(target.y) - eye.y);
    zAxis.z = static_cast<float>(static_cast<double>(target.z) - eye.z);
    zAxis.normalize();
    Vertex xAxis = up.cross(zAxis);
    xAxis.normalize();
    const Vertex yAxis = zAxis.cross(xAxis);

    Matrix4 view;
    setRows(view, {xAxis.x, yAxis.x, zAxis.x, 0,
                   xAxis.y, yAxis.y, zAxis.y, 0,
                   xAxis.z, yAxis.z, zAxis.z, 0,
                   static_cast<float>(-dot3(xAxis, eye)), static_cast<float>(-dot3(yAxis, eye)),
                   static_cast<float>(-dot3(zAxis, eye)), 1});
    c.transform.multiply(view);
}

Matrix4 projectionMatrix(float nearPlane, float farPlane, float viewportWidth, float viewportHeight) {
    // With all parameters 0 (start-up stopped early) these are NaN, which is
    // harmless: the vertex becomes NaN and is neither clipped nor drawn sensibly.
    const double n = nearPlane, f = farPlane, w = viewportWidth, h = viewportHeight;
    const float sx = static_cast<float>(2.0 * n / w);
    const float sy = static_cast<float>(2.0 * n / h);
    const float sz = static_cast<float>(f / (f - n));
    const float tz = static_cast<float>(-(f * n) / (f - n));
    Matrix4 m;
    setRows(m, {sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 1, 0, 0, tz, 0});
    return m;
}

Matrix4 viewportMatrix(float viewportWidth, float viewportHeight) {
    const float hw = static_cast<float>(viewportWidth / 2.0);
    const float hh = static_cast<float>(viewportHeight / 2.0);
    Matrix4 m;
    setRows(m, {hw, 0, 0, 0, 0, hh, 0, 0, 0, 0, 1, 0, hw, hh, 0, 1});
    return m;
}

// The builders as operations of the whole state, for its callers.
void Renderer::translate(float tx, float ty, float tz) { trivane::translate(*this, tx, ty, tz); }
void Renderer::scaleBy(float sx, float sy, float sz) { trivane::scaleBy(*this, sx, sy, sz); }
void Renderer::rotateX(float degrees) { trivane::rotateX(*this, degrees, transposeRotations != 0); }
void Renderer::rotateY(float degrees) { trivane::rotateY(*this, degrees, transposeRotations != 0); }
void Renderer::rotateZ(float degrees) { trivane::rotateZ(*this, degrees, transposeRotations != 0); }
void Renderer::lookAt(Vertex eye, Vertex target, Vertex up) { trivane::lookAt(*this, eye, target, up); }

void Renderer::project(Vertex& vertex) {
    builderMatrix = projectionMatrix(nearPlane, farPlane, viewportWidth, viewportHeight);
    vertex.transformBy(builderMatrix);
}

void Renderer::toViewport(Vertex& vertex) {
    builderMatrix = viewportMatrix(viewportWidth, viewportHeight);
    vertex.transformBy(builderMatrix);
}

}  // namespace trivane

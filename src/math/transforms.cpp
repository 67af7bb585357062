#include <cmath>

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

Matrix4 rows(const float (&values)[16]) {
    Matrix4 m;
    for (int i = 0; i < 16; ++i) m.m[i] = values[i];
    return m;
}

}  // namespace

Matrix4 transposed(const Matrix4& m) {
    Matrix4 t;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) t.at(r, c) = m.at(c, r);
    return t;
}

Matrix4 translation(float tx, float ty, float tz) { return rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, tx, ty, tz, 1}); }

Matrix4 scaling(float sx, float sy, float sz) { return rows({sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1}); }

Matrix4 rotationZ(float degrees) {
    const SinCos a = sinCosOfDegrees(degrees);
    return rows({a.c, a.s, 0, 0, -a.s, a.c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

Matrix4 rotationX(float degrees) {
    const SinCos a = sinCosOfDegrees(degrees);
    return rows({1, 0, 0, 0, 0, a.c, a.s, 0, 0, -a.s, a.c, 0, 0, 0, 0, 1});
}

Matrix4 rotationY(float degrees) {
    const SinCos a = sinCosOfDegrees(degrees);
    return rows({a.c, 0, a.s, 0, 0, 1, 0, 0, -a.s, 0, a.c, 0, 0, 0, 0, 1});
}

Matrix4 lookAtMatrix(Vertex eye, Vertex target, Vertex up) {
    Vertex zAxis;
    zAxis.x = static_cast<float>(static_cast<double>(target.x) - eye.x);
    zAxis.y = static_cast<float>(static_cast<double>(target.y) - eye.y);
    zAxis.z = static_cast<float>(static_cast<double>(target.z) - eye.z);
    zAxis.normalize();
    Vertex xAxis = up.cross(zAxis);
    xAxis.normalize();
    const Vertex yAxis = zAxis.cross(xAxis);
    return rows({xAxis.x, yAxis.x, zAxis.x, 0,
                 xAxis.y, yAxis.y, zAxis.y, 0,
                 xAxis.z, yAxis.z, zAxis.z, 0,
                 static_cast<float>(-dot3(xAxis, eye)), static_cast<float>(-dot3(yAxis, eye)),
                 static_cast<float>(-dot3(zAxis, eye)), 1});
}

Matrix4 modelTurn(const Vector3& scale, const Vector3& rotation) {
    // From the identity, as every chain starts: the first product is part of
    // the result (it turns a -0 scale into +0).
    Matrix4 m;
    m.multiply(scaling(scale.x, scale.y, scale.z));
    m.multiply(rotationZ(rotation.z));
    m.multiply(rotationX(rotation.x));
    m.multiply(rotationY(rotation.y));
    return m;
}

Matrix4 modelView(const Vector3& scale, const Vector3& rotation, const Vector3& position, const CameraState& camera) {
    Matrix4 m = modelTurn(scale, rotation);
    m.multiply(translation(position.x, position.y, position.z));
    if (camera.lookAtMode) {
        m.multiply(lookAtMatrix(camera.cameraPosition, camera.cameraTarget, camera.cameraUp));
    } else {
        const Vertex& p = camera.cameraPosition;
        m.multiply(translation(-p.x, -p.y, -p.z));
        m.multiply(transposed(rotationZ(camera.cameraRotation.z)));
        m.multiply(transposed(rotationX(camera.cameraRotation.x)));
        m.multiply(transposed(rotationY(camera.cameraRotation.y)));
    }
    return m;
}

Matrix4 projectionMatrix(float nearPlane, float farPlane, float viewportWidth, float viewportHeight) {
    // With all parameters 0 (start-up stopped early) these are NaN, which is
    // harmless: the vertex becomes NaN and is neither clipped nor drawn sensibly.
    const double n = nearPlane, f = farPlane, w = viewportWidth, h = viewportHeight;
    const float sx = static_cast<float>(2.0 * n / w);
    const float sy = static_cast<float>(2.0 * n / h);
    const float sz = static_cast<float>(f / (f - n));
    const float tz = static_cast<float>(-(f * n) / (f - n));
    return rows({sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 1, 0, 0, tz, 0});
}

Matrix4 viewportMatrix(float viewportWidth, float viewportHeight) {
    const float hw = static_cast<float>(viewportWidth / 2.0);
    const float hh = static_cast<float>(viewportHeight / 2.0);
    return rows({hw, 0, 0, 0, 0, hh, 0, 0, 0, 0, 1, 0, hw, hh, 0, 1});
}

}  // namespace trivane

#pragma once

// Geometry primitives: the one point record, a 4 x 4 float matrix and a plain
// float triple. Row vectors throughout: v' = v x M, translation in row 3.
// Every product and sum is formed in double and rounded to float only when it
// is stored, so results do not depend on the compiler's choice of registers.

#include <cmath>

namespace trivane {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct Matrix4 {
    // Row-major: element (r, c) is m[4 * r + c].
    float m[16];

    Matrix4() { setIdentity(); }

    float& at(int row, int col) { return m[4 * row + col]; }
    float at(int row, int col) const { return m[4 * row + col]; }

    void setIdentity();
    // this = this x right; right may be this object itself.
    void multiply(const Matrix4& right);
};

struct Vertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;
    // Written by the frame pipeline before anything reads it; zero here only so
    // that copies of fresh records are deterministic.
    double depth = 0.0;
    float u = 0.0f;
    float v = 0.0f;
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;

    Vertex transformedBy(const Matrix4& m) const;
    void transformBy(const Matrix4& m);
    Vertex cross(const Vertex& other) const;
    // No guard for a zero length: the components become NaN (or stay NaN).
    void normalize();
};

// x, y and z only, in double.
inline double dot3(const Vertex& a, const Vertex& b) {
    return static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y + static_cast<double>(a.z) * b.z;
}

// Inline: the vertex stage runs these for every vertex and gains from
// interleaving neighbouring vertices.

inline void Vertex::transformBy(const Matrix4& m) {
    const double px = x, py = y, pz = z, pw = w;
    auto column = [&](int col) {
        double sum = px * m.at(0, col);
        sum += py * m.at(1, col);
        sum += pz * m.at(2, col);
        sum += pw * m.at(3, col);
        return static_cast<float>(sum);
    };
    x = column(0);
    y = column(1);
    z = column(2);
    w = column(3);
}

inline Vertex Vertex::transformedBy(const Matrix4& m) const {
    Vertex result = *this;
    result.transformBy(m);
    return result;
}

inline void Vertex::normalize() {
    const double len = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                                 static_cast<double>(z) * z);
    const double k = 1.0 / len;
    x = static_cast<float>(x * k);
    y = static_cast<float>(y * k);
    z = static_cast<float>(z * k);
}

}  // namespace trivane

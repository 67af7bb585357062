#pragma once

// Geometry primitives: the one point record, a 4 x 4 float matrix and a plain
// float triple. Row vectors throughout: v' = v x M, translation in row 3.
// Every product and sum is formed in double and rounded to float only when it
// is stored, so results do not depend on the compiler's choice of registers.

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

}  // namespace trivane

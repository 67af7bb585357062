#include "math/vertex.h"

#include <cmath>

namespace trivane {

void Matrix4::setIdentity() {
    for (int i = 0; i < 16; ++i) m[i] = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void Matrix4::multiply(const Matrix4& right) {
    // Read both operands completely before writing, so squaring works in place.
    float result[16];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = static_cast<double>(at(r, 0)) * right.at(0, c);
            sum += static_cast<double>(at(r, 1)) * right.at(1, c);
            sum += static_cast<double>(at(r, 2)) * right.at(2, c);
            sum += static_cast<double>(at(r, 3)) * right.at(3, c);
            result[4 * r + c] = static_cast<float>(sum);
        }
    }
    for (int i = 0; i < 16; ++i) m[i] = result[i];
}

Vertex Vertex::cross(const Vertex& o) const {
    Vertex result;
    result.x = static_cast<float>(static_cast<double>(y) * o.z - static_cast<double>(z) * o.y);
    result.y = static_cast<float>(static_cast<double>(z) * o.x - static_cast<double>(x) * o.z);
    result.z = static_cast<float>(static_cast<double>(x) * o.y - static_cast<double>(y) * o.x);
    return result;
}

}  // namespace trivane

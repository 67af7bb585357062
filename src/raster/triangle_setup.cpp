#include "raster/triangle_setup.h"

#include <cmath>
#include <utility>

namespace trivane::raster {

TrianglePlan planTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    TrianglePlan plan;
    const Vertex* first = nullptr;
    const Vertex* second = nullptr;
    const Vertex* other = nullptr;
    if (a.y == b.y) {
        first = &a, second = &b, other = &c;
    } else if (a.y == c.y) {
        first = &a, second = &c, other = &b;
    } else if (b.y == c.y) {
        first = &b, second = &c, other = &a;
    }
    if (first != nullptr) {
        // Equal columns keep the earlier vertex on the left.
        const bool swap = second->x < first->x;
        plan.left = swap ? second : first;
        plan.right = swap ? first : second;
        plan.apex = other;
        plan.apexFirst = other->y < first->y;
        return plan;
    }
    // Three different rows (or a NaN row, which compares unequal and lands
    // here too; its half fills visit no rows).
    const Vertex* v[3] = {&a, &b, &c};
    if (v[1]->y < v[0]->y) std::swap(v[0], v[1]);
    if (v[2]->y < v[1]->y) std::swap(v[1], v[2]);
    if (v[1]->y < v[0]->y) std::swap(v[0], v[1]);
    plan.split = true;
    plan.top = v[0];
    plan.middle = v[1];
    plan.bottom = v[2];
    return plan;
}

}  // namespace trivane::raster

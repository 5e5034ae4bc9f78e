#include "mesh/Polygon2d.h"

namespace util {

bool Polygon2d::pointInside(Vector2<float> const& p, std::vector<Vector2<float>> const& polygon) {
    std::size_t const n = polygon.size();
    if (n == 0) return false;
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        Vector2<float> const& a = polygon[j];
        Vector2<float> const& b = polygon[i];
        if ((b.y < p.y && p.y <= a.y) || (a.y < p.y && p.y <= b.y)) {
            float const x = (a.x - b.x) * ((p.y - b.y) / (a.y - b.y)) + b.x;
            if (p.x > x) inside = !inside;
        }
    }
    return inside;
}

}  // namespace util

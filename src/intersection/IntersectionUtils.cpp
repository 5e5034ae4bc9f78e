#include "intersection/IntersectionUtils.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "intersection/TriBoxOverlap.h"

namespace util {
namespace intersection {
namespace {
// Each plane as three corner indices (p, q, r): through p, normal (q - p) x (r - p).
constexpr int PLANES[6][3] = {{0, 1, 3}, {5, 4, 6}, {0, 3, 4}, {1, 5, 2}, {6, 7, 2}, {1, 0, 5}};

constexpr int BOUNDARY_TRIANGLES[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7},
                                           {2, 3, 7}, {2, 7, 6}, {0, 1, 4}, {1, 4, 5},
                                           {0, 3, 7}, {0, 7, 4}, {1, 2, 6}, {1, 6, 5}};
}  // namespace

bool sphereInsideFrustum(Vector3<float> const& centre, float radius,
                         std::vector<Vector3<float>> const& corners) {
    assert(corners.size() >= 8);
    for (auto const& plane : PLANES) {
        Vector3<float> const& p = corners[plane[0]];
        Vector3<float> normal = (corners[plane[1]] - p).cross(corners[plane[2]] - p);
        normal *= 1.0f / normal.length();
        if (normal.dot(centre) >= normal.dot(p) - radius) return false;
    }
    return true;
}

bool frustumBoxOverlap(std::vector<Vector3<float>> const& corners, Vector3<float> const& centre,
                       Vector3<float> const& halfSize) {
    float const inscribed =
        std::min({std::fabs(halfSize.x), std::fabs(halfSize.y), std::fabs(halfSize.z)});
    if (sphereInsideFrustum(centre, inscribed, corners)) return true;
    for (auto const& tri : BOUNDARY_TRIANGLES) {
        if (TriBoxOverlap::triBoxOverlap(&corners[tri[0]].x, &corners[tri[1]].x, &corners[tri[2]].x,
                                         &centre.x, &halfSize.x)) {
            return true;
        }
    }
    return false;
}

bool triUnitCubeOverlap(Vector3<float> const& a, Vector3<float> const& b, Vector3<float> const& c) {
    float const centre[3] = {0, 0, 0};
    float const half[3] = {1, 1, 1};
    return TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, half);
}

}  // namespace intersection
}  // namespace util

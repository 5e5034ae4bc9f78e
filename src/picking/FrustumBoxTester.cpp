#include "picking/FrustumBoxTester.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "intersection/IntersectionUtils.h"
#include "intersection/TriBoxOverlap.h"

namespace util {
namespace {
// The planes and boundary triangles of frustumBoxOverlap, in its order.
constexpr int PLANES[6][3] = {{0, 1, 3}, {5, 4, 6}, {0, 3, 4}, {1, 5, 2}, {6, 7, 2}, {1, 0, 5}};
constexpr int BOUNDARY_TRIANGLES[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7},
                                           {2, 3, 7}, {2, 7, 6}, {0, 1, 4}, {1, 4, 5},
                                           {0, 3, 7}, {0, 7, 4}, {1, 2, 6}, {1, 6, 5}};
}  // namespace

FrustumBoxTester::FrustumBoxTester(std::vector<Vector3<float>> const& corners) : mCorners(corners) {
    assert(corners.size() >= 8);
    for (int i = 0; i < 6; ++i) {
        Vector3<float> const& p = corners[PLANES[i][0]];
        Vector3<float> normal = (corners[PLANES[i][1]] - p).cross(corners[PLANES[i][2]] - p);
        normal *= 1.0f / normal.length();
        mNormals[i] = normal;
        mOffsets[i] = normal.dot(p);
    }
}

bool FrustumBoxTester::overlaps(Vector3<float> const& centre,
                                Vector3<float> const& halfSize) const {
    float const inscribed =
        std::min({std::fabs(halfSize.x), std::fabs(halfSize.y), std::fabs(halfSize.z)});
    if (sphereInside(centre, inscribed)) return true;
    if (beyondAllCorners(centre, halfSize)) return false;
    for (auto const& tri : BOUNDARY_TRIANGLES) {
        if (TriBoxOverlap::triBoxOverlap(&mCorners[tri[0]].x, &mCorners[tri[1]].x,
                                         &mCorners[tri[2]].x, &centre.x, &halfSize.x)) {
            return true;
        }
    }
    return false;
}

bool FrustumBoxTester::sphereInside(Vector3<float> const& centre, float radius) const {
    for (int i = 0; i < 6; ++i)
        if (mNormals[i].dot(centre) >= mOffsets[i] - radius) return false;
    return true;
}

// The box-axis test of the triangle overlap, done once for all corners with the same
// subtractions; any NaN leaves the decision to the full test.
bool FrustumBoxTester::beyondAllCorners(Vector3<float> const& centre,
                                        Vector3<float> const& halfSize) const {
    for (int k = 0; k < 3; ++k) {
        if (std::isnan(halfSize[k])) return false;
        float lo = mCorners[0][k] - centre[k];
        float hi = lo;
        for (std::size_t i = 0; i < 8; ++i) {
            float const v = mCorners[i][k] - centre[k];
            if (std::isnan(v)) return false;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        if (lo > halfSize[k] || hi < -halfSize[k]) return true;
    }
    return false;
}

}  // namespace util

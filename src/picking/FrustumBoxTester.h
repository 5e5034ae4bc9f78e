#pragma once

#include <array>
#include <vector>

#include "base/Vector3.h"

namespace util {

// util::intersection::frustumBoxOverlap for many boxes against one frustum, with the same
// result for every box: the plane normals are normalised once, and a box that lies beyond all
// eight corners on one axis skips the boundary triangles, since every one of them would fail on
// that box axis. The frustum query tests each entry box of the visible nodes with it.
class FrustumBoxTester {
public:
    explicit FrustumBoxTester(std::vector<Vector3<float>> const& corners);

    bool overlaps(Vector3<float> const& centre, Vector3<float> const& halfSize) const;

private:
    bool sphereInside(Vector3<float> const& centre, float radius) const;
    bool beyondAllCorners(Vector3<float> const& centre, Vector3<float> const& halfSize) const;

    std::vector<Vector3<float>> const mCorners;
    std::array<Vector3<float>, 6> mNormals;  // unit, outwards
    std::array<float, 6> mOffsets;           // normal . a point of the plane
};

}  // namespace util

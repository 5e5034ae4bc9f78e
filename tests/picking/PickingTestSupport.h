#pragma once

#include <array>
#include <vector>

#include "base/Matrix.h"
#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"

namespace util {
namespace test {

constexpr float NO_HIT = 3.4028235e38f;

inline Mesh makeTriangle(V3 const& a, V3 const& b, V3 const& c) {
    return makeMesh({a, b, c}, {{0, 1, 2}});
}

// The box [lo, hi] as frustum corners (boxCorners, flattened) and the orthographic
// view-projection that maps it onto [-1, 1]^3.
struct BoxView {
    std::array<float, 24> corners;
    Matrix<float> viewProjection;
};

inline BoxView boxView(V3 const& lo, V3 const& hi) {
    std::vector<V3> const c = boxCorners(lo, hi);
    BoxView view;
    for (int i = 0; i < 8; ++i) {
        view.corners[3 * i] = c[i].x;
        view.corners[3 * i + 1] = c[i].y;
        view.corners[3 * i + 2] = c[i].z;
    }
    for (int k = 0; k < 3; ++k) {
        view.viewProjection[5 * k] = 2 / (hi[k] - lo[k]);
        view.viewProjection[12 + k] = -(hi[k] + lo[k]) / (hi[k] - lo[k]);
    }
    return view;
}

}  // namespace test
}  // namespace util

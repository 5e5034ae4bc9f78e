#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "intersection/IntersectionUtils.h"
#include "picking/FrustumBoxTester.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::V3;

// Random boxes around random frusta (boxes, truncated pyramids, turned), many of them near the
// boundary, with a few degenerate, negative and NaN half sizes: the shortcut must never change
// the answer of the plain test.
TEST(FrustumBoxTesterTest, AgreesWithThePlainOverlapTest) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(-1, 1), size(0.01f, 3);
    int overlapping = 0, total = 0;
    for (int f = 0; f < 200; ++f) {
        V3 const lo(unit(random) * 10, unit(random) * 10, unit(random) * 10);
        V3 const hi = lo + V3(size(random) * 3, size(random) * 3, size(random) * 3);
        std::vector<V3> corners = test::boxCorners(lo, hi);
        // The near end shrunk towards the axis, then all turned about z (the planes keep facing
        // outwards).
        float const shrink = 0.1f + 0.9f * (unit(random) + 1) / 2;
        float const angle = unit(random) * 3.14159f;
        V3 const mid = (lo + hi) * 0.5f;
        for (int i = 0; i < 8; ++i) {
            float const k = i < 4 ? 1 : shrink;
            V3 const d(k * (corners[i].x - mid.x), k * (corners[i].y - mid.y),
                       corners[i].z - mid.z);
            corners[i] = mid + V3(d.x * std::cos(angle) - d.y * std::sin(angle),
                                  d.x * std::sin(angle) + d.y * std::cos(angle), d.z);
        }
        FrustumBoxTester const tester(corners);
        for (int b = 0; b < 200; ++b) {
            V3 const centre = mid + V3(unit(random), unit(random), unit(random)) * 5;
            V3 half(size(random), size(random), size(random));
            if (b % 17 == 0) half = half * -1;
            if (b % 23 == 0) half.y = 0;
            if (b % 41 == 0) half.z = std::numeric_limits<float>::quiet_NaN();
            bool const expected = intersection::frustumBoxOverlap(corners, centre, half);
            ASSERT_EQ(tester.overlaps(centre, half), expected) << "frustum " << f << " box " << b;
            overlapping += expected;
            ++total;
        }
    }
    EXPECT_GT(overlapping, total / 10);  // both answers are well represented
    EXPECT_LT(overlapping, total * 9 / 10);
}

}  // namespace
}  // namespace util

#include <gtest/gtest.h>

#include "intersection/IntersectionUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using intersection::frustumBoxOverlap;
using intersection::sphereInsideFrustum;
using test::boxCorners;
using test::V3;

// Looking down -z from the origin: far face 20 x 20 at z = -10 (corners 0-3), near face 2 x 2
// at z = -1; the side planes are x = +-z and y = +-z.
std::vector<V3> perspectiveFrustum() {
    std::vector<V3> corners = boxCorners(V3(-10, -10, -10), V3(10, 10, -1));
    for (int i = 4; i < 8; ++i) corners[i] = V3(corners[i].x / 10, corners[i].y / 10, -1);
    return corners;
}

TEST(IntersectionUtilsTest, SphereMustStayStrictlyInside) {
    std::vector<V3> const box = boxCorners(V3(0, 0, 0), V3(4, 4, 4));
    EXPECT_TRUE(sphereInsideFrustum(V3(2, 2, 2), 1.9f, box));
    EXPECT_FALSE(sphereInsideFrustum(V3(2, 2, 2), 2, box));  // touches all six planes
    EXPECT_FALSE(sphereInsideFrustum(V3(9, 2, 2), 0, box));
    std::vector<V3> const view = perspectiveFrustum();
    EXPECT_TRUE(sphereInsideFrustum(V3(0, 0, -5), 3.5f, view));
    EXPECT_FALSE(sphereInsideFrustum(V3(0, 0, -5), 3.6f, view));  // side planes at 5/sqrt(2)
    EXPECT_FALSE(sphereInsideFrustum(V3(4, 0, -3), 0.1f, view));
}

TEST(IntersectionUtilsTest, FrustumBoxOverlapCoversInsideContainingCrossingAndTouching) {
    std::vector<V3> const box = boxCorners(V3(0, 0, 0), V3(4, 4, 4));
    EXPECT_TRUE(frustumBoxOverlap(box, V3(2, 2, 2), V3(-0.5f, 0.5f, 0.5f)));  // inside, |half|
    EXPECT_TRUE(frustumBoxOverlap(box, V3(2, 2, 2), V3(50, 50, 50)));         // contains
    EXPECT_TRUE(frustumBoxOverlap(box, V3(5, 5, 5), V3(1, 1, 1)));            // touches a corner
    EXPECT_FALSE(frustumBoxOverlap(box, V3(5.01f, 5, 5), V3(1, 1, 1)));
    std::vector<V3> const view = perspectiveFrustum();
    V3 const half(0.5f, 0.5f, 0.5f);
    EXPECT_TRUE(frustumBoxOverlap(view, V3(8, 0, -9), half));   // inside, near a side
    EXPECT_TRUE(frustumBoxOverlap(view, V3(3, 0, -3), half));   // crosses a side
    EXPECT_FALSE(frustumBoxOverlap(view, V3(8, 0, -3), half));  // beside the narrow end
    EXPECT_FALSE(frustumBoxOverlap(view, V3(0, 0, 1), half));   // behind the near face
}

}  // namespace
}  // namespace util

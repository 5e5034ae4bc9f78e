#include <gtest/gtest.h>

#include "intersection/IntersectionUtils.h"

namespace util {
namespace {

using V3 = Vector3<float>;
using intersection::frustumBoxOverlap;
using intersection::sphereInsideFrustum;

// A box frustum from lo to hi, corners ordered so that every plane normal points outwards.
std::vector<V3> boxFrustum(V3 const& lo, V3 const& hi) {
    return {V3(lo.x, hi.y, lo.z), V3(hi.x, hi.y, lo.z), V3(hi.x, lo.y, lo.z), V3(lo.x, lo.y, lo.z),
            V3(lo.x, hi.y, hi.z), V3(hi.x, hi.y, hi.z), V3(hi.x, lo.y, hi.z), V3(lo.x, lo.y, hi.z)};
}

// Looking down -z from the origin: far face 20 x 20 at z = -10 (corners 0-3), near face 2 x 2
// at z = -1; the side planes are x = +-z and y = +-z.
std::vector<V3> perspectiveFrustum() {
    std::vector<V3> corners = boxFrustum(V3(-10, -10, -10), V3(10, 10, -1));
    for (int i = 4; i < 8; ++i) corners[i] = V3(corners[i].x / 10, corners[i].y / 10, -1);
    return corners;
}

TEST(IntersectionUtilsTest, SphereMustStayStrictlyInside) {
    std::vector<V3> const frustum = boxFrustum(V3(0, 0, 0), V3(4, 4, 4));
    EXPECT_TRUE(sphereInsideFrustum(V3(2, 2, 2), 1.9f, frustum));
    EXPECT_FALSE(sphereInsideFrustum(V3(2, 2, 2), 2, frustum));  // touches all six planes
    EXPECT_FALSE(sphereInsideFrustum(V3(3, 2, 2), 1.5f, frustum));
    EXPECT_FALSE(sphereInsideFrustum(V3(9, 2, 2), 0, frustum));
}

TEST(IntersectionUtilsTest, SpherePlanesFollowThePerspectiveSides) {
    std::vector<V3> const frustum = perspectiveFrustum();
    EXPECT_TRUE(sphereInsideFrustum(V3(0, 0, -5), 1, frustum));
    EXPECT_FALSE(sphereInsideFrustum(V3(0, 0, -5), 3.6f, frustum));  // side plane at 5/sqrt(2)
    EXPECT_TRUE(sphereInsideFrustum(V3(0, 0, -5), 3.5f, frustum));
    EXPECT_FALSE(sphereInsideFrustum(V3(4, 0, -3), 0.1f, frustum));  // outside the x side
}

TEST(IntersectionUtilsTest, FrustumBoxOverlapCoversInsideContainingCrossingAndTouching) {
    std::vector<V3> const frustum = boxFrustum(V3(0, 0, 0), V3(4, 4, 4));
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(2, 2, 2), V3(0.5f, 0.5f, 0.5f)));  // inside
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(2, 2, 2), V3(50, 50, 50)));        // contains
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(4, 2, 2), V3(1, 1, 1)));           // crosses a side
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(5, 5, 5), V3(1, 1, 1)));           // touches a corner
    EXPECT_FALSE(frustumBoxOverlap(frustum, V3(5.01f, 5, 5), V3(1, 1, 1)));
    EXPECT_FALSE(frustumBoxOverlap(frustum, V3(-3, 2, 2), V3(1, 1, 1)));
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(2, 2, 2), V3(-0.5f, 0.5f, 0.5f)));  // |half| used
}

TEST(IntersectionUtilsTest, FrustumBoxOverlapFollowsThePerspectiveSides) {
    std::vector<V3> const frustum = perspectiveFrustum();
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(0, 0, -5), V3(0.2f, 0.2f, 0.2f)));
    EXPECT_TRUE(frustumBoxOverlap(frustum, V3(8, 0, -9), V3(0.5f, 0.5f, 0.5f)));   // near far edge
    EXPECT_FALSE(frustumBoxOverlap(frustum, V3(8, 0, -3), V3(0.5f, 0.5f, 0.5f)));  // beside it
    EXPECT_FALSE(frustumBoxOverlap(frustum, V3(0, 0, 1), V3(0.5f, 0.5f, 0.5f)));   // behind
}

TEST(IntersectionUtilsTest, TriUnitCubeOverlapUsesTheClipCube) {
    EXPECT_TRUE(intersection::triUnitCubeOverlap(V3(0.9f, 0.9f, 0.9f), V3(3, 1, 1), V3(3, 3, 1)));
    EXPECT_FALSE(intersection::triUnitCubeOverlap(V3(1.1f, 0, 0), V3(3, 1, 1), V3(3, 3, 1)));
}

}  // namespace
}  // namespace util

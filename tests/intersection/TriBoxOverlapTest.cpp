#include <gtest/gtest.h>

#include "intersection/IntersectionUtils.h"
#include "intersection/TriBoxOverlap.h"

namespace util {
namespace {

using V3 = Vector3<float>;

// Through the unit-cube wrapper the view tests use; other boxes are tested below.
bool overlapsUnitBox(V3 const& a, V3 const& b, V3 const& c) {
    return intersection::triUnitCubeOverlap(a, b, c);
}

TEST(TriBoxOverlapTest, EachSeparatingAxisRejectsItsCaseButTouchingOverlaps) {
    EXPECT_TRUE(overlapsUnitBox(V3(-0.5f, 0, 0), V3(0.5f, 0, 0), V3(0, 0.5f, 0)));  // inside
    EXPECT_TRUE(overlapsUnitBox(V3(-5, -5, 0), V3(5, -5, 0), V3(0, 5, 0)));         // box inside
    EXPECT_FALSE(overlapsUnitBox(V3(2, 0, 0), V3(3, 0, 0), V3(2, 1, 0)));           // box axis
    // Plane x + y + z = 3.1 passes the corner (1, 1, 1); the boxes of the two overlap.
    EXPECT_FALSE(overlapsUnitBox(V3(3.1f, 0, 0), V3(0, 3.1f, 0), V3(0, 0, 3.1f)));
    // In the plane z = 0, which cuts the box, but beyond the corner: only an edge axis separates.
    EXPECT_FALSE(overlapsUnitBox(V3(0.5f, 3, 0), V3(3, 0.5f, 0), V3(3, 3, 0)));
    EXPECT_FALSE(overlapsUnitBox(V3(3, 3, 0), V3(3, 0.5f, 0), V3(0.5f, 3, 0)));  // either winding
    // Touching counts as overlap, without an epsilon.
    EXPECT_TRUE(overlapsUnitBox(V3(1, 0, 0), V3(2, 0, 0), V3(2, 1, 0)));  // vertex on face
    EXPECT_TRUE(overlapsUnitBox(V3(3, 0, 0), V3(0, 3, 0), V3(0, 0, 3)));  // plane at corner
    EXPECT_FALSE(overlapsUnitBox(V3(1.0000001f, 0, 0), V3(2, 0, 0), V3(2, 1, 0)));
    EXPECT_TRUE(overlapsUnitBox(V3(0, 2, 0), V3(2, 0, 0), V3(2, 2, 0)));  // edge through (1, 1)
}

TEST(TriBoxOverlapTest, BoxCentreAndHalfSizeAreHonoured) {
    V3 const a(10, 10, 10), b(11, 10, 10), c(10, 11, 10);
    float const centre[3] = {12, 10, 10}, narrow[3] = {0.5f, 3, 3}, wide[3] = {1, 3, 3};
    EXPECT_FALSE(TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, narrow));
    EXPECT_TRUE(TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, wide));
    float const normal[3] = {0, 0, 2}, onFace[3] = {5, 5, 3}, beyond[3] = {0, 0, 3.001f};
    EXPECT_TRUE(TriBoxOverlap::planeBoxOverlap(normal, onFace, wide));
    EXPECT_FALSE(TriBoxOverlap::planeBoxOverlap(normal, beyond, wide));
}

}  // namespace
}  // namespace util

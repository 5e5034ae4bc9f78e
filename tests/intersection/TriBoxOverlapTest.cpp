#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "intersection/IntersectionUtils.h"
#include "intersection/TriBoxOverlap.h"

namespace util {
namespace {

using V3 = Vector3<float>;

bool overlapsUnitBox(V3 const& a, V3 const& b, V3 const& c) {
    float const centre[3] = {0, 0, 0};
    float const half[3] = {1, 1, 1};
    return TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, half);
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

// One-sided oracles on random triangles: a centroid inside the box means overlap, disjoint
// bounding boxes mean none.
TEST(TriBoxOverlapTest, RandomTrianglesAgreeWithCentroidAndBoundingBoxChecks) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> coord(-3, 3);
    for (int i = 0; i < 5000; ++i) {
        V3 const a(coord(rng), coord(rng), coord(rng)), b(coord(rng), coord(rng), coord(rng)),
            c(coord(rng), coord(rng), coord(rng));
        V3 const centroid = (a + b + c) / 3;
        bool const centroidInside =
            std::max({std::fabs(centroid.x), std::fabs(centroid.y), std::fabs(centroid.z)}) < 1;
        bool const boxesApart = std::min({a.x, b.x, c.x}) > 1 || std::max({a.y, b.y, c.y}) < -1;
        bool const overlap = intersection::triUnitCubeOverlap(a, b, c);
        EXPECT_TRUE(overlap || !centroidInside) << i;
        EXPECT_FALSE(overlap && boxesApart) << i;
    }
}

}  // namespace
}  // namespace util

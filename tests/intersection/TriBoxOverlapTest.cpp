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

TEST(TriBoxOverlapTest, EachSeparatingAxisRejectsItsCase) {
    EXPECT_TRUE(overlapsUnitBox(V3(-0.5f, 0, 0), V3(0.5f, 0, 0), V3(0, 0.5f, 0)));  // inside
    EXPECT_TRUE(overlapsUnitBox(V3(-5, -5, 0), V3(5, -5, 0), V3(0, 5, 0)));         // box inside
    EXPECT_FALSE(overlapsUnitBox(V3(2, 0, 0), V3(3, 0, 0), V3(2, 1, 0)));           // box axis
    // Plane x + y + z = 3.1 passes the corner (1, 1, 1); the boxes of the two overlap.
    EXPECT_FALSE(overlapsUnitBox(V3(3.1f, 0, 0), V3(0, 3.1f, 0), V3(0, 0, 3.1f)));
    // In the plane z = 0, which cuts the box, but beyond the corner: only an edge axis separates.
    EXPECT_FALSE(overlapsUnitBox(V3(0.5f, 3, 0), V3(3, 0.5f, 0), V3(3, 3, 0)));
    EXPECT_FALSE(overlapsUnitBox(V3(3, 3, 0), V3(3, 0.5f, 0), V3(0.5f, 3, 0)));  // either winding
}

TEST(TriBoxOverlapTest, TouchingCountsAsOverlapWithoutEpsilon) {
    EXPECT_TRUE(overlapsUnitBox(V3(1, 0, 0), V3(2, 0, 0), V3(2, 1, 0)));  // vertex on face
    EXPECT_TRUE(overlapsUnitBox(V3(3, 0, 0), V3(0, 3, 0), V3(0, 0, 3)));  // plane at corner
    EXPECT_FALSE(overlapsUnitBox(V3(1.0000001f, 0, 0), V3(2, 0, 0), V3(2, 1, 0)));
    EXPECT_TRUE(overlapsUnitBox(V3(0, 2, 0), V3(2, 0, 0), V3(2, 2, 0)));  // edge through (1, 1)
}

TEST(TriBoxOverlapTest, BoxCentreAndHalfSizeAreHonoured) {
    V3 const a(10, 10, 10), b(11, 10, 10), c(10, 11, 10);
    float const centre[3] = {12, 10, 10};
    float const narrow[3] = {0.5f, 3, 3};
    float const wide[3] = {1, 3, 3};
    EXPECT_FALSE(TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, narrow));
    EXPECT_TRUE(TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, wide));
}

TEST(TriBoxOverlapTest, PlaneBoxOverlapIsClosed) {
    float const normal[3] = {0, 0, 2};
    float const half[3] = {1, 1, 1};
    float const onFace[3] = {5, 5, 1};
    float const beyond[3] = {0, 0, 1.001f};
    float const below[3] = {0, 0, -1};
    EXPECT_TRUE(TriBoxOverlap::planeBoxOverlap(normal, onFace, half));
    EXPECT_FALSE(TriBoxOverlap::planeBoxOverlap(normal, beyond, half));
    EXPECT_TRUE(TriBoxOverlap::planeBoxOverlap(normal, below, half));
}

// One-sided oracles on random triangles: a triangle point strictly inside the box means overlap,
// disjoint bounding boxes mean none.
TEST(TriBoxOverlapTest, RandomTrianglesAgreeWithSampledAndBoundingBoxChecks) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> coord(-3, 3);
    std::uniform_real_distribution<float> weight(0, 1);
    auto const inside = [](V3 const& p) {
        return std::max({std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)}) < 1;
    };
    for (int i = 0; i < 2000; ++i) {
        V3 const a(coord(rng), coord(rng), coord(rng));
        V3 const b(coord(rng), coord(rng), coord(rng));
        V3 const c(coord(rng), coord(rng), coord(rng));
        bool sampledInside = false;
        for (int s = 0; s < 50 && !sampledInside; ++s) {
            float u = weight(rng), v = weight(rng);
            if (u + v > 1) u = 1 - u, v = 1 - v;
            sampledInside = inside(a + (b - a) * u + (c - a) * v);
        }
        bool const boxesApart = std::min({a.x, b.x, c.x}) > 1 || std::max({a.x, b.x, c.x}) < -1 ||
                                std::min({a.y, b.y, c.y}) > 1 || std::max({a.y, b.y, c.y}) < -1;
        bool const overlap = overlapsUnitBox(a, b, c);
        if (sampledInside) {
            EXPECT_TRUE(overlap) << i;
        }
        if (boxesApart) {
            EXPECT_FALSE(overlap) << i;
        }
        EXPECT_EQ(intersection::triUnitCubeOverlap(a, b, c), overlap);
    }
}

}  // namespace
}  // namespace util

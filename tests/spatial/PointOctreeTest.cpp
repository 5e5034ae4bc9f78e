#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "spatial/PointOctree.h"

namespace util {
namespace {

using V3 = Vector3<float>;
using Indices = std::vector<unsigned long>;

Indices indicesOf(std::vector<Point> const& points) {
    Indices indices;
    for (Point const& p : points) indices.push_back(p.index);
    return indices;
}

Indices sortedNear(PointOctree& tree, V3 const& query, float radius) {
    std::vector<Point> found;
    tree.findPoints(query, radius, found);
    Indices indices = indicesOf(found);
    std::sort(indices.begin(), indices.end());
    return indices;
}

// Oracle: every queried point's neighbours against a scan in double precision.
void expectMatchesBruteForce(std::vector<V3> const& positions, unsigned int depth,
                             std::vector<float> const& radii, std::size_t queryStride) {
    PointOctree tree(depth, positions, 0);
    for (std::size_t q = 0; q < positions.size(); q += queryStride) {
        for (float const radius : radii) {
            Indices expected;
            for (unsigned long i = 0; i < positions.size(); ++i) {
                V3 const& p = positions[i];
                double const dx = double(p.x) - positions[q].x, dy = double(p.y) - positions[q].y,
                             dz = double(p.z) - positions[q].z;
                if (dx * dx + dy * dy + dz * dz <= double(radius) * radius) expected.push_back(i);
            }
            ASSERT_EQ(sortedNear(tree, positions[q], radius), expected) << q << " r " << radius;
        }
    }
}

std::vector<V3> randomCloud(std::size_t n, float lo, float hi, unsigned int seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> c(lo, hi);
    std::vector<V3> positions(n);
    for (V3& p : positions) p = V3(c(rng), c(rng), c(rng));
    return positions;
}

TEST(PointOctreeTest, CallersDepthIsTheSmallestFullTreeWithinThreeToEight) {
    EXPECT_EQ(PointOctree::depthForPointCount(4681), 5u);  // exactly a full depth-5 tree
    EXPECT_EQ(PointOctree::depthForPointCount(4682), 6u);
}

// The y extent 1.005 stays below x's 1 + 0.01, so x sets the cube. Near 1.0 a float step is
// 1.19e-7, so 8e-8 is the first power-of-two step that both root faces resolve.
TEST(PointOctreeTest, RootCubeAndToleranceFollowTheBoundingBox) {
    std::vector<V3> const positions{V3(0, 0, 1000), V3(1, 1.005f, 1001)};
    PointOctree const tree(3, positions, 0);
    EXPECT_EQ(tree.getCentre(), V3(0.5f, 0.5025f, 1000.5f));
    EXPECT_NEAR(tree.getHalfSize(), 1.01 * 0.5 * 1.01, 1e-6);
    EXPECT_EQ(tree.getTolerance().x, 1e-8f * 8);
    EXPECT_EQ(tree.getTolerance().z, 1e-8f * 4096);  // half a float step near 1000 is 3.05e-5
}

TEST(PointOctreeTest, PointsOnACentrePlaneAreStoredInTheLowerChild) {
    std::vector<V3> const positions{V3(-1, -1, -1), V3(1, 1, 1), V3(0, 0, 0), V3(0, 1, 0)};
    PointOctree tree(2, positions, 0);
    EXPECT_EQ(indicesOf(tree.getNode(1).points), (Indices{0, 2}));
    EXPECT_EQ(indicesOf(tree.getNode(3).points), Indices{3});
    EXPECT_EQ(tree.getNode(0).count, 4u);
}

// Depth 1 keeps all points in the root, so the result is in input order; it is appended to.
TEST(PointOctreeTest, FindPointsAppendsInStoredOrderAndRadiusIsInclusive) {
    std::vector<V3> const positions{V3(3, 4, 0), V3(0, 0, 0), V3(0.1f, 0, 0), V3(3, 4, 0),
                                    V3(3, 4.000001f, 0)};
    PointOctree tree(1, positions, 1);
    std::vector<Point> found{{nullptr, 99}};
    tree.findPoints(V3(0, 0, 0), 5, found);
    tree.findPoints(V3(3, 4, 0), 0, found);  // zero finds exact duplicates only
    EXPECT_EQ(indicesOf(found), (Indices{99, 1, 2, 3, 3}));
    EXPECT_EQ(found[2].position, &positions[2]);
    EXPECT_EQ(sortedNear(tree, V3(0, 0, 0), 0.1f), (Indices{1, 2}));
}

TEST(PointOctreeTest, QueriesMatchBruteForceOnRandomAndGridClouds) {
    std::vector<V3> const random = randomCloud(3000, -5, 5, 1);
    expectMatchesBruteForce(random, PointOctree::depthForPointCount(3000), {0, 0.3f, 2}, 7);
    std::vector<V3> grid;  // many points on centre planes, neighbours exactly at radius 1
    for (int i = 0; i < 729; ++i) grid.emplace_back(i % 9 - 4, i / 9 % 9 - 4, i / 81 - 4);
    expectMatchesBruteForce(grid, 4, {0, 1, 1.5f}, 1);
}

TEST(PointOctreeTest, CrowdedLeafGetsASubTreeUnlessItsPointsCannotSplit) {
    std::vector<V3> positions = randomCloud(10001, 0, 0.4f, 2);  // all in leaf 1 at depth 2
    positions.emplace_back(1, 1, 1);
    positions.emplace_back(1, 0, 1);
    PointOctree tree(2, positions, 0);
    ASSERT_NE(tree.findSubTree(1), nullptr);
    EXPECT_LT(tree.findSubTree(1)->getHalfSize(), 0.25f);
    expectMatchesBruteForce(positions, 2, {0, 0.01f, 0.9f}, 97);

    positions.resize(10000);  // at the limit: no sub-tree
    EXPECT_EQ(PointOctree(2, positions, 0).findSubTree(1), nullptr);

    std::vector<V3> const duplicates(10001, V3(2, 3, 4));  // a sub-tree could not split them
    PointOctree same(2, duplicates, 0);
    EXPECT_EQ(same.findSubTree(1), nullptr);
    EXPECT_EQ(sortedNear(same, V3(2, 3, 4), 0).size(), 10001u);
}

}  // namespace
}  // namespace util

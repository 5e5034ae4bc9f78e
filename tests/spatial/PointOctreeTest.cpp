#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "spatial/PointOctree.h"

namespace util {
namespace {

using V3 = Vector3<float>;

std::vector<unsigned long> indicesOf(std::vector<Point> const& points) {
    std::vector<unsigned long> indices;
    for (Point const& p : points) indices.push_back(p.index);
    return indices;
}

std::vector<unsigned long> sortedNear(PointOctree& tree, V3 const& query, float radius) {
    std::vector<Point> found;
    tree.findPoints(query, radius, found);
    std::vector<unsigned long> indices = indicesOf(found);
    std::sort(indices.begin(), indices.end());
    return indices;
}

std::vector<unsigned long> bruteForceNear(std::vector<V3> const& positions, V3 const& query,
                                          float radius) {
    std::vector<unsigned long> indices;
    for (unsigned long i = 0; i < positions.size(); ++i) {
        double const dx = double(positions[i].x) - query.x;
        double const dy = double(positions[i].y) - query.y;
        double const dz = double(positions[i].z) - query.z;
        if (dx * dx + dy * dy + dz * dz <= double(radius) * radius) indices.push_back(i);
    }
    return indices;
}

void expectMatchesBruteForce(std::vector<V3> const& positions, unsigned int depth,
                             std::vector<float> const& radii, std::size_t queryStride = 1) {
    PointOctree tree(depth, positions, 0);
    for (std::size_t i = 0; i < positions.size(); i += queryStride) {
        for (float const radius : radii) {
            ASSERT_EQ(sortedNear(tree, positions[i], radius),
                      bruteForceNear(positions, positions[i], radius))
                << "point " << i << " radius " << radius;
        }
    }
}

std::vector<V3> randomCloud(std::size_t n, float lo, float hi, unsigned int seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> coord(lo, hi);
    std::vector<V3> positions;
    for (std::size_t i = 0; i < n; ++i) positions.emplace_back(coord(rng), coord(rng), coord(rng));
    return positions;
}

TEST(PointOctreeTest, CallersDepthGrowsWithThePointCountWithinThreeToEight) {
    EXPECT_EQ(PointOctree::depthForPointCount(1000), 5u);
    EXPECT_EQ(PointOctree::depthForPointCount(4681), 5u);  // exactly a full depth-5 tree
    EXPECT_EQ(PointOctree::depthForPointCount(4682), 6u);
    EXPECT_EQ(PointOctree::depthForPointCount(20), 3u);
    EXPECT_EQ(PointOctree::depthForPointCount(100000000), 8u);
}

// The first axis's extent plus margin wins unless a later extent reaches it.
TEST(PointOctreeTest, RootCubeCoversTheBoxWithMargin) {
    std::vector<V3> const positions{V3(0, 0, 0), V3(1, 1.005f, 0.5f)};
    PointOctree const tree(3, positions, 0);
    EXPECT_EQ(tree.getCentre(), V3(0.5f, 0.5025f, 0.25f));
    EXPECT_NEAR(tree.getHalfSize(), 1.01 * 0.5 * 1.01, 1e-6);
    std::vector<V3> const taller{V3(0, 0, 0), V3(1, 2, 0.5f)};
    EXPECT_NEAR(PointOctree(3, taller, 0).getHalfSize(), 2.01 * 0.5 * 1.01, 1e-6);
}

// Near 1.0 a float step is 1.19e-7, so 8e-8 is the first power-of-two step both faces resolve.
TEST(PointOctreeTest, ToleranceIsTheSmallestStepResolvableAtTheRootFaces) {
    std::vector<V3> const unit{V3(0, 0, 0), V3(1, 1, 1)};
    EXPECT_EQ(PointOctree(3, unit, 0).getTolerance().x, 1e-8f * 8);
    std::vector<V3> const far{V3(1000, 0, 0), V3(1001, 1, 1)};
    V3 const tolerance = PointOctree(3, far, 0).getTolerance();
    EXPECT_GT(tolerance.x, 3e-5f);  // half a float step at 1000 is 3.05e-5
    EXPECT_LT(tolerance.x, 7e-5f);
    EXPECT_EQ(tolerance.y, 1e-8f * 8);
}

TEST(PointOctreeTest, PointOnACentrePlaneIsStoredInTheLowerChild) {
    std::vector<V3> const positions{V3(-1, -1, -1), V3(1, 1, 1), V3(0, 0, 0), V3(0, 1, 0)};
    PointOctree tree(2, positions, 0);
    EXPECT_EQ(indicesOf(tree.getNode(1).points), (std::vector<unsigned long>{0, 2}));
    EXPECT_EQ(indicesOf(tree.getNode(3).points), std::vector<unsigned long>{3});
    EXPECT_EQ(tree.getNode(0).count, 4u);
}

TEST(PointOctreeTest, DepthOneScansAllPointsInInputOrder) {
    std::vector<V3> const positions{V3(3, 0, 0), V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0)};
    PointOctree tree(1, positions, 1);
    std::vector<Point> found;
    tree.findPoints(V3(0, 0, 0), 5, found);
    EXPECT_EQ(indicesOf(found), (std::vector<unsigned long>{1, 2, 3}));  // index 0 not stored
    EXPECT_EQ(found[1].position, &positions[2]);
}

TEST(PointOctreeTest, RadiusIsInclusiveAndZeroFindsExactDuplicates) {
    std::vector<V3> const positions{V3(0, 0, 0), V3(3, 4, 0), V3(0.1f, 0, 0), V3(3, 4, 0),
                                    V3(3, 4.000001f, 0)};
    PointOctree tree(3, positions, 0);
    EXPECT_EQ(sortedNear(tree, V3(0, 0, 0), 5), (std::vector<unsigned long>{0, 1, 2, 3}));
    EXPECT_EQ(sortedNear(tree, V3(0, 0, 0), 0.1f), (std::vector<unsigned long>{0, 2}));
    EXPECT_EQ(sortedNear(tree, V3(3, 4, 0), 0), (std::vector<unsigned long>{1, 3}));
}

TEST(PointOctreeTest, ResultsAreAppended) {
    std::vector<V3> const positions{V3(0, 0, 0), V3(1, 1, 1)};
    PointOctree tree(3, positions, 0);
    std::vector<Point> found{{nullptr, 99}};
    tree.findPoints(V3(0, 0, 0), 0, found);
    tree.findPoints(V3(0, 0, 0), 0, found);
    EXPECT_EQ(indicesOf(found), (std::vector<unsigned long>{99, 0, 0}));
}

TEST(PointOctreeTest, RandomCloudMatchesBruteForce) {
    std::vector<V3> const positions = randomCloud(3000, -5, 5, 1);
    expectMatchesBruteForce(positions, PointOctree::depthForPointCount(positions.size()),
                            {0, 0.3f, 2}, 7);
}

// Integer grid: many points on centre planes, and neighbours exactly at the radius.
TEST(PointOctreeTest, GridOnCentrePlanesMatchesBruteForce) {
    std::vector<V3> positions;
    for (int x = -4; x <= 4; ++x) {
        for (int y = -4; y <= 4; ++y) {
            for (int z = -4; z <= 4; ++z) positions.emplace_back(x, y, z);
        }
    }
    expectMatchesBruteForce(positions, 4, {0, 1, 1.5f});
}

TEST(PointOctreeTest, CrowdedLeafGetsASubTreeThatAnswersQueries) {
    std::vector<V3> positions = randomCloud(10001, 0, 0.4f, 2);  // all in leaf 1 at depth 2
    positions.emplace_back(1, 1, 1);
    positions.emplace_back(1, 0, 1);
    PointOctree tree(2, positions, 0);
    ASSERT_NE(tree.findSubTree(1), nullptr);
    EXPECT_EQ(tree.findSubTree(1)->getHalfSize() < 0.25f, true);
    expectMatchesBruteForce(positions, 2, {0, 0.01f, 0.9f}, 97);

    positions.resize(10000);  // at the limit: no sub-tree
    EXPECT_EQ(PointOctree(2, positions, 0).findSubTree(1), nullptr);
}

TEST(PointOctreeTest, NoSubTreeWhenEveryPointLandsInOneLeaf) {
    std::vector<V3> const positions(10001, V3(2, 3, 4));
    PointOctree tree(3, positions, 0);
    for (unsigned long i = 0; i < tree.getNodeCount(); ++i) EXPECT_EQ(tree.findSubTree(i), nullptr);
    EXPECT_EQ(sortedNear(tree, V3(2, 3, 4), 0).size(), 10001u);
    EXPECT_TRUE(sortedNear(tree, V3(2, 3, 4.1f), 0.05f).empty());
}

}  // namespace
}  // namespace util

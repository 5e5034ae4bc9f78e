#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "intersection/TriIntersector.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {
using test::V3;

constexpr float FLOAT_MAX = 3.4028235e38f;

Mesh square(float x0, float y0, float x1, float y1) {
    std::vector<V3> vertices;
    test::Corners const corners = test::addSquare(vertices, x0, y0, x1, y1);
    return test::makeMesh(vertices, {corners});
}

unsigned long numberOf(unsigned long group) {
    return reinterpret_cast<TriIntersector::GroupHandle const*>(group)->number;
}

// Per geometry entry of the group, in order: the dump after "mTrafo size = ", that is its
// matrix count and its triangle mesh's address.
std::vector<std::string> dumpOf(TriIntersector& intersector, unsigned long group) {
    std::ostringstream out;
    intersector.dumpGroup(group, out);
    std::istringstream lines(out.str());
    std::vector<std::string> entries;
    for (std::string line; std::getline(lines, line);)
        entries.push_back(line.substr(line.find("mTrafo size = ") + 14));
    return entries;
}

// Distance along (0, 0, -1) from (0.3, 0.2, 100); FLOAT_MAX on a miss.
float distanceDown(Intersector& intersector, unsigned long group) {
    float const origin[3] = {0.3f, 0.2f, 100};
    float const direction[3] = {0, 0, -1};
    float distance = -1;
    float normal[3];
    intersector.getDistanceToGroup(group, origin, direction, distance, normal);
    return distance;
}

// Groups made with newGroup are disposed of at the end.
class TriIntersectorTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (unsigned long const group : mGroups) mIntersector.dispose(group);
        mIntersector.processQueue();
    }
    unsigned long newGroup() { return mGroups.emplace_back(mIntersector.createGroup()); }

    std::vector<unsigned long> mGroups;
    TriIntersector mIntersector;
    Triangulator mTriangulator;
};

TEST_F(TriIntersectorTest, GroupsAreNumberedPerIntersectorAndKnowTheirOwner) {
    unsigned long const first = newGroup();
    unsigned long const second = newGroup();
    std::unique_ptr<Intersector> const other(Intersector::createIntersector());
    unsigned long const elsewhere = other->createGroup();
    EXPECT_EQ(std::vector<unsigned long>({numberOf(first), numberOf(second), numberOf(elsewhere)}),
              (std::vector<unsigned long>{1, 2, 1}));
    EXPECT_EQ(Intersector::getAssociatedIntersector(second), &mIntersector);
    EXPECT_EQ(Intersector::getAssociatedIntersector(elsewhere), other.get());
    other->dispose(elsewhere);
    other->processQueue();
}

TEST_F(TriIntersectorTest, CommandsWaitForADrainAndFlushDropsThem) {
    unsigned long const group = newGroup();
    Mesh const mesh = square(-1, -1, 1, 1);
    for (int k = 0; k < 3; ++k) mIntersector.addEntry(group, mesh, Matrix<float>(), mTriangulator);
    EXPECT_EQ(mIntersector.getQueueSize(), 3u);
    mIntersector.flushQueue();
    EXPECT_EQ(mIntersector.getQueueSize(), 0u);
    EXPECT_EQ(distanceDown(mIntersector, group), -1.0f);  // still no such group

    mIntersector.addEntry(group, mesh, Matrix<float>::translation(0, 0, 5), mTriangulator);
    mIntersector.relocate(group, 0, 0, 10);  // runs after the add it follows
    EXPECT_EQ(mIntersector.getQueueSize(), 2u);
    EXPECT_FLOAT_EQ(distanceDown(mIntersector, group), 85.0f);
    EXPECT_EQ(mIntersector.getQueueSize(), 0u);
}

TEST_F(TriIntersectorTest, SmallMeshesArePretransformedLargeOnesShareOneCachedMesh) {
    unsigned long const group = newGroup();
    Mesh const small = test::makeRegularPolygon(15, 2);
    Mesh const large = test::makeRegularPolygon(16, 2);
    Matrix<float> const lift = Matrix<float>::translation(0, 0, 3);
    mIntersector.addEntry(group, small, lift, mTriangulator);
    mIntersector.addEntry(group, small, lift, mTriangulator);
    mIntersector.addEntry(group, large, lift, mTriangulator);
    mIntersector.addEntry(group, large, Matrix<float>(), mTriangulator);
    std::vector<std::string> const dumped = dumpOf(mIntersector, group);
    ASSERT_EQ(dumped.size(), 4u);
    EXPECT_EQ(dumped[0].substr(0, 3) + dumped[2].substr(0, 3), "0, 1, ");
    EXPECT_NE(dumped[0], dumped[1]);  // each small entry owns its mesh
    EXPECT_EQ(dumped[2], dumped[3]);
    EXPECT_EQ(mIntersector.getCacheSize(), 1u);
    EXPECT_FLOAT_EQ(distanceDown(mIntersector, group), 97.0f);
}

TEST_F(TriIntersectorTest, CacheIsEvictedAfterADrainThatExecutedACommandOnly) {
    unsigned long const group = mIntersector.createGroup();
    Mesh const large = test::makeRegularPolygon(20, 2);
    mIntersector.addEntry(group, large, Matrix<float>(), mTriangulator);
    mIntersector.flushQueue();
    mIntersector.processQueue();  // nothing executed: nothing evicted
    EXPECT_EQ(mIntersector.getCacheSize(), 1u);

    mIntersector.relocate(group, 1, 0, 0);
    mIntersector.processQueue();
    EXPECT_EQ(mIntersector.getCacheSize(), 0u);

    mIntersector.addEntry(group, large, Matrix<float>(), mTriangulator);
    EXPECT_EQ(mIntersector.getCacheSize(), 1u);
    EXPECT_FLOAT_EQ(distanceDown(mIntersector, group), 100.0f);

    mIntersector.dispose(group);
    mIntersector.processQueue();
    EXPECT_EQ(mIntersector.getCacheSize(), 0u);
}

// A group that no command has created yet writes nothing; with a box only, it has no distance,
// and a later box replaces the earlier one.
TEST_F(TriIntersectorTest, UnknownGroupsWriteNothing) {
    unsigned long const group = newGroup();
    float const origin[3] = {0, 0, 10};
    float const direction[3] = {0, 0, -1};
    float point[3] = {7, 7, 7};
    Matrix<float> const view;
    EXPECT_EQ(distanceDown(mIntersector, group), -1.0f);
    EXPECT_EQ(mIntersector.snap(group, view.m, origin, direction, point, point, point, point), 0);
    EXPECT_EQ(point[0], 7.0f);
    EXPECT_FALSE(mIntersector.intersects(group, view.m, true));
    mIntersector.setOABBox(group, square(-1, -1, 1, 1), mTriangulator);
    EXPECT_EQ(distanceDown(mIntersector, group), FLOAT_MAX);
    EXPECT_TRUE(mIntersector.intersects(group, view.m, true));  // box inside, no geometry
    mIntersector.setOABBox(group, square(3, 3, 4, 4), mTriangulator);
    EXPECT_FALSE(mIntersector.intersects(group, view.m, false));
}

TEST_F(TriIntersectorTest, RotatedAndMirroredSmallMeshesKeepTheirTriangles) {
    // A quarter turn about x stands the square up in the plane y = 0; a mirror flips its winding.
    Matrix<float> upright;
    upright[5] = 0;
    upright[6] = 1;
    upright[9] = -1;
    upright[10] = 0;
    Matrix<float> mirrored = upright;
    mirrored[0] = -1;
    for (Matrix<float> const& transform : {upright, mirrored}) {
        unsigned long const group = newGroup();
        // A temporary: the host may drop its mesh at once.
        mIntersector.addEntry(group, square(-1, -1, 1, 1), transform, mTriangulator);
        float const origin[3] = {0.2f, 10, 0.3f};
        float const direction[3] = {0, -1, 0};
        float distance = 0;
        float normal[3] = {0, 0, 0};
        ASSERT_TRUE(mIntersector.getDistanceToGroup(group, origin, direction, distance, normal));
        EXPECT_FLOAT_EQ(distance, 10.0f);
        EXPECT_FLOAT_EQ(std::fabs(normal[1]), 1.0f);
        float point[3], a[3], b[3], c[3];
        Matrix<float> const view;
        // Every corner is visible at the hit's depth; which triangle claims it depends on the scan.
        EXPECT_EQ(std::abs(mIntersector.snap(group, view.m, origin, direction, point, a, b, c)), 1);
    }
}

}  // namespace
}  // namespace util

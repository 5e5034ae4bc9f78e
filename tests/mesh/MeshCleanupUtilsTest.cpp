#include <gtest/gtest.h>

#include <cmath>

#include "mesh/MeshCleanupUtils.h"
#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::fromSmallest;
using test::V3;

TEST(MeshCleanupUtilsRemoveCollapsedEdgesTest, KeepsEveryParallelListAligned) {
    Mesh::Polygon face({1, 1, 2, 3, 1});
    face.normalIndices = {10, 11, 12, 13, 14};
    face.uvIndices[3] = {30, 31, 32, 33, 34};
    EXPECT_TRUE(MeshCleanupUtils::removeCollapsedEdges(face));
    EXPECT_EQ(face.vertexIndices, (Corners{1, 2, 3}));
    EXPECT_EQ(face.normalIndices, (Corners{10, 12, 13}));
    EXPECT_EQ(face.uvIndices[3], (Corners{30, 32, 33}));
    EXPECT_FALSE(MeshCleanupUtils::removeCollapsedEdges(face));

    Mesh::Polygon degenerate({1, 2, 1});
    degenerate.uvIndices[2] = {7, 8, 9};
    EXPECT_TRUE(MeshCleanupUtils::removeCollapsedEdges(degenerate));
    EXPECT_TRUE(degenerate.vertexIndices.empty());
    EXPECT_TRUE(degenerate.uvIndices[2].empty());
}

TEST(MeshCleanupUtilsRemoveCollapsedEdgesTest, RunEndsTakeTheNumberOfTheEdgeLeavingTheRun) {
    Mesh::Polygon face({5, 6, 6, 7, 7});
    face.normalIndices = {0, 1, 2, 3, 4};  // edge k runs from corner k to corner k + 1
    face.faceEdgeIndicesSet = true;
    EXPECT_TRUE(MeshCleanupUtils::removeCollapsedEdges(face));
    EXPECT_EQ(face.vertexIndices, (Corners{5, 6, 7}));
    EXPECT_EQ(face.normalIndices, (Corners{0, 2, 4}));  // 6 -> 7 was edge 2, 7 -> 5 edge 4
}

class MeshCleanupUtilsExtractLoopsTest : public ::testing::Test {
protected:
    // Square 0-3 (counter-clockwise) whose boundary runs from corner 0 around a clockwise
    // quad 0, 4, 5, 6 inside it: a ring touching itself at vertex 0.
    Mesh ring = test::makeMesh(
        {V3(0, 0, 0), V3(4, 0, 0), V3(4, 4, 0), V3(0, 4, 0), V3(1, 3, 0), V3(3, 3, 0), V3(3, 1, 0)},
        {{0, 1, 2, 3, 0, 4, 5, 6}});
    std::vector<Mesh::Polygon> loops;
};

TEST_F(MeshCleanupUtilsExtractLoopsTest, RingKeepsOuterBoundaryAndReturnsOppositeLoop) {
    Mesh::Polygon& face = ring.mFaces[0];
    ASSERT_TRUE(MeshCleanupUtils::extractAndRemoveLoops(ring.mVertices, face, loops, false));
    EXPECT_EQ(fromSmallest(face.vertexIndices), (Corners{0, 1, 2, 3}));
    EXPECT_EQ(face.faceNormal, V3(0, 0, 1));
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(fromSmallest(loops[0].vertexIndices), (Corners{0, 4, 5, 6}));
    V3 loopNormal;
    ASSERT_TRUE(MeshUtils::calcPolyNormal(ring.mVertices, &loops[0].vertexIndices, loopNormal));
    EXPECT_LT(loopNormal.z, 0.0f);
    EXPECT_EQ(loops[0].faceNormal, loopNormal);  // the loop carries its own normal
    EXPECT_EQ(ring.mVertices.size(), 7u);
}

TEST_F(MeshCleanupUtilsExtractLoopsTest, WithSpikeRemovalTheLoopGetsItsOwnNudgedVertex) {
    Mesh::Polygon& face = ring.mFaces[0];
    ASSERT_TRUE(MeshCleanupUtils::extractAndRemoveLoops(ring.mVertices, face, loops, true));
    ASSERT_EQ(loops.size(), 1u);
    ASSERT_EQ(ring.mVertices.size(), 8u);
    EXPECT_EQ(fromSmallest(loops[0].vertexIndices), (Corners{4, 5, 6, 7}));
    EXPECT_NEAR((ring.mVertices[7] - ring.mVertices[0]).length(), 0.0016f, 1e-6);
}

TEST_F(MeshCleanupUtilsExtractLoopsTest, DoubledBackSpikeIsDropped) {
    // Square 0-3 with a tail 2 -> 4 -> 5 -> 4 -> 2 that runs out and straight back.
    Mesh mesh = test::makeMesh(
        {V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0), V3(2, 2, 0), V3(3, 3, 0)},
        {{0, 1, 2, 4, 5, 4, 2, 3}});
    ASSERT_TRUE(
        MeshCleanupUtils::extractAndRemoveLoops(mesh.mVertices, mesh.mFaces[0], loops, false));
    EXPECT_EQ(fromSmallest(mesh.mFaces[0].vertexIndices), (Corners{0, 1, 2, 3}));
    EXPECT_TRUE(loops.empty());
}

// Corner 1 of a face along the x axis, its neighbours 1 and 3 away; the interpolated u is 0.25.
TEST(UVInterpolationTest, InterpolationIsByDistanceAndCoincidentNeighboursPass) {
    Mesh mesh =
        test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(4, 0, 0), V3(0, 2, 0)}, {{0, 1, 2, 3}});
    mesh.mTexCoords[2] = {{0, 0}, {0.25f, 0}, {1, 0}, {0, 1}};
    mesh.mFaces[0].uvIndices[2] = {0, 1, 2, 3};
    EXPECT_TRUE(MeshCleanupUtils::uvsAreLinearInterpolation(mesh, mesh.mFaces[0], 1));
    mesh.mTexCoords[2][1] = {0.5f, 0};  // the middle by coordinates, not by distance
    EXPECT_FALSE(MeshCleanupUtils::uvsAreLinearInterpolation(mesh, mesh.mFaces[0], 1));
    mesh.mVertices = {V3(1, 0, 0), V3(1, 0, 0), V3(1, 0, 0), V3(0, 2, 0)};
    mesh.mTexCoords[2][1] = {7, 7};
    EXPECT_TRUE(MeshCleanupUtils::uvsAreLinearInterpolation(mesh, mesh.mFaces[0], 1));
}

TEST(MeshCleanupUtilsVertexIsOnEdgeTest, PointMustBeNearTheLineAndWithinTheSegment) {
    V3 const start(1, 1, 1), direction(1, 0, 0);
    EXPECT_TRUE(MeshCleanupUtils::vertexIsOnEdge(V3(2, 1.0007f, 1), start, direction, 2));
    EXPECT_FALSE(MeshCleanupUtils::vertexIsOnEdge(V3(2, 1.001f, 1), start, direction, 2));
    EXPECT_TRUE(MeshCleanupUtils::vertexIsOnEdge(V3(3, 1, 1), start, direction, 2));
    EXPECT_FALSE(MeshCleanupUtils::vertexIsOnEdge(V3(3.01f, 1, 1), start, direction, 2));
    EXPECT_FALSE(MeshCleanupUtils::vertexIsOnEdge(V3(0.99f, 1, 1), start, direction, 2));
}

// The shared run behind each merge is checked by what the merges keep; materials are checked
// where coplanar faces merge.
std::vector<V3> const SQUARE{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)};

TEST(MeshCleanupUtilsMergeTest, TwoTrianglesBecomeTheSquareWithTheirUVsAligned) {
    Mesh::Polygon a({0, 1, 2});
    Mesh::Polygon b({0, 2, 3});
    a.uvIndices[0] = {10, 11, 12};
    b.uvIndices[0] = {20, 22, 23};
    a.uvIndices[4] = {40, 41, 42};  // only one face has it: the merged face cannot keep it
    a.normalIndices = {5, 6, 7};
    b.normalIndices = {5, 7, 8};
    MeshCleanupUtils::mergeFacesWithSharedEdge(SQUARE, a, b, 0);
    EXPECT_EQ(a.vertexIndices, (Corners{3, 0, 1, 2}));
    EXPECT_EQ(a.uvIndices[0], (Corners{23, 10, 11, 12}));
    EXPECT_EQ(a.normalIndices, (Corners{8, 5, 6, 7}));
    EXPECT_TRUE(a.uvIndices[4].empty());
    EXPECT_EQ(a.faceNormal, V3(0, 0, 1));
    EXPECT_TRUE(b.vertexIndices.empty());
    EXPECT_TRUE(b.uvIndices[0].empty());
}

TEST(MeshCleanupUtilsMergeTest, InteriorRunVerticesDisappear) {
    // Two quads sharing the path 1 -> 4 -> 2 (a's order); 4 sits on the shared side.
    std::vector<V3> const vertices{V3(0, 0, 0), V3(1, 0, 0), V3(1, 2, 0), V3(0, 2, 0),
                                   V3(1, 1, 0), V3(2, 0, 0), V3(2, 2, 0)};
    Mesh::Polygon a({0, 1, 4, 2, 3});
    Mesh::Polygon b({1, 5, 6, 2, 4});
    MeshCleanupUtils::mergeFacesWithSharedEdge(vertices, a, b, 4);
    EXPECT_EQ(test::fromSmallest(a.vertexIndices), (Corners{0, 1, 5, 6, 2, 3}));
    EXPECT_TRUE(b.vertexIndices.empty());
}

TEST(MeshCleanupUtilsMergeTest, OppositeCopiesCancelAndTouchingFacesStay) {
    Mesh::Polygon a({0, 1, 2});
    Mesh::Polygon b({2, 1, 0});
    MeshCleanupUtils::mergeFacesWithSharedEdge(SQUARE, a, b, 1);
    EXPECT_TRUE(a.vertexIndices.empty());
    EXPECT_TRUE(b.vertexIndices.empty());

    Mesh::Polygon c({0, 1, 2});
    Mesh::Polygon d({0, 3, 2});  // same direction along 0 ... 2: no inverted run
    MeshCleanupUtils::mergeFacesWithSharedEdge(SQUARE, c, d, 0);
    EXPECT_EQ(c.vertexIndices, (Corners{0, 1, 2}));
    EXPECT_EQ(d.vertexIndices, (Corners{0, 3, 2}));
}

class MeshCleanupUtilsSameUVsTest : public ::testing::Test {
protected:
    void SetUp() override {
        mesh = test::makeMesh(SQUARE, {{0, 1, 2}, {0, 2, 3}});
        mesh.mTexCoords[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.0005f, 0}, {0.0015f, 0}};
        mesh.mFaces[0].uvIndices[0] = {0, 1, 2};
        mesh.mFaces[1].uvIndices[0] = {4, 2, 3};
    }
    Mesh mesh{"uv"};
};

TEST_F(MeshCleanupUtilsSameUVsTest, CoordinatesMustBeCloserThanATenthOfAPercent) {
    EXPECT_TRUE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 0, 0));  // 0.0005 apart
    EXPECT_TRUE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 2, 1));
    mesh.mFaces[1].uvIndices[0][0] = 5;  // 0.0015 apart
    EXPECT_FALSE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 0, 0));
    mesh.mFaces[1].uvIndices[0].clear();  // b lacks a set that a uses
    EXPECT_FALSE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 2, 1));
    EXPECT_TRUE(MeshCleanupUtils::sameUVs(mesh, 1, 0, 1, 2));  // only a's sets are compared
}

}  // namespace
}  // namespace util

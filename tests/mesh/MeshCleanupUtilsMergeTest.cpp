#include <gtest/gtest.h>

#include "mesh/MeshCleanupUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;

struct SharedRun {
    unsigned long startA, startB, length;
};

SharedRun commonRun(Corners const& a, Corners const& b, unsigned long vertex) {
    SharedRun run{9, 9, 9};
    MeshCleanupUtils::findCommonInvertedSequence(a, b, run.startA, run.startB, run.length, vertex);
    return run;
}

void expectRun(SharedRun const& run, unsigned long startA, unsigned long startB,
               unsigned long length) {
    EXPECT_EQ(run.startA, startA);
    EXPECT_EQ(run.startB, startB);
    EXPECT_EQ(run.length, length);
}

TEST(MeshCleanupUtilsCommonRunTest, ExtendsBothWaysAndAcrossTheEndOfEitherList) {
    expectRun(commonRun({0, 1, 2, 3}, {2, 1, 4}, 1), 1, 1, 2);
    expectRun(commonRun({0, 1, 2, 3, 4}, {3, 2, 1, 6}, 2), 1, 2, 3);
    // The run 3 -> 0 wraps round the end of a; b runs it as 0 -> 3.
    expectRun(commonRun({0, 1, 2, 3}, {0, 3, 5}, 0), 3, 1, 2);
    // From vertex 0, which b lacks, the search goes on to the first vertex that b has.
    expectRun(commonRun({0, 1, 2, 3}, {5, 2, 1}, 0), 1, 2, 2);
}

TEST(MeshCleanupUtilsCommonRunTest, NothingSharedGivesAnEmptyRun) {
    EXPECT_EQ(commonRun({0, 1, 2}, {3, 4, 5}, 0).length, 0u);
    EXPECT_EQ(commonRun({0, 1, 2}, {0, 4, 5}, 7).length, 0u);  // vertex not in a
    EXPECT_EQ(commonRun({0, 1, 2}, {}, 0).length, 0u);
    EXPECT_EQ(commonRun({0, 1, 2}, {0, 4, 5}, 0).length, 1u);  // touching at one corner
}

TEST(MeshCleanupUtilsCommonRunTest, OneCycleInOppositeDirectionsStopsAfterAFullTurn) {
    SharedRun const run = commonRun({0, 1, 2, 3}, {3, 2, 1, 0}, 0);
    EXPECT_EQ(run.length, 4u);
    Corners const b{3, 2, 1, 0};
    EXPECT_EQ(b[run.startB], (Corners{0, 1, 2, 3})[run.startA]);
    // Same vertices, same direction: only single corners match.
    EXPECT_EQ(commonRun({0, 1, 2}, {0, 1, 2}, 0).length, 1u);
}

class MeshCleanupUtilsMergeTest : public ::testing::Test {
protected:
    std::vector<V3> const square{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)};
};

TEST_F(MeshCleanupUtilsMergeTest, TwoTrianglesBecomeTheSquareWithTheirUVsAligned) {
    Mesh::Polygon a({0, 1, 2});
    Mesh::Polygon b({0, 2, 3});
    a.uvIndices[0] = {10, 11, 12};
    b.uvIndices[0] = {20, 22, 23};
    a.uvIndices[4] = {40, 41, 42};  // only one face has it: the merged face cannot keep it
    a.normalIndices = {5, 6, 7};
    b.normalIndices = {5, 7, 8};
    MeshCleanupUtils::mergeFacesWithSharedEdge(square, a, b, 0);
    EXPECT_EQ(a.vertexIndices, (Corners{3, 0, 1, 2}));
    EXPECT_EQ(a.uvIndices[0], (Corners{23, 10, 11, 12}));
    EXPECT_EQ(a.normalIndices, (Corners{8, 5, 6, 7}));
    EXPECT_TRUE(a.uvIndices[4].empty());
    EXPECT_EQ(a.faceNormal, V3(0, 0, 1));
    EXPECT_TRUE(b.vertexIndices.empty());
    EXPECT_TRUE(b.uvIndices[0].empty());
}

TEST_F(MeshCleanupUtilsMergeTest, InteriorRunVerticesDisappear) {
    // Two quads sharing the path 1 -> 4 -> 2 (a's order); 4 sits on the shared side.
    std::vector<V3> const vertices{V3(0, 0, 0), V3(1, 0, 0), V3(1, 2, 0), V3(0, 2, 0),
                                   V3(1, 1, 0), V3(2, 0, 0), V3(2, 2, 0)};
    Mesh::Polygon a({0, 1, 4, 2, 3});
    Mesh::Polygon b({1, 5, 6, 2, 4});
    MeshCleanupUtils::mergeFacesWithSharedEdge(vertices, a, b, 4);
    EXPECT_EQ(test::fromSmallest(a.vertexIndices), (Corners{0, 1, 5, 6, 2, 3}));
    EXPECT_TRUE(b.vertexIndices.empty());
}

TEST_F(MeshCleanupUtilsMergeTest, OppositeCopiesCancelAndTouchingFacesStay) {
    Mesh::Polygon a({0, 1, 2});
    Mesh::Polygon b({2, 1, 0});
    MeshCleanupUtils::mergeFacesWithSharedEdge(square, a, b, 1);
    EXPECT_TRUE(a.vertexIndices.empty());
    EXPECT_TRUE(b.vertexIndices.empty());

    Mesh::Polygon c({0, 1, 2});
    Mesh::Polygon d({0, 3, 2});  // same direction along 0 ... 2: no inverted run
    MeshCleanupUtils::mergeFacesWithSharedEdge(square, c, d, 0);
    EXPECT_EQ(c.vertexIndices, (Corners{0, 1, 2}));
    EXPECT_EQ(d.vertexIndices, (Corners{0, 3, 2}));
}

class MeshCleanupUtilsSameUVsTest : public ::testing::Test {
protected:
    void SetUp() override {
        mesh = test::makeMesh(square, {{0, 1, 2}, {0, 2, 3}});
        mesh.mTexCoords[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.0005f, 0}, {0.0015f, 0}};
        mesh.mFaces[0].uvIndices[0] = {0, 1, 2};
        mesh.mFaces[1].uvIndices[0] = {4, 2, 3};
    }
    std::vector<V3> const square{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)};
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

TEST_F(MeshCleanupUtilsSameUVsTest, DifferentMaterialsAreNeverTheSame) {
    mesh.mFaceMaterials = {Material(Shader(L"brick")), Material(Shader(L"glass"))};
    mesh.mFaceMaterialStartIndices = {0, 1};
    EXPECT_FALSE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 2, 1));
    mesh.mFaceMaterials[1] = mesh.mFaceMaterials[0];
    EXPECT_TRUE(MeshCleanupUtils::sameUVs(mesh, 0, 1, 2, 1));
}

}  // namespace
}  // namespace util

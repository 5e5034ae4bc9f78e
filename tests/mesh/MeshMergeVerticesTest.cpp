#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "base/RuntimeErrorST.h"
#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::makeMesh;
using test::V3;

unsigned long weld(Mesh& mesh, float tolerance) {
    return mesh.mergeDuplicateVertices(tolerance, 0, 0, false, nullptr, false, false, nullptr);
}

std::vector<Corners> cornersOf(Mesh const& mesh) {
    std::vector<Corners> faces;
    for (Mesh::Polygon const& face : mesh.mFaces) faces.push_back(face.vertexIndices);
    return faces;
}

// Two triangles over the unit square's lower left half and a neighbour, each with its own
// vertices: 1 and 3 coincide, 5 lies exactly 0.25 above 2.
Mesh twoLooseTriangles() {
    return makeMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1.25f, 0}},
                    {{0, 1, 2}, {3, 4, 5}});
}

// 400 triangles in a row, each with its own vertices; neighbours share positions.
Mesh triangleRow() {
    std::vector<V3> vertices;
    std::vector<Corners> faces;
    for (unsigned int t = 0; t < 400; ++t) {
        float const x = static_cast<float>(t);
        vertices.insert(vertices.end(), {V3(x, 0, 0), V3(x + 1, 0, 0), V3(x, 1, 0)});
        faces.push_back({3 * t, 3 * t + 1, 3 * t + 2});
    }
    return makeMesh(vertices, faces);
}

TEST(MeshMergeVerticesTest, WeldsAtTheToleranceInclusiveOntoTheLowestVertex) {
    Mesh exact = twoLooseTriangles();
    EXPECT_EQ(weld(exact, 0), 1u);
    EXPECT_EQ(exact.mVertices.size(), 5u);
    EXPECT_EQ(cornersOf(exact), (std::vector<Corners>{{0, 1, 2}, {1, 3, 4}}));

    Mesh atTolerance = twoLooseTriangles();
    EXPECT_EQ(weld(atTolerance, 0.25f), 2u);
    EXPECT_EQ(cornersOf(atTolerance), (std::vector<Corners>{{0, 1, 2}, {1, 3, 2}}));
    ASSERT_EQ(atTolerance.mVertices.size(), 4u);
    EXPECT_EQ(atTolerance.mVertices[2], V3(0, 1, 0));  // the survivor keeps its position
    EXPECT_EQ(atTolerance.mVertices[3], V3(1, 1, 0));
}

TEST(MeshMergeVerticesTest, OppositeCornersDoNotPinchAQuadAdjacentOnesMakeATriangle) {
    Mesh pinched = makeMesh({{0, 0, 0}, {1, -1, 0}, {0.1f, 0, 0}, {1, 1, 0}}, {{0, 1, 2, 3}});
    EXPECT_EQ(weld(pinched, 0.1f), 0u);
    EXPECT_EQ(cornersOf(pinched), (std::vector<Corners>{{0, 1, 2, 3}}));

    Mesh collapsed = makeMesh({{0, 0, 0}, {0.1f, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2, 3}});
    EXPECT_EQ(weld(collapsed, 0.1f), 1u);
    EXPECT_EQ(cornersOf(collapsed), (std::vector<Corners>{{0, 1, 2}}));
    EXPECT_EQ(collapsed.mVertices.size(), 3u);

    // 0, 1 and 3 are within 0.1 of 0, but 3 is apart from the run 0, 1 in this pentagon.
    Mesh run = makeMesh({{0, 0, 0}, {0.05f, 0, 0}, {2, 1, 0}, {0.05f, 0.05f, 0}, {-1, 2, 0}},
                        {{0, 1, 2, 3, 4}});
    // The walk starts after the run, so 3 is met first and refused, then 0 after a gap, which
    // dissolves the group.
    EXPECT_EQ(weld(run, 0.1f), 0u);
    EXPECT_EQ(cornersOf(run), (std::vector<Corners>{{0, 1, 2, 3, 4}}));
}

// D (vertex 0) lies 0.15 below the apex C of the thin triangle ABC: welding C onto D turns ABC
// over, which only the flip rule above 0.15 prevents.
TEST(MeshMergeVerticesTest, FlipRuleRefusesTurningWeldsOnlyAbovePointOneFive) {
    std::vector<V3> const vertices{{0.5f, -0.05f, 0}, {0.5f, -1, 0}, {1.5f, -1, 0},
                                   {0, 0, 0},         {1, 0, 0},     {0.5f, 0.1f, 0}};
    std::vector<Corners> const faces{{0, 1, 2}, {3, 4, 5}};
    Mesh unchecked = makeMesh(vertices, faces);
    EXPECT_EQ(weld(unchecked, 0.15f), 1u);
    EXPECT_EQ(cornersOf(unchecked)[1], (Corners{3, 4, 0}));
    EXPECT_LT(unchecked.mFaces[1].faceNormal.z, 0);

    Mesh checked = makeMesh(vertices, faces);
    EXPECT_EQ(weld(checked, 0.1500001f), 0u);
    EXPECT_EQ(cornersOf(checked), faces);
    EXPECT_GT(checked.mFaces[1].faceNormal.z, 0);
}

// A triangle standing on the corner (2, 2) of a hole, its vertex a little off: the weld lands
// on the hole's corner, so the hole keeps its outline. Both hole routes agree here.
TEST(MeshMergeVerticesTest, AHoleCornerLendsTheWeldItsPosition) {
    for (bool const strict : {false, true}) {
        std::vector<V3> vertices{{2.005f, 2, 0}, {2.005f, 2, 5}, {2.005f, 3, 5}};
        std::vector<Corners> faces{{0, 1, 2}};
        faces.push_back(test::addSquare(vertices, 0, 0, 10, 10));
        faces.push_back(test::addSquare(vertices, 2, 2, 4, 4, true));
        Mesh mesh = makeMesh(vertices, faces, {1, 2, Mesh::HOLES_END});
        EXPECT_EQ(mesh.mergeDuplicateVertices(0.01f, 0, 0, false, nullptr, false, strict, nullptr),
                  1u)
            << strict;
        EXPECT_EQ(mesh.mVertices[0], V3(2, 2, 0)) << strict;
        EXPECT_EQ(cornersOf(mesh)[2], (Corners{0, 9, 8, 7})) << strict;
        EXPECT_EQ(mesh.mHoles, (std::vector<unsigned int>{1, 2, Mesh::HOLES_END}));
    }
}

TEST(MeshMergeVerticesTest, HoleCornersWeldNeitherToTheirOutlineNorToEachOther) {
    Mesh touchingOutline = test::makeFaceWithHoles({{0.005f, 0.005f, 4, 4}});
    EXPECT_EQ(weld(touchingOutline, 0.01f), 0u);
    Mesh touchingHoles = test::makeFaceWithHoles({{2, 2, 4, 4}, {4.005f, 2, 6, 4}});
    EXPECT_EQ(weld(touchingHoles, 0.01f), 0u);
    EXPECT_EQ(touchingHoles.mVertices.size(), 12u);
    EXPECT_EQ(touchingHoles.mHoles, (std::vector<unsigned int>{0, 1, 2, Mesh::HOLES_END}));
}

TEST(MeshMergeVerticesTest, TidiesUpEvenWithoutWeldsButLeavesAFacelessMeshAlone) {
    Mesh unused = makeMesh({{0, 0, 0}, {5, 5, 5}, {1, 0, 0}, {0, 1, 0}}, {{0, 2, 3}});
    EXPECT_EQ(weld(unused, 0.01f), 0u);
    EXPECT_EQ(cornersOf(unused), (std::vector<Corners>{{0, 1, 2}}));
    Mesh faceless = makeMesh({{0, 0, 0}, {0, 0, 0}}, {});
    EXPECT_EQ(weld(faceless, 1.0f), 0u);
    EXPECT_EQ(faceless.mVertices.size(), 2u);
}

TEST(MeshMergeVerticesTest, KeptElementsStayAndRemovedFacesAreReported) {
    // The second triangle loses a corner and is emptied.
    std::vector<V3> const vertices{{0, 0, 0}, {1, 0, 0},     {0, 1, 0},
                                   {5, 0, 0}, {5.01f, 0, 0}, {5, 1, 0}};
    Mesh kept = makeMesh(vertices, {{0, 1, 2}, {3, 4, 5}});
    EXPECT_EQ(kept.mergeDuplicateVertices(0.1f, 0, 0, true, nullptr, false, false, nullptr), 1u);
    EXPECT_EQ(kept.mFaces.size(), 2u);
    EXPECT_TRUE(kept.mFaces[1].vertexIndices.empty());
    EXPECT_EQ(kept.mVertices.size(), 5u);

    Mesh dropped = makeMesh(vertices, {{0, 1, 2}, {3, 4, 5}});
    std::vector<unsigned int> removed;
    dropped.mergeDuplicateVertices(0.1f, 0, 0, false, &removed, false, false, nullptr);
    EXPECT_EQ(removed, (std::vector<unsigned int>{1}));
    EXPECT_EQ(dropped.mVertices.size(), 3u);
}

TEST(MeshMergeVerticesTest, SelectionLimitsTheWeldAndFollowsTheRenumbering) {
    std::vector<V3> const vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                   {0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    Mesh mesh = makeMesh(vertices, {{0, 1, 2}, {3, 4, 5}});
    boost::dynamic_bitset<> selection(6);
    selection.set(0).set(3).set(4);  // 4's twin 1 is not selected
    EXPECT_EQ(mesh.mergeDuplicateVertices(0, 0, 0, false, nullptr, false, false, &selection), 1u);
    EXPECT_EQ(cornersOf(mesh), (std::vector<Corners>{{0, 1, 2}, {0, 3, 4}}));
    ASSERT_EQ(selection.size(), 5u);
    EXPECT_EQ(selection.to_ulong(), 0b01001ul);  // the weld of 0 and 3, and 4 now at 3
}

TEST(MeshMergeVerticesTest, NaNVerticesNeverWeldAndStopTheOctreeSearchUnchanged) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    Mesh small = makeMesh({{0, 0, 0}, {1, 0, 0}, {nan, 0, 0}, {nan, 0, 0}, {1, 0, 0}},
                          {{0, 1, 2}, {3, 4, 0}});
    EXPECT_EQ(weld(small, 0.5f), 1u);
    EXPECT_EQ(small.mVertices.size(), 4u);

    Mesh large = triangleRow();
    large.mVertices[500].y = nan;
    Mesh const before = large;
    EXPECT_THROW(weld(large, 0.01f), RuntimeErrorST);
    ASSERT_EQ(large.mVertices.size(), before.mVertices.size());
    EXPECT_EQ(std::memcmp(large.mVertices.data(), before.mVertices.data(),
                          sizeof(V3) * before.mVertices.size()),
              0);
    EXPECT_EQ(cornersOf(large), cornersOf(before));
}

}  // namespace
}  // namespace util

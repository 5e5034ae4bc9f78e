#include "mesh/IdenticalVertexGroups.h"

#include <gtest/gtest.h>

#include "mesh/HoleRelation.h"
#include "support/MeshBuilders.h"

namespace util {
namespace detail {
namespace {

using test::Corners;
using test::V3;
using Groups = std::vector<std::vector<unsigned int>>;

// groupOfVertex for vertexCount vertices, consistent with groups.
std::vector<long> indexGroups(Groups const& groups, std::size_t vertexCount) {
    std::vector<long> groupOfVertex(vertexCount, EMPTYIVG);
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (unsigned int const v : groups[g]) groupOfVertex[v] = static_cast<long>(g);
    return groupOfVertex;
}

void enforce(Mesh& mesh, Groups& groups, std::vector<long>& groupOfVertex,
             unsigned long firstMovable) {
    enforceHoleConsistency(mesh.mFaces, HoleRelation(mesh.mHoles), groups, groupOfVertex,
                           mesh.mVertices, firstMovable);
}

// Groups split between a hole and its face are checked where vertices merge; what is left is
// what a merge cannot set up: vertices that may not move, and hand-made groups across faces.
// Faces 0 and 1 are squares, face 2 a hole in face 1 (vertices 8-11).
TEST(EnforceHoleConsistencyTest, WeldedVertexTakesTheHoleVertexPosition) {
    std::vector<V3> vertices;
    std::vector<Corners> const faces{test::addSquare(vertices, 20, 0, 30, 10),
                                     test::addSquare(vertices, 0, 0, 10, 10),
                                     test::addSquare(vertices, 2, 2, 4, 4, true)};
    Mesh mesh = test::makeMesh(vertices, faces, {1, 2, Mesh::HOLES_END});
    Groups groups{{1, 9}};
    std::vector<long> groupOfVertex = indexGroups(groups, 12);
    V3 const holeCorner = mesh.mVertices[9];
    V3 const otherCorner = mesh.mVertices[1];
    enforce(mesh, groups, groupOfVertex, 2);  // vertex 1 may not move
    EXPECT_EQ(mesh.mVertices[1], otherCorner);
    enforce(mesh, groups, groupOfVertex, 0);
    EXPECT_EQ(mesh.mVertices[1], holeCorner);
    EXPECT_EQ(mesh.mVertices[9], otherCorner);
}

TEST(EnforceHoleConsistencyOtherFacesTest, OnlyHolesOfTheFirstFaceStayWelded) {
    std::vector<V3> vertices;
    std::vector<Corners> faces{
        test::addSquare(vertices, 0, 0, 10, 10), test::addSquare(vertices, 20, 0, 30, 10),
        test::addSquare(vertices, 2, 2, 4, 4, true), test::addSquare(vertices, 22, 2, 24, 4, true)};
    Mesh mesh = test::makeMesh(vertices, faces, {0, 2, Mesh::HOLES_END, 1, 3, Mesh::HOLES_END});
    Groups groups{{8, 9, 10, 11, 12, 13, 14, 15}};  // both holes whole
    std::vector<long> groupOfVertex = indexGroups(groups, 16);
    enforce(mesh, groups, groupOfVertex, 100);
    EXPECT_EQ(groups, (Groups{{8, 9, 10, 11}, {12, 13, 14, 15}}));
    EXPECT_EQ(groupOfVertex[12], 1);
}

}  // namespace
}  // namespace detail
}  // namespace util

#include <gtest/gtest.h>

#include "mesh/BasicEdgeMap.h"
#include "mesh/EdgeMap.h"
#include "mesh/HoleRelation.h"
#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::V3;

TEST(BasicEdgeMapTest, ClosedCubeIsManifoldUntilAFaceGoesAndNothingIsNot) {
    Mesh cube = test::makeCube();
    BasicEdgeMap const closed(cube.mFaces);
    EXPECT_TRUE(closed.isManifold());
    EXPECT_EQ(closed.getBoundaryLength(cube.mVertices), 0.0f);
    EXPECT_FALSE(closed.hasBoundary(cube.mFaces[0].vertexIndices));

    cube.mFaces.erase(cube.mFaces.begin());  // the bottom face {0, 3, 2, 1}
    BasicEdgeMap const open(cube.mFaces);
    EXPECT_FALSE(open.isManifold());
    EXPECT_FLOAT_EQ(open.getBoundaryLength(cube.mVertices), 4.0f);
    EXPECT_TRUE(open.isBoundary(0, 1));
    EXPECT_TRUE(open.isBoundary(3, 0));
    EXPECT_FALSE(open.isBoundary(4, 5));
    EXPECT_FALSE(open.isBoundary(0, 6));  // absent edges are no boundary
    boost::dynamic_bitset<> border(8);
    border.set(7);
    open.fillBorderVertices(border);
    EXPECT_EQ(border.count(), 4u);
    for (unsigned int v = 0; v < 4; ++v) EXPECT_TRUE(border.test(v));
    EXPECT_FALSE(BasicEdgeMap(std::vector<Mesh::Polygon>{}).isManifold());
}

TEST(BasicEdgeMapTest, LineIndicesListEdgesByLargerIndexFirst) {
    BasicEdgeMap const map({Mesh::Polygon({2, 0, 1}), Mesh::Polygon({1, 3, 2})});
    std::vector<unsigned int> lines;
    map.getEdgesLineIndices(lines);
    EXPECT_EQ(lines, (std::vector<unsigned int>{0, 1, 0, 2, 1, 2, 1, 3, 2, 3}));
}

TEST(EdgeMapTest, SharedEdgeIsListedOnceWithBothFacesAndFiltersKeepEdgesByTheirEnds) {
    Mesh const mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                                     {{0, 1, 2}, {2, 1, 3}});
    EdgeMap const edges(mesh, nullptr, false);
    ASSERT_EQ(edges.getEdges().size(), 5u);
    long const shared = edges.findEdge(2, 1);
    ASSERT_GE(shared, 0);
    EdgeMap::EdgeInfo const& info = edges.getEdges()[static_cast<std::size_t>(shared)];
    EXPECT_EQ(info.lowVertex, 1u);
    EXPECT_EQ(info.highVertex, 2u);
    EXPECT_FALSE(info.reversed);  // face 0 runs 1 -> 2
    EXPECT_EQ(info.faces, (std::vector<unsigned int>{0, 1}));
    EXPECT_TRUE(edges.getEdges()[static_cast<std::size_t>(edges.findEdge(2, 0))].reversed);
    // A vertex filter keeps edges by one or both ends.
    boost::dynamic_bitset<> filter(4);
    filter.set(0);
    EXPECT_EQ(EdgeMap(mesh, &filter, false).getEdges().size(), 2u);
    EXPECT_EQ(EdgeMap(mesh, &filter, true).getEdges().size(), 0u);
    filter.set(1);
    EXPECT_EQ(EdgeMap(mesh, &filter, true).getEdges().size(), 1u);
    std::vector<std::vector<unsigned int>> vertexEdges;
    MeshUtils::calculateVertex2Edges(mesh, vertexEdges, edges, &filter);
    EXPECT_EQ(vertexEdges[0].size(), 2u);
    EXPECT_TRUE(vertexEdges[2].empty());
}

TEST(HoleRelationTest, MapsBothWaysAndLeavesHolesOutOfVertexFaces) {
    Mesh const mesh = test::makeFaceWithHoles({{1, 1, 2, 2}, {3, 3, 4, 4}});
    HoleRelation const relation(mesh.mHoles);
    EXPECT_EQ(relation.mFaceToHoles.at(0), (std::vector<unsigned int>{1, 2}));
    EXPECT_EQ(relation.mHoleToFace.at(1), 0u);
    EXPECT_EQ(relation.mHoleToFace.at(2), 0u);
    std::vector<std::vector<unsigned int>> vertexFaces;
    MeshUtils::calculateVertex2Faces(mesh, vertexFaces, &relation, nullptr);
    EXPECT_EQ(vertexFaces[0], std::vector<unsigned int>{0});
    EXPECT_TRUE(vertexFaces[4].empty());  // a corner of hole face 1
    MeshUtils::calculateVertex2Faces(mesh, vertexFaces, nullptr, nullptr);
    EXPECT_EQ(vertexFaces[4], std::vector<unsigned int>{1});
    // A vertex used twice by one face lists that face twice.
    Mesh const touching = test::makeMesh(
        {V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(2, 2, 0)}, {{0, 1, 2, 0, 3}});
    MeshUtils::calculateVertex2Faces(touching, vertexFaces, nullptr, nullptr);
    EXPECT_EQ(vertexFaces[0], (std::vector<unsigned int>{0, 0}));
}

}  // namespace
}  // namespace util

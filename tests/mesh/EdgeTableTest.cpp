#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "mesh/EdgeMap.h"
#include "mesh/EdgeTable.h"
#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using Pair = std::pair<unsigned int, unsigned int>;

std::vector<Pair> sortedPairs(std::vector<Pair> pairs) {
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// The oracle is the ordered-map EdgeMap: the same edges, faces and vertex lists, whatever the
// numbering. Random faces repeat corners, consecutively too, so edges from a vertex to itself
// and faces using an edge twice occur.
TEST(EdgeTableTest, HoldsTheAdjacencyOfTheEdgeMap) {
    std::mt19937 random(5);
    for (int round = 0; round < 200; ++round) {
        unsigned int const vertexCount = 1 + random() % 9;
        std::vector<test::V3> const vertices(vertexCount);
        std::vector<test::Corners> faces(random() % 7);
        for (test::Corners& face : faces) {
            face.resize(random() % 6);
            for (unsigned int& corner : face) corner = random() % vertexCount;
        }
        Mesh const mesh = test::makeMesh(vertices, faces);
        EdgeMap const map(mesh, nullptr, true);
        detail::EdgeTable const table(mesh.mFaces, vertexCount);

        ASSERT_EQ(table.edgeCount(), map.getEdges().size());
        for (EdgeMap::EdgeInfo const& edge : map.getEdges()) {
            std::size_t const e = table.findEdge(edge.highVertex, edge.lowVertex);
            ASSERT_NE(e, detail::EdgeTable::NONE);
            EXPECT_EQ(std::vector<unsigned int>(table.faces(e).begin(), table.faces(e).end()),
                      edge.faces);
        }
        std::vector<std::vector<unsigned int>> vertexEdges;
        MeshUtils::calculateVertex2Edges(mesh, vertexEdges, map, nullptr);
        for (unsigned int v = 0; v < vertexCount; ++v) {
            std::vector<Pair> expected, actual;
            for (unsigned int const e : vertexEdges[v])
                expected.emplace_back(map.getEdges()[e].lowVertex, map.getEdges()[e].highVertex);
            for (unsigned int const e : table.vertexEdges(v))
                actual.emplace_back(table.lowVertex(e), table.highVertex(e));
            EXPECT_EQ(sortedPairs(actual), sortedPairs(expected)) << "vertex " << v;
            for (unsigned int w = 0; w <= vertexCount; ++w)
                EXPECT_EQ(table.findEdge(v, w) == detail::EdgeTable::NONE, map.findEdge(v, w) < 0);
        }
    }
}

}  // namespace
}  // namespace util

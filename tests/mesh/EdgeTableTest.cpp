#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "mesh/EdgeMap.h"
#include "mesh/EdgeTable.h"
#include "mesh/FlatEdgeTable.h"
#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using Pair = std::pair<unsigned int, unsigned int>;

std::vector<Pair> sortedPairs(std::vector<Pair> pairs) {
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

void expectSameAdjacency(Mesh const& mesh, unsigned int vertexCount) {
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

// Each edge's ends and faces, in list order.
using EdgeList = std::vector<std::pair<Pair, std::vector<unsigned int>>>;

EdgeList listed(detail::FlatEdgeTable const& table) {
    EdgeList list;
    for (auto const& e : table.edges())
        list.emplace_back(
            Pair(e.lowVertex, e.highVertex),
            std::vector<unsigned int>(table.facesOf(e), table.facesOf(e) + e.faceCount));
    return list;
}

EdgeList listed(EdgeMap const& map) {
    EdgeList list;
    for (auto const& e : map.getEdges())
        list.emplace_back(Pair(e.lowVertex, e.highVertex), e.faces);
    return list;
}

// The flat table lists the edge map's edges in its order, with and without a vertex filter; so
// does one table rebuilt for every mesh, whose arrays still hold the previous mesh's edges.
void expectSameEdgeList(Mesh const& mesh, unsigned int vertexCount, std::mt19937& random,
                        detail::FlatEdgeTable& reused) {
    boost::dynamic_bitset<> filter(vertexCount);
    for (unsigned int v = 0; v < vertexCount; ++v) filter[v] = random() % 2 == 0;
    boost::dynamic_bitset<> const *const none = nullptr, *const some = &filter;
    for (boost::dynamic_bitset<> const* f : {none, some})
        for (bool const both : {true, false}) {
            EdgeList const plain = listed(EdgeMap(mesh, f, both));
            EXPECT_EQ(listed(detail::FlatEdgeTable(mesh.mFaces, vertexCount, f, both)), plain);
            reused.build(mesh.mFaces, vertexCount, f, both);
            EXPECT_EQ(listed(reused), plain);
        }
}

// Both tables replace the ordered-map EdgeMap and must hold its adjacency exactly. Random faces
// repeat corners, consecutively too, so edges from a vertex to itself and faces using an edge
// twice occur; small meshes alternate with larger ones, and some larger ones are fans whose
// centre has many edges.
TEST(EdgeTableTest, BothTablesHoldTheAdjacencyOfTheEdgeMap) {
    std::mt19937 random(5);
    detail::FlatEdgeTable reused;
    for (int round = 0; round < 240; ++round) {
        bool const small = round % 6 != 0;
        bool const fan = round % 12 == 0;
        unsigned int const vertexCount = small ? 1 + random() % 9 : 4 + random() % (fan ? 90 : 30);
        std::vector<test::Corners> faces(small ? random() % 7 : 1 + random() % 40);
        for (test::Corners& face : faces) {
            face.resize(random() % 7);
            for (unsigned int& corner : face) corner = random() % vertexCount;
            if (fan && !face.empty()) face[0] = round % 24 == 0 ? 0 : vertexCount - 1;
        }
        Mesh const mesh = test::makeMesh(std::vector<test::V3>(vertexCount), faces);
        SCOPED_TRACE(::testing::Message() << "round " << round);
        expectSameAdjacency(mesh, vertexCount);
        expectSameEdgeList(mesh, vertexCount, random, reused);

        // Faces emptied, others changed and new ones appended: the rebuild that reads only the
        // faces used before and the new ones gives the table of a full build.
        auto corner = [&]() { return static_cast<unsigned int>(random() % vertexCount); };
        Mesh changed = mesh;
        reused.build(changed.mFaces, vertexCount, nullptr, true);
        for (Mesh::Polygon& face : changed.mFaces) {
            if (random() % 3 == 0) face.clearIndices();
            if (random() % 4 == 0 && !face.vertexIndices.empty())
                face.vertexIndices.push_back(corner());
        }
        for (unsigned int k = random() % 4; k > 0; --k)
            changed.mFaces.emplace_back(test::Corners{corner(), corner(), corner()});
        reused.rebuildAfterEmptying(changed.mFaces, vertexCount, nullptr, true);
        EXPECT_EQ(listed(reused),
                  listed(detail::FlatEdgeTable(changed.mFaces, vertexCount, nullptr, true)));
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace util

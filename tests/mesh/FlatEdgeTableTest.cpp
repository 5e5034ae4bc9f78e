#include <gtest/gtest.h>

#include <random>

#include "mesh/EdgeMap.h"
#include "mesh/FlatEdgeTable.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

// The flat table must list the edges of util::EdgeMap in its order with the same face lists,
// with and without a vertex filter.
TEST(FlatEdgeTableTest, MatchesTheEdgeMapOnRandomFaces) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        unsigned int const vertexCount = 4 + random() % 30;
        std::vector<test::V3> vertices(vertexCount);
        std::vector<test::Corners> faces;
        for (unsigned int f = 0, n = 1 + random() % 40; f < n; ++f) {
            test::Corners corners;
            for (unsigned int k = 0, size = random() % 7; k < size; ++k)
                corners.push_back(random() % vertexCount);
            faces.push_back(corners);
        }
        Mesh const mesh = test::makeMesh(vertices, faces);
        boost::dynamic_bitset<> filter(vertexCount);
        for (unsigned int v = 0; v < vertexCount; ++v) filter[v] = random() % 2 == 0;
        boost::dynamic_bitset<> const* const none = nullptr;
        boost::dynamic_bitset<> const* const some = &filter;
        for (boost::dynamic_bitset<> const* f : {none, some})
            for (bool const both : {true, false}) {
                EdgeMap const plain(mesh, f, both);
                detail::FlatEdgeTable const flat(mesh.mFaces, vertexCount, f, both);
                ASSERT_EQ(flat.edges().size(), plain.getEdges().size());
                for (std::size_t e = 0; e < flat.edges().size(); ++e) {
                    auto const& x = flat.edges()[e];
                    auto const& y = plain.getEdges()[e];
                    EXPECT_EQ(x.lowVertex, y.lowVertex);
                    EXPECT_EQ(x.highVertex, y.highVertex);
                    std::vector<unsigned int> const users(flat.facesOf(x),
                                                          flat.facesOf(x) + x.faceCount);
                    EXPECT_EQ(users, y.faces);
                }
            }
    }
}

}  // namespace
}  // namespace util

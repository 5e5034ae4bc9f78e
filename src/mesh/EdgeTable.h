#pragma once

#include <cstddef>
#include <vector>

#include "mesh/Mesh.h"

namespace util {
namespace detail {

// The adjacency of util::EdgeMap (undirected edges, the faces using each in face order, the
// edges at each vertex) in flat arrays, built by bucketing corners per vertex instead of one
// ordered-map insertion per corner, which dominates the passes on meshes of a million faces.
// Edges are numbered in (low vertex, high vertex) order rather than in order of discovery.
// Like EdgeMap it is a snapshot: later edits of the faces are not followed.
class EdgeTable {
public:
    static constexpr std::size_t NONE = static_cast<std::size_t>(-1);

    // A run of indices inside the table, valid as long as the table.
    struct Range {
        unsigned int const* first;
        unsigned int const* last;
        unsigned int const* begin() const { return first; }
        unsigned int const* end() const { return last; }
        std::size_t size() const { return static_cast<std::size_t>(last - first); }
        bool empty() const { return first == last; }
        unsigned int operator[](std::size_t i) const { return first[i]; }
    };

    // Every corner index must be below vertexCount.
    EdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount);

    std::size_t edgeCount() const { return mEdgeLow.size(); }
    unsigned int lowVertex(std::size_t edge) const { return mEdgeLow[edge]; }
    unsigned int highVertex(std::size_t edge) const { return mEdgeHigh[edge]; }
    unsigned int otherVertex(std::size_t edge, unsigned int v) const {
        return mEdgeLow[edge] == v ? mEdgeHigh[edge] : mEdgeLow[edge];
    }
    // In face order; a face using the edge twice is listed twice.
    Range faces(std::size_t edge) const { return range(mEdgeFaces, mFaceStart, edge); }
    // The edge between a and b in either direction, or NONE.
    std::size_t findEdge(unsigned int a, unsigned int b) const;
    // Edges at v; an edge from v to itself is listed twice, once per end.
    Range vertexEdges(unsigned int v) const { return range(mVertexEdges, mVertexEdgeStart, v); }

private:
    static Range range(std::vector<unsigned int> const& values,
                       std::vector<std::size_t> const& starts, std::size_t i) {
        return {values.data() + starts[i], values.data() + starts[i + 1]};
    }
    void buildEdges(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount);
    void buildVertexEdges(std::size_t vertexCount);

    std::vector<std::size_t> mLowStart;  // edges of low vertex v: [mLowStart[v], mLowStart[v+1])
    std::vector<unsigned int> mEdgeLow;
    std::vector<unsigned int> mEdgeHigh;
    std::vector<std::size_t> mFaceStart;
    std::vector<unsigned int> mEdgeFaces;
    std::vector<std::size_t> mVertexEdgeStart;
    std::vector<unsigned int> mVertexEdges;
};

}  // namespace detail
}  // namespace util

#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "base/HugePages.h"
#include "mesh/Mesh.h"

namespace util {
namespace detail {

// (higher vertex, id) for each face edge.
using EdgeEnd = std::pair<unsigned int, unsigned int>;

// Every face edge once per corner that starts it, as (higher vertex, id(face, corner)), grouped
// by its lower vertex in a counting sort and sorted within the group: equal edges end up next to
// each other, ascending by id. groupEnd[v] ends the group of lower vertex v, which starts where
// the group of v - 1 ends (0 for v = 0). Returns the number of distinct edges.
template <typename Id>
std::size_t sortEdgeEnds(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount, Id id,
                         std::vector<std::size_t>& groupEnd, std::vector<EdgeEnd>& entries) {
    // Every array is sized exactly and advised before it is written: on a million faces the
    // first-touch faults of regrown buffers cost more than the sorting.
    reserveAdvised(groupEnd, vertexCount + 1);
    groupEnd.assign(vertexCount + 1, 0);
    for (Mesh::Polygon const& face : faces) {
        std::vector<unsigned int> const& c = face.vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k)
            ++groupEnd[std::min(c[k], c[k + 1 == c.size() ? 0 : k + 1]) + 1];
    }
    for (std::size_t v = 0; v < vertexCount; ++v) groupEnd[v + 1] += groupEnd[v];
    std::size_t const count = groupEnd[vertexCount];
    reserveAdvised(entries, count);
    entries.resize(count);
    // Filling moves each group's start up to its end.
    for (std::size_t f = 0; f < faces.size(); ++f) {
        std::vector<unsigned int> const& c = faces[f].vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k) {
            unsigned int const a = c[k];
            unsigned int const b = c[k + 1 == c.size() ? 0 : k + 1];
            entries[groupEnd[std::min(a, b)]++] = {std::max(a, b), id(f, k)};
        }
    }
    std::size_t edges = 0;
    for (std::size_t v = 0, first = 0; v < vertexCount; first = groupEnd[v++]) {
        auto const begin = entries.begin() + static_cast<long>(first);
        auto const end = entries.begin() + static_cast<long>(groupEnd[v]);
        if (end - begin > 1) std::sort(begin, end);
        for (auto e = begin; e != end; ++e)
            if (e == begin || e->first != (e - 1)->first) ++edges;
    }
    return edges;
}

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

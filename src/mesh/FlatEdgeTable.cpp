#include "mesh/FlatEdgeTable.h"

#include <algorithm>

#include "base/HugePages.h"

namespace util {
namespace detail {
namespace {
constexpr unsigned int NONE = 0xFFFFFFFFu;
constexpr unsigned int SKIPPED = 0xFFFFFFFFu;  // a corner whose edge the filter drops

// Room for count entries; fresh room is advised for huge pages before its first write, which
// on large meshes costs less than the page faults it saves.
template <typename T>
void ensureCapacity(std::vector<T>& values, std::size_t count) {
    if (values.capacity() >= count) return;
    std::vector<T>().swap(values);
    reserveAdvised(values, count);
}

}  // namespace

FlatEdgeTable::FlatEdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                             boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    build(faces, vertexCount, vertexFilter, requireBoth);
}

void FlatEdgeTable::build(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                          boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    // The later passes read only the faces with corners: after a merging sweep most faces are
    // empty, and reading each one costs a cache miss.
    std::vector<unsigned int>& used = mUsedFaces;
    used.clear();
    std::size_t corners = 0;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        std::size_t const n = faces[f].vertexIndices.size();
        if (n == 0) continue;
        used.push_back(static_cast<unsigned int>(f));
        corners += n;
    }
    mFirstEdgeOf.assign(vertexCount, NONE);
    mNextEdge.clear();
    ensureCapacity(mNextEdge, std::min(corners, vertexCount + faces.size()));
    mEdges.clear();
    ensureCapacity(mEdges, std::min(corners, vertexCount + faces.size()));

    // First the edges in order of first use and their face counts, then the face lists.
    std::vector<unsigned int>& edgeOfCorner = mEdgeOfCorner;
    edgeOfCorner.clear();
    ensureCapacity(edgeOfCorner, corners);
    for (unsigned int const f : used) {
        std::vector<unsigned int> const& v = faces[f].vertexIndices;
        std::size_t const n = v.size();
        for (std::size_t k = 0; k < n; ++k) {
            unsigned int const a = v[k];
            unsigned int const b = v[(k + 1) % n];
            if (vertexFilter != nullptr) {
                bool const hasA = vertexFilter->test(a);
                bool const hasB = vertexFilter->test(b);
                if (requireBoth ? !(hasA && hasB) : !(hasA || hasB)) {
                    edgeOfCorner.push_back(SKIPPED);
                    continue;
                }
            }
            unsigned int const edge = findOrAdd(a, b);
            ++mEdges[edge].faceCount;
            edgeOfCorner.push_back(edge);
        }
    }
    unsigned int start = 0;
    for (Edge& edge : mEdges) {
        edge.firstFace = start;
        start += edge.faceCount;
        edge.faceCount = 0;
    }
    ensureCapacity(mFaces, start);
    mFaces.resize(start);  // every entry is written below
    std::size_t corner = 0;
    for (unsigned int const f : used) {
        for (std::size_t k = 0; k < faces[f].vertexIndices.size(); ++k, ++corner) {
            unsigned int const edge = edgeOfCorner[corner];
            if (edge == SKIPPED) continue;
            Edge& e = mEdges[edge];
            mFaces[e.firstFace + e.faceCount++] = f;
        }
    }
}

// The edges are found through per-vertex lists rather than a hash table: corners of nearby faces
// share vertices, so the lists they walk are mostly in cache, where hashed slots never are.
unsigned int FlatEdgeTable::findOrAdd(unsigned int a, unsigned int b) {
    unsigned int const low = std::min(a, b);
    unsigned int const high = std::max(a, b);
    if (low >= mFirstEdgeOf.size()) mFirstEdgeOf.resize(low + 1, NONE);
    for (unsigned int e = mFirstEdgeOf[low]; e != NONE; e = mNextEdge[e])
        if (mEdges[e].highVertex == high) return e;
    auto const edge = static_cast<unsigned int>(mEdges.size());
    mEdges.push_back({low, high, 0, 0});
    mNextEdge.push_back(mFirstEdgeOf[low]);
    mFirstEdgeOf[low] = edge;
    return edge;
}

}  // namespace detail
}  // namespace util

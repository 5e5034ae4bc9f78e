#include "mesh/EdgeTable.h"

#include <algorithm>
#include <utility>

#include "base/HugePages.h"

namespace util {
namespace detail {

EdgeTable::EdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    buildEdges(faces, vertexCount);
    buildVertexEdges(vertexCount);
}

void EdgeTable::buildEdges(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    // Counting sort of the face edges by their low vertex: each bucket then holds (high vertex,
    // face) in face order, and sorting the small buckets groups equal edges, faces still ascending.
    // Every array is sized exactly and advised before it is written: on a million faces the
    // first-touch faults of regrown buffers cost more than the sorting.
    reserveAdvised(mLowStart, vertexCount + 1);
    mLowStart.assign(vertexCount + 1, 0);
    std::vector<std::size_t>& bucketEnd = mLowStart;  // reused: bucket ends, then edge starts
    for (Mesh::Polygon const& face : faces) {
        std::vector<unsigned int> const& c = face.vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k)
            ++bucketEnd[std::min(c[k], c[(k + 1) % c.size()]) + 1];
    }
    for (std::size_t v = 0; v < vertexCount; ++v) bucketEnd[v + 1] += bucketEnd[v];
    std::size_t const entryCount = bucketEnd[vertexCount];
    std::vector<std::pair<unsigned int, unsigned int>> entries;
    reserveAdvised(entries, entryCount);
    entries.resize(entryCount);
    // Filling moves each bucket's start up to its end: bucketEnd[v] then ends bucket v.
    for (std::size_t f = 0; f < faces.size(); ++f) {
        std::vector<unsigned int> const& c = faces[f].vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k) {
            unsigned int const a = c[k];
            unsigned int const b = c[(k + 1) % c.size()];
            entries[bucketEnd[std::min(a, b)]++] = {std::max(a, b), static_cast<unsigned int>(f)};
        }
    }

    std::size_t edges = 0;
    for (std::size_t v = 0, first = 0; v < vertexCount; first = bucketEnd[v++]) {
        auto const begin = entries.begin() + static_cast<long>(first);
        auto const end = entries.begin() + static_cast<long>(bucketEnd[v]);
        if (end - begin > 1) std::sort(begin, end);
        for (auto e = begin; e != end; ++e)
            if (e == begin || e->first != (e - 1)->first) ++edges;
    }
    reserveAdvised(mEdgeLow, edges);
    reserveAdvised(mEdgeHigh, edges);
    reserveAdvised(mFaceStart, edges + 1);
    reserveAdvised(mEdgeFaces, entryCount);
    mEdgeFaces.resize(entryCount);
    for (std::size_t v = 0, first = 0; v < vertexCount; ++v) {
        std::size_t const last = bucketEnd[v];
        mLowStart[v] = mEdgeLow.size();
        for (std::size_t position = first; position < last; ++position) {
            auto const& e = entries[position];
            if (position == first || e.first != entries[position - 1].first) {
                mEdgeLow.push_back(static_cast<unsigned int>(v));
                mEdgeHigh.push_back(e.first);
                mFaceStart.push_back(position);
            }
            mEdgeFaces[position] = e.second;
        }
        first = last;
    }
    mLowStart[vertexCount] = mEdgeLow.size();
    mFaceStart.push_back(entryCount);
}

void EdgeTable::buildVertexEdges(std::size_t vertexCount) {
    // Counts, then their running sums, so each entry ends its vertex's run; filling from the back
    // moves every entry down to where its run starts, with no second cursor array, and leaves
    // the edges ascending per vertex.
    reserveAdvised(mVertexEdgeStart, vertexCount + 1);
    mVertexEdgeStart.assign(vertexCount + 1, 0);
    for (std::size_t e = 0; e < edgeCount(); ++e) {
        ++mVertexEdgeStart[mEdgeLow[e]];
        ++mVertexEdgeStart[mEdgeHigh[e]];
    }
    for (std::size_t v = 1; v < vertexCount; ++v) mVertexEdgeStart[v] += mVertexEdgeStart[v - 1];
    std::size_t const total = 2 * edgeCount();
    mVertexEdgeStart[vertexCount] = total;
    reserveAdvised(mVertexEdges, total);
    mVertexEdges.resize(total);
    for (std::size_t e = edgeCount(); e-- > 0;) {
        mVertexEdges[--mVertexEdgeStart[mEdgeHigh[e]]] = static_cast<unsigned int>(e);
        mVertexEdges[--mVertexEdgeStart[mEdgeLow[e]]] = static_cast<unsigned int>(e);
    }
}

std::size_t EdgeTable::findEdge(unsigned int a, unsigned int b) const {
    unsigned int const low = std::min(a, b);
    unsigned int const high = std::max(a, b);
    if (static_cast<std::size_t>(low) + 1 >= mLowStart.size()) return NONE;
    auto const first = mEdgeHigh.begin() + static_cast<long>(mLowStart[low]);
    auto const last = mEdgeHigh.begin() + static_cast<long>(mLowStart[low + 1]);
    auto const found = std::lower_bound(first, last, high);
    if (found == last || *found != high) return NONE;
    return static_cast<std::size_t>(found - mEdgeHigh.begin());
}

}  // namespace detail
}  // namespace util

#include "mesh/EdgeTable.h"

namespace util {
namespace detail {

EdgeTable::EdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    buildEdges(faces, vertexCount);
    buildVertexEdges(vertexCount);
}

void EdgeTable::buildEdges(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    // Entries carry the face: each run of equal edges then lists its faces in ascending order.
    std::vector<std::size_t>& groupEnd = mLowStart;  // reused: group ends, then edge starts
    std::vector<EdgeEnd> entries;
    std::size_t const edges = sortEdgeEnds(
        faces, vertexCount,
        [](std::size_t face, std::size_t) { return static_cast<unsigned int>(face); }, groupEnd,
        entries);
    reserveAdvised(mEdgeLow, edges);
    reserveAdvised(mEdgeHigh, edges);
    reserveAdvised(mFaceStart, edges + 1);
    reserveAdvised(mEdgeFaces, entries.size());
    mEdgeFaces.resize(entries.size());
    for (std::size_t v = 0, first = 0; v < vertexCount; ++v) {
        std::size_t const last = groupEnd[v];
        mLowStart[v] = mEdgeLow.size();
        for (std::size_t position = first; position < last; ++position) {
            EdgeEnd const& e = entries[position];
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
    mFaceStart.push_back(entries.size());
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

#include "mesh/EdgeTable.h"

#include <algorithm>
#include <utility>

namespace util {
namespace detail {

EdgeTable::EdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    buildEdges(faces, vertexCount);
    buildVertexEdges(vertexCount);
}

void EdgeTable::buildEdges(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    // Counting sort of the face edges by their low vertex: each bucket then holds (high vertex,
    // face) in face order, and sorting the small buckets groups equal edges, faces still ascending.
    std::vector<std::size_t> bucketStart(vertexCount + 1, 0);
    for (Mesh::Polygon const& face : faces) {
        std::vector<unsigned int> const& c = face.vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k)
            ++bucketStart[std::min(c[k], c[(k + 1) % c.size()]) + 1];
    }
    for (std::size_t v = 0; v < vertexCount; ++v) bucketStart[v + 1] += bucketStart[v];
    std::vector<std::pair<unsigned int, unsigned int>> entries(bucketStart[vertexCount]);
    std::vector<std::size_t> fill(bucketStart.begin(), bucketStart.end() - 1);
    for (std::size_t f = 0; f < faces.size(); ++f) {
        std::vector<unsigned int> const& c = faces[f].vertexIndices;
        for (std::size_t k = 0; k < c.size(); ++k) {
            unsigned int const a = c[k];
            unsigned int const b = c[(k + 1) % c.size()];
            entries[fill[std::min(a, b)]++] = {std::max(a, b), static_cast<unsigned int>(f)};
        }
    }

    mLowStart.assign(vertexCount + 1, 0);
    mEdgeFaces.resize(entries.size());
    mFaceStart.reserve(entries.size() / 2 + 1);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        auto const first = entries.begin() + static_cast<long>(bucketStart[v]);
        auto const last = entries.begin() + static_cast<long>(bucketStart[v + 1]);
        if (last - first > 1) std::sort(first, last);
        mLowStart[v] = mEdgeLow.size();
        for (auto e = first; e != last; ++e) {
            auto const position = static_cast<std::size_t>(e - entries.begin());
            if (e == first || e->first != (e - 1)->first) {
                mEdgeLow.push_back(static_cast<unsigned int>(v));
                mEdgeHigh.push_back(e->first);
                mFaceStart.push_back(position);
            }
            mEdgeFaces[position] = e->second;
        }
    }
    mLowStart[vertexCount] = mEdgeLow.size();
    mFaceStart.push_back(entries.size());
}

void EdgeTable::buildVertexEdges(std::size_t vertexCount) {
    mVertexEdgeStart.assign(vertexCount + 1, 0);
    for (std::size_t e = 0; e < edgeCount(); ++e) {
        ++mVertexEdgeStart[mEdgeLow[e] + 1];
        ++mVertexEdgeStart[mEdgeHigh[e] + 1];
    }
    for (std::size_t v = 0; v < vertexCount; ++v) mVertexEdgeStart[v + 1] += mVertexEdgeStart[v];
    mVertexEdges.resize(mVertexEdgeStart[vertexCount]);
    std::vector<std::size_t> fill(mVertexEdgeStart.begin(), mVertexEdgeStart.end() - 1);
    for (std::size_t e = 0; e < edgeCount(); ++e) {
        mVertexEdges[fill[mEdgeLow[e]]++] = static_cast<unsigned int>(e);
        mVertexEdges[fill[mEdgeHigh[e]]++] = static_cast<unsigned int>(e);
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

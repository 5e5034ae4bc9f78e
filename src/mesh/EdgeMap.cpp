#include "mesh/EdgeMap.h"

#include "mesh/BasicEdgeMap.h"

namespace util {

EdgeMap::EdgeMap(Mesh const& mesh, boost::dynamic_bitset<> const* vertexFilter, bool requireBoth)
    : mFaces(mesh.mFaces) {
    // Euler's estimate of the edge count, so building rarely reallocates.
    std::size_t const sum = mesh.mVertices.size() + mesh.mFaces.size();
    mEdges.reserve(sum > 2 ? sum - 1 : 1);
    initFromFaces(vertexFilter, requireBoth);
}

void EdgeMap::initFromFaces(boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    for (std::size_t f = 0; f < mFaces.size(); ++f) {
        std::vector<unsigned int> const& v = mFaces[f].vertexIndices;
        std::size_t const n = v.size();
        for (std::size_t k = 0; k < n; ++k) {
            unsigned int const a = v[k];
            unsigned int const b = v[(k + 1) % n];
            if (vertexFilter != nullptr) {
                bool const hasA = vertexFilter->test(a);
                bool const hasB = vertexFilter->test(b);
                if (requireBoth ? !(hasA && hasB) : !(hasA || hasB)) continue;
            }
            unsigned long const key = BasicEdgeMap::edgeKey(a, b);
            auto const found = mEdgeIndex.find(key);
            if (found != mEdgeIndex.end()) {
                mEdges[found->second].faces.push_back(static_cast<unsigned int>(f));
            } else {
                mEdgeIndex.emplace(key, mEdges.size());
                mEdges.push_back({std::min(a, b), std::max(a, b), a > b,
                                  {static_cast<unsigned int>(f)}});
            }
        }
    }
}

long EdgeMap::findEdge(unsigned int a, unsigned int b) const {
    auto const found = mEdgeIndex.find(BasicEdgeMap::edgeKey(a, b));
    return found == mEdgeIndex.end() ? -1 : static_cast<long>(found->second);
}

}  // namespace util

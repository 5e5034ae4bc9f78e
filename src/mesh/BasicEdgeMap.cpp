#include "mesh/BasicEdgeMap.h"

namespace util {

BasicEdgeMap::BasicEdgeMap(std::vector<Mesh::Polygon> const& faces) {
    for (Mesh::Polygon const& face : faces) {
        std::vector<unsigned int> const& v = face.vertexIndices;
        std::size_t const n = v.size();
        for (std::size_t k = 0; k < n; ++k) ++mEdgeCounts[edgeKey(v[k], v[(k + 1) % n])];
    }
}

bool BasicEdgeMap::isManifold() const {
    if (mEdgeCounts.empty()) return false;
    for (auto const& entry : mEdgeCounts)
        if (entry.second != 2) return false;
    return true;
}

bool BasicEdgeMap::isBoundary(unsigned int a, unsigned int b) const {
    auto const it = mEdgeCounts.find(edgeKey(a, b));
    return it != mEdgeCounts.end() && it->second == 1;
}

bool BasicEdgeMap::hasBoundary(std::vector<unsigned int> const& polygon) const {
    std::size_t const n = polygon.size();
    for (std::size_t k = 0; k < n; ++k)
        if (isBoundary(polygon[k], polygon[(k + 1) % n])) return true;
    return false;
}

float BasicEdgeMap::getBoundaryLength(std::vector<Vector3<float>> const& vertices) const {
    float length = 0.0f;
    for (auto const& entry : mEdgeCounts) {
        if (entry.second != 1) continue;
        auto const low = static_cast<unsigned int>(entry.first & 0xFFFFFFFFul);
        auto const high = static_cast<unsigned int>(entry.first >> 32);
        length += (vertices[high] - vertices[low]).length();
    }
    return length;
}

void BasicEdgeMap::fillBorderVertices(boost::dynamic_bitset<>& out) const {
    out.reset();
    for (auto const& entry : mEdgeCounts) {
        if (entry.second != 1) continue;
        out.set(entry.first & 0xFFFFFFFFul);
        out.set(entry.first >> 32);
    }
}

void BasicEdgeMap::getEdgesLineIndices(std::vector<unsigned int>& out) const {
    out.resize(2 * mEdgeCounts.size());
    std::size_t i = 0;
    for (auto const& entry : mEdgeCounts) {
        out[i++] = static_cast<unsigned int>(entry.first & 0xFFFFFFFFul);
        out[i++] = static_cast<unsigned int>(entry.first >> 32);
    }
}

}  // namespace util

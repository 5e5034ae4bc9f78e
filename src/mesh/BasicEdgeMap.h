#pragma once

#include <boost/dynamic_bitset.hpp>
#include <map>
#include <vector>

#include "base/Vector3.h"
#include "mesh/Mesh.h"

namespace util {

// Use counts of the undirected edges of a face list. An edge count of 1 is a boundary edge,
// 2 a manifold interior edge. Keys pack min(a, b) in the low and max(a, b) in the high 32 bits,
// so iteration lists edges by larger index first.
class TOOLBOX_API BasicEdgeMap {
public:
    static unsigned long edgeKey(unsigned int a, unsigned int b) {
        return a < b ? (static_cast<unsigned long>(a) | (static_cast<unsigned long>(b) << 32))
                     : (static_cast<unsigned long>(b) | (static_cast<unsigned long>(a) << 32));
    }

    explicit BasicEdgeMap(std::vector<Mesh::Polygon> const& faces);

    bool isManifold() const;
    bool isBoundary(unsigned int a, unsigned int b) const;
    bool hasBoundary(std::vector<unsigned int> const& polygon) const;
    float getBoundaryLength(std::vector<Vector3<float>> const& vertices) const;
    // out must be sized to the vertex count by the caller.
    void fillBorderVertices(boost::dynamic_bitset<>& out) const;
    // Two vertex indices (smaller first) per edge, in key order.
    void getEdgesLineIndices(std::vector<unsigned int>& out) const;

    std::map<unsigned long, unsigned int> const& getEdgeCounts() const { return mEdgeCounts; }

private:
    std::map<unsigned long, unsigned int> mEdgeCounts;
};

}  // namespace util

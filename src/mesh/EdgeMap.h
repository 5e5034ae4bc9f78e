#pragma once

#include <boost/dynamic_bitset.hpp>
#include <map>
#include <vector>

#include "mesh/Mesh.h"

namespace util {

// Edge adjacency of a mesh's faces (mFaces only). Holds a reference to the face vector it was
// built from: the mesh must outlive the map, and the map does not follow later edits.
class EdgeMap {
public:
    struct EdgeInfo {
        unsigned int lowVertex;
        unsigned int highVertex;
        bool reversed;  // the first face to use the edge runs high -> low
        std::vector<unsigned int> faces;  // in face order; a face using it twice appears twice
    };

    // With a filter, requireBoth keeps only edges with both ends set, else edges with one end set.
    EdgeMap(Mesh const& mesh, boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);
    void initFromFaces(boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);

    std::vector<EdgeInfo> const& getEdges() const { return mEdges; }
    // Position of the edge (a, b) in getEdges(), or -1 when absent.
    long findEdge(unsigned int a, unsigned int b) const;

private:
    std::vector<Mesh::Polygon> const& mFaces;
    std::vector<EdgeInfo> mEdges;
    std::map<unsigned long, unsigned long> mEdgeIndex;
};

}  // namespace util

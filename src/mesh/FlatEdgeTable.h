#pragma once

#include <boost/dynamic_bitset.hpp>
#include <cstddef>
#include <vector>

#include "mesh/Mesh.h"

namespace util {
namespace detail {

// The edges of a mesh's faces in the order and with the face lists of util::EdgeMap, held in
// flat arrays: passes that rebuild the adjacency of a large mesh many times would otherwise spend
// most of their time allocating and freeing one map node and one face list per edge.
class FlatEdgeTable {
public:
    struct Edge {
        unsigned int lowVertex;
        unsigned int highVertex;
        unsigned int firstFace;  // into faces()
        unsigned int faceCount;
    };

    FlatEdgeTable() = default;
    // With a filter, requireBoth keeps only edges with both ends set, else edges with one end set.
    FlatEdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                  boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);

    // Replaces the table by that of faces, keeping the arrays: a pass that rebuilds it every
    // sweep then neither allocates nor faults in fresh pages again.
    void build(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
               boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);
    // As build, for faces of which none that was empty at the last build has corners again, and
    // new ones only at the end: reads only the faces used then and the new ones, where build
    // reads every face of a list that sweeps have mostly emptied.
    void rebuildAfterEmptying(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                              boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);

    std::vector<Edge> const& edges() const { return mEdges; }
    // The faces using an edge, in face order; a face using it twice appears twice.
    unsigned int const* facesOf(Edge const& edge) const { return mFaces.data() + edge.firstFace; }

private:
    // The table of the faces in mUsedFaces.
    void buildFromUsed(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                       boost::dynamic_bitset<> const* vertexFilter, bool requireBoth);
    unsigned int findOrAdd(unsigned int a, unsigned int b);
    void insertSlot(unsigned int edge);

    std::vector<Edge> mEdges;
    std::vector<unsigned int> mFaces;
    // Per low vertex: its latest edge, none, or a mark that its edges are in mSlots instead.
    std::vector<unsigned int> mFirstEdgeOf;
    std::vector<unsigned int> mNextEdge;  // per edge: the previous edge of its low vertex
    // Open addressing on (low, high) for the edges of hashed vertices; EMPTY_KEY marks free.
    struct Slot {
        unsigned long key;
        unsigned int edge;
    };
    std::vector<Slot> mSlots;
    std::size_t mSlotsUsed = 0;
    std::vector<unsigned int> mUsedFaces;     // the faces with corners at the last build
    std::vector<unsigned int> mUsedCorners;   // and how many each had
    std::size_t mBuiltFaceCount = 0;          // the size of the face list then
    std::vector<unsigned int> mEdgeOfCorner;  // scratch of build
};

}  // namespace detail
}  // namespace util

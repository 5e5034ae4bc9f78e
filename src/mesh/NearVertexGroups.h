#pragma once

#include <boost/dynamic_bitset.hpp>
#include <vector>

#include "base/Vector3.h"

namespace util {
namespace detail {

// Grouping step of vertex merging: which vertices lie within a tolerance of which.
//
// Two positions are near when their squared distance, each difference taken in double from the
// float coordinates, is at most tolerance^2 (inclusive); a NaN or infinite coordinate is never
// near anything. Grouping does not chain: a group is one vertex and the vertices near *it*.
//
// Vertices [candidateStart, size) may join groups; only [first, size) start them, so the
// vertices of [candidateStart, first) are reference vertices that can only be a group's first
// member. processed has one bit per vertex; set bits (unselected vertices) never join a group,
// and every vertex placed in a group, or visited, gets its bit set. Groups are ascending, with at
// least two members, in the order of the vertex that started them.
enum class NeighbourSearch {
    DIRECT,        // quadratic scan: small inputs
    POINT_OCTREE,  // radius queries on a point octree over the candidate range
    CELL_GRID      // a hashed grid of cells; the octree's groups when there are no reference
                   // vertices, at a fraction of the cost
};

// The search the merge pass runs: the direct scan below 1000 candidates (below 100000 when
// fewer than 120 vertices start groups), otherwise the octree's groups, through the cell grid
// whenever no reference vertex exists.
NeighbourSearch chooseNeighbourSearch(unsigned long vertexCount, unsigned long candidateStart,
                                      unsigned long first);

// The octree searches throw RuntimeErrorST("Merge failed : Vertex (x, y, z) not found in
// octree.") on reaching a vertex that no radius query can find (non-finite coordinates, or a
// NaN tolerance); the positions are never changed. CELL_GRID requires first == candidateStart.
std::vector<std::vector<unsigned int>> findNearVertexGroups(
    std::vector<Vector3<float>> const& positions, float tolerance, unsigned long candidateStart,
    unsigned long first, boost::dynamic_bitset<>& processed, NeighbourSearch search);

}  // namespace detail
}  // namespace util

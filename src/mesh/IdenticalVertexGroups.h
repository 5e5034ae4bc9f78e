#pragma once

#include <vector>

#include "base/Vector3.h"
#include "mesh/Mesh.h"

namespace util {

class HoleRelation;

namespace detail {

// Identical-vertex groups (IVGs): sets of vertex indices that vertex merging welds into one.
// A stored group is sorted ascending and has at least two members or none. groupOfVertex maps
// each vertex to its group's position in the group list, or EMPTYIVG.
constexpr long EMPTYIVG = -1;

// Takes a member out of its group. A group of two is dissolved (a single vertex is no group):
// it is emptied and both members get EMPTYIVG.
void removeFromIVG(unsigned int vertex, std::vector<unsigned int>& group,
                   std::vector<long>& groupOfVertex);

// Stores candidate (sorted) as a new group at the back of groups and clears it; false, with
// candidate cleared, when it has fewer than two members. current is re-pointed at
// groups[currentIndex], since the append may move the groups.
bool addIVGToBackAndClear(std::vector<unsigned int>& candidate, std::vector<long>& groupOfVertex,
                          std::vector<std::vector<unsigned int>>& groups,
                          std::vector<unsigned int>*& current, long currentIndex);

// Edits the groups so that a weld cannot glue a hole to its own encircling face, to a hole of
// another face, or fold part of a hole into another face's corner. May exchange the positions
// of two vertices (never below firstMovable) so that a welded group lands on a hole vertex.
// Groups emptied on the way stay in place as empty lists.
void enforceHoleConsistency(std::vector<Mesh::Polygon> const& faces, HoleRelation const& holes,
                            std::vector<std::vector<unsigned int>>& groups,
                            std::vector<long>& groupOfVertex,
                            std::vector<Vector3<float>>& vertices, unsigned long firstMovable);

}  // namespace detail
}  // namespace util

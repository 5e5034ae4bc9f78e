#pragma once

#include <map>
#include <vector>

#include "base/Vector3.h"
#include "mesh/Mesh.h"

namespace util {

// Remembers which faces replaced which during one pass, so that the holes structure can be
// carried over to the surviving faces at its end. A successor may be replaced again later: the
// replacements form a forest whose leaves are the surviving faces.
class HoleSafeFaceReplacer {
public:
    // Records that face was replaced by successors, in order.
    void addReplacement(unsigned int face, std::vector<unsigned int> const& successors);
    bool empty() const { return mReplacements.empty(); }

    // Appends the surviving faces that face turned into (face itself if it was never replaced).
    void findAllSuccessors(unsigned int face, std::vector<unsigned int>& out) const;
    // The holes structure oldHoles, valid before the replacements, carried over to the
    // surviving faces: a face replaced by one face passes all its holes on; a face replaced by
    // several passes each hole to the pieces that contain it wholly (faces must be coplanar
    // with their holes). newHoles may be oldHoles.
    void writeToHoles(std::vector<unsigned int> const& oldHoles,
                      std::vector<Vector3<float>> const& vertices,
                      std::vector<Mesh::Polygon> const& faces,
                      std::vector<unsigned int>& newHoles) const;

private:
    std::map<unsigned int, std::vector<unsigned int>> mReplacements;
};

}  // namespace util

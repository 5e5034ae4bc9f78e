#include "mesh/HoleRelation.h"

#include "mesh/Mesh.h"

namespace util {

HoleRelation::HoleRelation(std::vector<unsigned int> const& holes) {
    std::size_t i = 0;
    while (i < holes.size()) {
        unsigned int const face = holes[i++];
        while (i < holes.size() && holes[i] != Mesh::HOLES_END) {
            mFaceToHoles[face].push_back(holes[i]);
            mHoleToFace[holes[i]] = face;
            ++i;
        }
        ++i;  // past HOLES_END
    }
}

}  // namespace util

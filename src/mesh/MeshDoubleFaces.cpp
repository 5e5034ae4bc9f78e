#include <vector>

#include "mesh/HoleRelation.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/MeshUtils.h"

namespace util {

namespace {
enum Direction : unsigned int { NONE = 0, SAME = 1, OPPOSITE = 2 };

// The directions in which face b runs through the same cyclic corner sequence as face a, among
// those asked for. Only indices are compared; positions are what vertex merging unified.
unsigned int copyDirections(Mesh const& mesh, unsigned int a, unsigned int b, unsigned int asked,
                            bool compareUVs) {
    std::vector<unsigned int> const& ca = mesh.mFaces[a].vertexIndices;
    std::vector<unsigned int> const& cb = mesh.mFaces[b].vertexIndices;
    std::size_t const n = ca.size();
    if (cb.size() != n) return NONE;
    std::size_t k = 0;
    while (k < n && ca[k] != cb[0]) ++k;
    if (k == n) return NONE;
    auto sameCorner = [k, n](std::size_t t) { return (t + k) % n; };
    auto oppositeCorner = [k, n](std::size_t t) { return (n + k - t) % n; };
    unsigned int found = NONE;
    for (unsigned int const direction : {SAME, OPPOSITE}) {
        if ((asked & direction) == 0) continue;
        auto corner = [&](std::size_t t) {
            return direction == SAME ? sameCorner(t) : oppositeCorner(t);
        };
        bool holds = true;
        for (std::size_t t = 0; holds && t < n; ++t) holds = cb[t] == ca[corner(t)];
        // Texture coordinates only for a cycle that matched: most candidates fail at once.
        for (std::size_t t = 0; holds && compareUVs && t < n; ++t)
            holds = MeshCleanupUtils::sameUVs(mesh, a, b, corner(t), t);
        if (holds) found |= direction;
    }
    return found;
}

void clearWithHoles(Mesh& mesh, HoleRelation const& holes, unsigned int face) {
    mesh.mFaces[face].clearIndices();
    auto const group = holes.mFaceToHoles.find(face);
    if (group == holes.mFaceToHoles.end()) return;
    for (unsigned int const hole : group->second) mesh.mFaces[hole].clearIndices();
}
}  // namespace

unsigned long Mesh::removeFacesDouble(RemoveFacesDoubleMode mode, bool compareUVs,
                                      boost::dynamic_bitset<>* vertexSelection) {
    unsigned int asked = NONE;
    if (mode == RFD_BOTH_OPPOSITE) asked = OPPOSITE;
    if (mode == RFD_SAME_ORIENTATION) asked = SAME;
    if (mode == RFD_ANY_ORIENTATION) asked = SAME | OPPOSITE;
    if (mFaces.empty() || asked == NONE) return 0;

    HoleRelation const holes(mHoles);
    std::vector<std::vector<unsigned int>> vertexFaces;
    MeshUtils::calculateVertex2Faces(*this, vertexFaces, &holes, vertexSelection);
    unsigned long count = 0;
    for (std::vector<unsigned int> const& faces : vertexFaces) {
        for (std::size_t i = 0; i < faces.size(); ++i) {
            unsigned int const a = faces[i];
            if (mFaces[a].vertexIndices.empty()) continue;
            for (std::size_t j = i + 1; j < faces.size(); ++j) {
                unsigned int const b = faces[j];
                // A face listed twice uses the vertex twice; it is no copy of itself.
                if (b == a || copyDirections(*this, a, b, asked, compareUVs) == NONE) continue;
                clearWithHoles(*this, holes, b);
                if (mode != RFD_BOTH_OPPOSITE) {
                    ++count;
                    continue;
                }
                clearWithHoles(*this, holes, a);
                count += 2;
                break;
            }
        }
    }
    if (count != 0) {
        removeEmptyFaces(nullptr);
        deleteUnusedVertices(vertexSelection);
        mCache.clear();
    }
    return count;
}

}  // namespace util

#include "mesh/HoleSafeFaceReplacer.h"

#include <algorithm>

#include "mesh/HoleRelation.h"
#include "mesh/MeshUtils.h"

namespace util {

void HoleSafeFaceReplacer::addReplacement(unsigned int face,
                                          std::vector<unsigned int> const& successors) {
    mReplacements[face] = successors;
}

void HoleSafeFaceReplacer::findAllSuccessors(unsigned int face,
                                             std::vector<unsigned int>& out) const {
    // Depth first in list order, with an explicit stack: chains of replacements can be long.
    std::vector<unsigned int> pending{face};
    while (!pending.empty()) {
        unsigned int const f = pending.back();
        pending.pop_back();
        auto const it = mReplacements.find(f);
        if (it == mReplacements.end())
            out.push_back(f);
        else
            pending.insert(pending.end(), it->second.rbegin(), it->second.rend());
    }
}

void HoleSafeFaceReplacer::writeToHoles(std::vector<unsigned int> const& oldHoles,
                                        std::vector<Vector3<float>> const& vertices,
                                        std::vector<Mesh::Polygon> const& faces,
                                        std::vector<unsigned int>& newHoles) const {
    if (mReplacements.empty()) {
        if (&newHoles != &oldHoles) newHoles = oldHoles;
        return;
    }
    HoleRelation const relation(oldHoles);
    std::map<unsigned int, std::vector<unsigned int>> recorded;
    std::vector<unsigned int> pieces;
    std::vector<unsigned int> holePieces;
    for (auto const& entry : relation.mFaceToHoles) {
        pieces.clear();
        findAllSuccessors(entry.first, pieces);
        for (unsigned int const s : pieces) {
            for (unsigned int const h : entry.second) {
                holePieces.clear();
                findAllSuccessors(h, holePieces);
                for (unsigned int const t : holePieces) {
                    std::vector<unsigned int>& holesOfS = recorded[s];
                    if (std::find(holesOfS.begin(), holesOfS.end(), t) != holesOfS.end()) continue;
                    if (pieces.size() == 1 ||
                        (MeshUtils::faceHasVertexInsideCoplanarFace(vertices, faces, t, s) &&
                         !MeshUtils::faceHasVertexOutsideCoplanarFace(vertices, faces, t, s)))
                        holesOfS.push_back(t);
                }
            }
        }
    }
    std::vector<unsigned int> result;
    for (auto const& entry : recorded) {
        if (entry.second.empty()) continue;
        result.push_back(entry.first);
        result.insert(result.end(), entry.second.begin(), entry.second.end());
        result.push_back(Mesh::HOLES_END);
    }
    newHoles.swap(result);
}

}  // namespace util

#include <vector>

#include "mesh/HoleRelation.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"

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

// The faces that may be copies of each other, grouped by their lowest selected vertex, each
// group ascending. A copy runs through the same corners as its original, so the two always land
// in one group, and almost every group holds a single face: comparing within groups finds what
// comparing all faces around every vertex finds, the same pairs in the same order, without the
// per-vertex face lists. Hole faces and faces without a selected vertex are left out.
class CandidateGroups {
public:
    CandidateGroups(Mesh const& mesh, HoleRelation const& holes,
                    boost::dynamic_bitset<> const* selection)
        : mStart(mesh.mVertices.size() + 1, 0) {
        std::vector<Mesh::Polygon> const& faces = mesh.mFaces;
        std::vector<unsigned int> key(faces.size(), NO_KEY);
        for (std::size_t f = 0; f < faces.size(); ++f) {
            if (!holes.mHoleToFace.empty() && holes.mHoleToFace.count(static_cast<unsigned int>(f)) != 0)
                continue;
            for (unsigned int const v : faces[f].vertexIndices)
                if (v < key[f] && (selection == nullptr || selection->test(v))) key[f] = v;
            if (key[f] != NO_KEY) ++mStart[key[f] + 1];
        }
        for (std::size_t v = 1; v < mStart.size(); ++v) mStart[v] += mStart[v - 1];
        mFaces.resize(mStart.back());
        std::vector<unsigned int> fill(mStart.begin(), mStart.end() - 1);
        for (std::size_t f = 0; f < faces.size(); ++f)
            if (key[f] != NO_KEY) mFaces[fill[key[f]]++] = static_cast<unsigned int>(f);
    }

    std::size_t count() const { return mStart.size() - 1; }
    unsigned int const* begin(std::size_t group) const { return mFaces.data() + mStart[group]; }
    unsigned int const* end(std::size_t group) const { return mFaces.data() + mStart[group + 1]; }

private:
    static constexpr unsigned int NO_KEY = 0xFFFFFFFFu;
    std::vector<unsigned int> mStart;
    std::vector<unsigned int> mFaces;
};
}  // namespace

unsigned long Mesh::removeFacesDouble(RemoveFacesDoubleMode mode, bool compareUVs,
                                      boost::dynamic_bitset<>* vertexSelection) {
    unsigned int asked = NONE;
    if (mode == RFD_BOTH_OPPOSITE) asked = OPPOSITE;
    if (mode == RFD_SAME_ORIENTATION) asked = SAME;
    if (mode == RFD_ANY_ORIENTATION) asked = SAME | OPPOSITE;
    if (mFaces.empty() || asked == NONE) return 0;

    HoleRelation const holes(mHoles);
    CandidateGroups const groups(*this, holes, vertexSelection);
    unsigned long count = 0;
    for (std::size_t g = 0; g < groups.count(); ++g) {
        unsigned int const* const last = groups.end(g);
        for (unsigned int const* i = groups.begin(g); i != last; ++i) {
            unsigned int const a = *i;
            if (mFaces[a].vertexIndices.empty()) continue;
            for (unsigned int const* j = i + 1; j != last; ++j) {
                unsigned int const b = *j;
                if (copyDirections(*this, a, b, asked, compareUVs) == NONE) continue;
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

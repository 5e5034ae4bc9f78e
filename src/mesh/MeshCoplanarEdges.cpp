#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "base/HugePages.h"
#include "base/Vector3.h"
#include "mesh/FlatEdgeTable.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/MeshUtils.h"

namespace util {
namespace {
constexpr float RADIANS_PER_DEGREE = 0.017453292f;
// Candidates closer in angle than this (0.1 degree) are tried in edge order, so that the order
// stays deterministic while the flattest pairs still go first.
constexpr float ANGLE_BUCKET = 0.0017453292f;
constexpr unsigned int NO_FACE = 0xFFFFFFFFu;

using LoopMap = std::map<unsigned int, std::vector<unsigned int>>;

// Where each face emptied by a merge went, indexed by face: looked up for every candidate edge.
class MergedMap {
public:
    explicit MergedMap(std::size_t faceCount = 0) : mTarget(faceCount, NO_FACE) {}
    // NO_FACE when the face went nowhere.
    unsigned int find(unsigned int face) const {
        return face < mTarget.size() ? mTarget[face] : NO_FACE;
    }
    void set(unsigned int face, unsigned int target) {
        if (face >= mTarget.size()) mTarget.resize(face + 1, NO_FACE);
        mTarget[face] = target;
    }

private:
    std::vector<unsigned int> mTarget;
};

// Calls visit(face, hole) for every entry of a holes structure, in order.
template <typename Visit>
void forEachHole(std::vector<unsigned int> const& holes, Visit visit) {
    for (std::size_t i = 0; i < holes.size();) {
        unsigned int const face = holes[i++];
        for (; i < holes.size() && holes[i] != Mesh::HOLES_END; ++i) visit(face, holes[i]);
        ++i;  // past HOLES_END
    }
}

// Per face, the face it is a hole of, or NO_FACE; a later group overwrites an earlier one.
std::vector<unsigned int> encirclingFaces(std::vector<unsigned int> const& holes,
                                          std::size_t faceCount) {
    std::vector<unsigned int> encircling(faceCount, NO_FACE);
    forEachHole(holes, [&encircling](unsigned int face, unsigned int hole) {
        if (hole < encircling.size()) encircling[hole] = face;  // no face has that index
    });
    return encircling;
}

// A run of indices in a flat array: the faces using an edge or a vertex, the holes of a face.
struct IndexRun {
    unsigned int const* first;
    std::size_t count;
    std::size_t size() const { return count; }
    unsigned int operator[](std::size_t i) const { return first[i]; }
    unsigned int const* begin() const { return first; }
    unsigned int const* end() const { return first + count; }
};

// Values grouped by a key below keyCount with a counting sort, each group in the order the
// pairs come in: a list per key would cost an allocation for each of hundreds of thousands.
class Groups {
public:
    // forEachPair(emit) calls emit(key, value) for every pair, the same pairs both times it runs.
    template <typename ForEachPair>
    Groups(std::size_t keyCount, ForEachPair forEachPair) : mStart(keyCount + 1, 0) {
        forEachPair([this](unsigned int key, unsigned int) { ++mStart[key + 1]; });
        for (std::size_t k = 0; k < keyCount; ++k) mStart[k + 1] += mStart[k];
        mValues.resize(mStart[keyCount]);
        std::vector<unsigned int> next(mStart.begin(), mStart.end() - 1);
        forEachPair([&](unsigned int key, unsigned int value) { mValues[next[key]++] = value; });
    }
    IndexRun of(std::size_t key) const {
        return {mValues.data() + mStart[key], mStart[key + 1] - mStart[key]};
    }

private:
    std::vector<unsigned int> mStart;  // per key, into mValues; one more at the end
    std::vector<unsigned int> mValues;
};

// The holes structure as a sweep reads it: each hole's encircling face in a flat array, and
// each face's holes in face order. A later group overwrites an earlier one's encircling face.
class SweepHoles {
public:
    SweepHoles(std::vector<unsigned int> const& holes, std::size_t faceCount)
        : mEncircling(encirclingFaces(holes, faceCount)) {
        forEachHole(holes, [this](unsigned int face, unsigned int hole) {
            mFaceToHoles[face].push_back(hole);
        });
    }

    bool isHole(unsigned int face) const {
        return face < mEncircling.size() && mEncircling[face] != NO_FACE;
    }
    unsigned int encirclingOf(unsigned int hole) const { return mEncircling[hole]; }

    std::map<unsigned int, std::vector<unsigned int>> mFaceToHoles;

private:
    std::vector<unsigned int> mEncircling;
};

// Follows emptied faces to the face they went into. Every entry points at a face that still had
// corners when it was made, so chains end; the step limit only guards against a broken map.
bool getMerged(unsigned int& face, std::vector<Mesh::Polygon> const& faces,
               MergedMap const& merged) {
    for (std::size_t steps = 0; faces[face].vertexIndices.empty() && steps <= faces.size();
         ++steps) {
        unsigned int const target = merged.find(face);
        if (target == NO_FACE) break;
        face = target;
    }
    return !faces[face].vertexIndices.empty();
}

// The face that a hole's encircling face has become.
unsigned int resolvedEncircling(std::vector<Mesh::Polygon> const& faces, SweepHoles const& holes,
                                MergedMap const& merged, unsigned int hole) {
    unsigned int face = holes.encirclingOf(hole);
    getMerged(face, faces, merged);
    return face;
}

// The pair of faces an edge would merge. Holes merge only with holes of the same face; on an
// edge used by more than two faces only such a pair of holes counts.
bool getAdjacentFaces(std::vector<Mesh::Polygon> const& faces, IndexRun const& users,
                      SweepHoles const& holes, MergedMap const& merged, unsigned int& a,
                      unsigned int& b) {
    if (users.size() < 2) return false;
    auto sameEncircling = [&](unsigned int x, unsigned int y) {
        return resolvedEncircling(faces, holes, merged, x) ==
               resolvedEncircling(faces, holes, merged, y);
    };
    if (users.size() == 2) {
        a = users[0];
        b = users[1];
        return !(holes.isHole(a) && holes.isHole(b) && !sameEncircling(a, b));
    }
    int found = 0;
    for (unsigned int const face : users) {
        if (!holes.isHole(face)) continue;
        if (found == 2) return false;
        if (found == 0) {
            a = face;
        } else {
            b = face;
            if (!sameEncircling(a, b)) return false;
        }
        ++found;
    }
    return found == 2;
}

// Two holes always merge; otherwise a hole stands for its encircling face and the normals must
// differ by less than the tolerance (radians).
bool canMergeAndCalcAngle(std::vector<Mesh::Polygon> const& faces, MergedMap const& merged,
                          SweepHoles const& holes, unsigned int a, unsigned int b, float& angle,
                          float tolerance) {
    angle = 0.0f;
    bool const aHole = holes.isHole(a);
    bool const bHole = holes.isHole(b);
    if (aHole && bHole) return true;
    if (tolerance < 0.0f) return false;
    if (aHole) a = resolvedEncircling(faces, holes, merged, a);
    if (bHole) b = resolvedEncircling(faces, holes, merged, b);
    angle = angleBetweenUnitVector3s(faces[a].faceNormal, faces[b].faceNormal);
    return angle < tolerance;
}

struct Candidate {
    float angle;
    unsigned int edge;
};

// What the sweeps of one pass reuse, so that each sweep does not allocate it again.
struct SweepScratch {
    detail::FlatEdgeTable edges;
    // A sweep that changed no face leaves the mesh as it found it: the next sweep, the first
    // strict one, then takes over its edge table and candidates instead of finding them again.
    bool unchanged = false;
    std::vector<Candidate> candidates;
    std::vector<unsigned int> seen;  // per vertex: the stamp of the last corner list checked
    unsigned int stamp = 0;

    bool hasRepeatedVertex(std::vector<unsigned int> const& corners) {
        if (++stamp == 0) {
            std::fill(seen.begin(), seen.end(), 0u);
            stamp = 1;
        }
        for (unsigned int const v : corners) {
            if (v >= seen.size()) seen.resize(v + 1, 0u);
            if (seen[v] == stamp) return true;
            seen[v] = stamp;
        }
        return false;
    }
};

// One sweep over the edges of the mesh as it stands. Faces emptied by a merge stay in place, so
// face indices hold for the whole pass; the merged map says where each one went.
class CoplanarSweep {
public:
    CoplanarSweep(Mesh& mesh, float tolerance, bool checkUVs, bool strict,
                  boost::dynamic_bitset<> const* selection, SweepScratch& scratch)
        : mMesh(mesh),
          mFaces(mesh.mFaces),
          mTolerance(tolerance),
          mCheckUVs(checkUVs),
          mStrict(strict),
          mRelation(mesh.mHoles, mesh.mFaces.size()),
          mScratch(scratch),
          mEdges(scratch.edges),
          mMerged(mesh.mFaces.size()),
          mTouched(mesh.mFaces.size()) {
        // No face emptied by a sweep gets corners again, and loop faces are appended.
        if (!scratch.unchanged)
            scratch.edges.rebuildAfterEmptying(mesh.mFaces, mesh.mVertices.size(), selection, true);
    }

    // Returns the number of edges removed.
    unsigned long run() {
        std::vector<detail::FlatEdgeTable::Edge> const& edges = mEdges.edges();
        if (!mScratch.unchanged) orderCandidates(mScratch.candidates);
        for (Candidate const& candidate : mScratch.candidates) tryEdge(edges[candidate.edge]);
        if (mRemoved > 0) rebuildHoles();
        mScratch.unchanged = !mChanged;
        return mRemoved;
    }

private:
    void orderCandidates(std::vector<Candidate>& candidates) const {
        candidates.clear();
        std::vector<detail::FlatEdgeTable::Edge> const& edges = mEdges.edges();
        MergedMap const none;
        // The faces' normals are what the loop waits for; those of the edges ahead are fetched
        // early.
        constexpr std::size_t AHEAD = 8;
        for (std::size_t e = 0; e < edges.size(); ++e) {
            if (e + AHEAD < edges.size() && edges[e + AHEAD].faceCount >= 2) {
                unsigned int const* const users = mEdges.facesOf(edges[e + AHEAD]);
                __builtin_prefetch(&mFaces[users[0]].faceNormal);
                __builtin_prefetch(&mFaces[users[1]].faceNormal);
            }
            unsigned int a = 0, b = 0;
            float angle = 0.0f;
            if (!getAdjacentFaces(mFaces, usersOf(edges[e]), mRelation, none, a, b) ||
                !canMergeAndCalcAngle(mFaces, none, mRelation, a, b, angle, mTolerance))
                continue;
            if (mCheckUVs &&
                !(sameUVsAt(a, b, edges[e].lowVertex) && sameUVsAt(a, b, edges[e].highVertex)))
                continue;
            candidates.push_back({angle, static_cast<unsigned int>(e)});
        }
        std::sort(candidates.begin(), candidates.end(), [](Candidate const& x, Candidate const& y) {
            return x.angle < y.angle || (x.angle == y.angle && x.edge < y.edge);
        });
        for (std::size_t i = 0; i < candidates.size();) {
            float const limit = candidates[i].angle + ANGLE_BUCKET;
            std::size_t j = i + 1;
            while (j < candidates.size() && candidates[j].angle < limit) ++j;
            std::sort(candidates.begin() + static_cast<long>(i),
                      candidates.begin() + static_cast<long>(j),
                      [](Candidate const& x, Candidate const& y) { return x.edge < y.edge; });
            i = j;
        }
    }

    bool sameUVsAt(unsigned int a, unsigned int b, unsigned int vertex) const {
        std::vector<unsigned int> const& ca = mFaces[a].vertexIndices;
        std::vector<unsigned int> const& cb = mFaces[b].vertexIndices;
        auto const pa = std::find(ca.begin(), ca.end(), vertex);
        auto const pb = std::find(cb.begin(), cb.end(), vertex);
        if (pa == ca.end() || pb == cb.end()) return false;
        return MeshCleanupUtils::sameUVs(mMesh, a, b, static_cast<unsigned long>(pa - ca.begin()),
                                         static_cast<unsigned long>(pb - cb.begin()));
    }

    bool touched(unsigned int face) const { return face < mTouched.size() && mTouched[face]; }
    void touch(unsigned int face) {
        if (face >= mTouched.size()) mTouched.resize(face + 1);
        mTouched[face] = true;
    }

    IndexRun usersOf(detail::FlatEdgeTable::Edge const& edge) const {
        return {mEdges.facesOf(edge), edge.faceCount};
    }

    void tryEdge(detail::FlatEdgeTable::Edge const& edge) {
        unsigned int a = 0, b = 0;
        if (!getAdjacentFaces(mFaces, usersOf(edge), mRelation, mMerged, a, b)) return;
        if (touched(a) || touched(b)) {
            // Normal sweeps let a face grow any number of times; strict sweeps, which may split
            // faces into loops, take each face once.
            if (mStrict) return;
            float angle = 0.0f;
            if (!getMerged(a, mFaces, mMerged) || !getMerged(b, mFaces, mMerged) || a == b ||
                !canMergeAndCalcAngle(mFaces, mMerged, mRelation, a, b, angle, mTolerance))
                return;
        }
        if (a != b) merge(a, b, edge.lowVertex);
    }

    // The merged face is built aside and only then replaces a and empties b, so that a merge
    // rejected for turning the face over or for touching itself costs no copies.
    void merge(unsigned int a, unsigned int b, unsigned int vertex) {
        if (mRelation.isHole(b) && !mRelation.isHole(a)) std::swap(a, b);  // the hole receives
        Mesh::Polygon merged;
        MeshCleanupUtils::MergeResult const result =
            MeshCleanupUtils::mergedFace(mFaces[a], mFaces[b], vertex, merged);
        if (result == MeshCleanupUtils::MERGE_NONE) {
            if (!mFaces[b].vertexIndices.empty()) return;
            // b lost its corners earlier in this sweep: a stays as it is, yet both count as merged.
            merged = mFaces[a];
        }
        bool const cancelled =
            result == MeshCleanupUtils::MERGE_CANCELLED || merged.vertexIndices.empty();
        std::vector<Mesh::Polygon> loops;
        if (!cancelled) {
            // A boundary touching itself waits for the strict sweeps, which split it into loops.
            // A normal sweep refuses it whichever way it faces, so before paying for its normal.
            bool const touchesItself = mScratch.hasRepeatedVertex(merged.vertexIndices);
            if (touchesItself && !mStrict) return;
            if (result == MeshCleanupUtils::MERGE_DONE)
                MeshUtils::calcPolyNormal(mMesh.mVertices, &merged.vertexIndices,
                                          merged.faceNormal);
            if (mFaces[a].faceNormal.dot(merged.faceNormal) < 0.0f) return;
            if (touchesItself &&
                !MeshCleanupUtils::extractAndRemoveLoops(mMesh.mVertices, merged, loops, false))
                return;
        }
        long edgeEnds =
            static_cast<long>(mFaces[a].vertexIndices.size() + mFaces[b].vertexIndices.size()) -
            static_cast<long>(merged.vertexIndices.size());
        for (Mesh::Polygon const& loop : loops)
            edgeEnds -= static_cast<long>(loop.vertexIndices.size());
        if (edgeEnds > 0) mRemoved += static_cast<unsigned long>(edgeEnds / 2);
        mChanged = true;
        if (result == MeshCleanupUtils::MERGE_CANCELLED)
            mFaces[a].clearIndices();
        else
            mFaces[a] = std::move(merged);
        if (result != MeshCleanupUtils::MERGE_NONE) mFaces[b].clearIndices();
        touch(a);
        touch(b);
        bool const aHole = mRelation.isHole(a);
        if (aHole && (!mRelation.isHole(b) || cancelled))
            mMerged.set(b, resolvedEncircling(mFaces, mRelation, mMerged, a));
        else if (!cancelled)
            mMerged.set(b, a);
        if (!loops.empty()) appendLoops(a, b, loops);
    }

    // Loop faces go to the end of the face list, in the material range of the face they came
    // from, and are remembered under the face they will become holes of.
    void appendLoops(unsigned int a, unsigned int b, std::vector<Mesh::Polygon>& loops) {
        auto const first = static_cast<unsigned int>(mFaces.size());
        if (!mMesh.mFaceMaterials.empty()) {
            Material const material = mMesh.getFaceMaterial(a);
            if (mMesh.mFaceMaterials.back() != material) {
                mMesh.mFaceMaterials.push_back(material);
                mMesh.mFaceMaterialStartIndices.push_back(first);
            }
        }
        for (Mesh::Polygon& loop : loops) appendFace(std::move(loop));
        auto const end = static_cast<unsigned int>(mFaces.size());
        if (!mRelation.isHole(a)) {
            recordLoops(a, first, end);
        } else if (!mRelation.isHole(b)) {
            recordLoops(resolvedEncircling(mFaces, mRelation, mMerged, a), first, end);
        } else {
            moveHolesIntoLoops(a, first);
        }
    }

    // Grows the face list as push_back does, but into advised memory: the first loop of a pass
    // moves every face of the mesh, and on fresh small pages that move costs more than the sweep.
    void appendFace(Mesh::Polygon&& face) {
        if (mFaces.size() == mFaces.capacity())
            reserveAdvised(mFaces, std::max<std::size_t>(2 * mFaces.size(), 16));
        mFaces.push_back(std::move(face));
    }

    void recordLoops(unsigned int owner, unsigned int first, unsigned int end) {
        std::vector<unsigned int>& list = mLoops[owner];
        for (unsigned int f = first; f < end; ++f) list.push_back(f);
    }

    // Two merged holes that enclose a loop cut an island out of their face: the face's other
    // holes that lie on the island move to it, as copies appended behind the loops.
    void moveHolesIntoLoops(unsigned int mergedHole, unsigned int first) {
        unsigned int const owner = resolvedEncircling(mFaces, mRelation, mMerged, mergedHole);
        auto const found = mRelation.mFaceToHoles.find(owner);
        if (found == mRelation.mFaceToHoles.end()) return;
        for (unsigned int hole : found->second) {
            if (!getMerged(hole, mFaces, mMerged) || hole == mergedHole) continue;
            Vector3<float> const corner = mMesh.mVertices[mFaces[hole].vertexIndices[0]];
            for (std::size_t island = first; island < mFaces.size(); ++island) {
                if (!MeshUtils::coplanarVertexIsInsideFace(mMesh.mVertices, mFaces[island], corner))
                    continue;
                appendFace(Mesh::Polygon(mFaces[hole]));
                mFaces[hole].clearIndices();
                mLoops[static_cast<unsigned int>(island)].push_back(
                    static_cast<unsigned int>(mFaces.size() - 1));
                break;
            }
        }
    }

    // The holes structure anew: each remaining face with its holes in the order they are found
    // here, each once, the faces in index order.
    void rebuildHoles() {
        std::vector<std::pair<unsigned int, unsigned int>> found;  // (face, hole)
        auto add = [&found](unsigned int face, unsigned int hole) {
            found.emplace_back(face, hole);
        };
        for (auto const& [face, holes] : mRelation.mFaceToHoles) {
            unsigned int owner = face;
            bool const ownerLeft = getMerged(owner, mFaces, mMerged);
            for (unsigned int hole : holes) {
                if (!getMerged(hole, mFaces, mMerged) || hole == owner) continue;
                // A face that vanished takes its holes with it.
                if (ownerLeft)
                    add(owner, hole);
                else
                    mFaces[hole].clearIndices();
            }
        }
        for (auto const& [key, loops] : mLoops) {
            unsigned int owner = key;
            bool const ownerLeft = getMerged(owner, mFaces, mMerged);
            for (unsigned int const loop : loops) {
                if (mFaces[loop].vertexIndices.empty()) continue;
                // A loop wound with its face covers it twice; one wound against it is a hole.
                if (!ownerLeft || mFaces[owner].faceNormal.dot(mFaces[loop].faceNormal) > 0.0f)
                    mFaces[loop].clearIndices();
                else
                    add(owner, loop);
            }
        }
        // Grouped by face, which keeps the order within a face; a stamp per hole drops repeats,
        // where searching each face's list made walls with hundreds of windows quadratic.
        Groups const holesOf(mFaces.size(), [&found](auto emit) {
            for (auto const& [face, hole] : found) emit(face, hole);
        });
        std::vector<unsigned int> addedTo(mFaces.size(), NO_FACE);
        std::vector<unsigned int>& out = mMesh.mHoles;
        out.clear();
        for (std::size_t f = 0; f < mFaces.size(); ++f) {
            IndexRun const holes = holesOf.of(f);
            if (holes.size() == 0) continue;
            auto const face = static_cast<unsigned int>(f);
            out.push_back(face);
            for (unsigned int const hole : holes) {
                if (addedTo[hole] == face) continue;
                addedTo[hole] = face;
                out.push_back(hole);
            }
            out.push_back(Mesh::HOLES_END);
        }
    }

    Mesh& mMesh;
    std::vector<Mesh::Polygon>& mFaces;
    float const mTolerance;
    bool const mCheckUVs;
    bool const mStrict;
    SweepHoles const mRelation;
    SweepScratch& mScratch;
    detail::FlatEdgeTable const& mEdges;
    MergedMap mMerged;
    std::vector<bool> mTouched;
    LoopMap mLoops;
    unsigned long mRemoved = 0;
    bool mChanged = false;
};
}  // namespace

unsigned long Mesh::removeEdgesCoplanar(float toleranceDegrees, bool checkUVs, bool keepEmptyFaces,
                                        boost::dynamic_bitset<>* selection) {
    float const tolerance = toleranceDegrees * RADIANS_PER_DEGREE;
    if (mFaces.size() <= 1 || (tolerance < 0.0f && mHoles.empty())) return 0;
    unsigned long total = 0;
    // Normal sweeps until one changes nothing, then strict sweeps until one changes nothing.
    bool strict = false;
    SweepScratch scratch;
    scratch.seen.assign(mVertices.size(), 0u);
    for (;;) {
        unsigned long const removed =
            CoplanarSweep(*this, tolerance, checkUVs, strict, selection, scratch).run();
        total += removed;
        if (removed == 0) {
            if (strict) break;
            strict = true;
        }
    }
    mCache.clear();
    if (!keepEmptyFaces) {
        removeEmptyFaces(nullptr);
        deleteUnusedVertices(selection);
    }
    if (tolerance >= 0.0f) detachSharedHoleVertices(selection);
    return total;
}

namespace {
// Group numbers for the faces using one vertex: 0 keeps the vertex; each hole that must let go
// of it gets its own number, and a face that runs along such a hole for more than one edge
// joins the hole's number.
unsigned int assignDetachGroups(Mesh const& mesh, IndexRun const& users,
                                std::vector<unsigned int> const& encircling, unsigned int vertex,
                                std::vector<unsigned int>& group) {
    std::size_t const count = users.size();
    group.assign(count, 0);
    unsigned int groups = 0;
    bool holeKeepsVertex = false;
    for (std::size_t k = 0; k < count; ++k) {
        unsigned int const owner = encircling[users[k]];
        if (owner == NO_FACE) continue;
        bool const ownerHere = std::find(users.begin(), users.end(), owner) != users.end();
        if (!ownerHere && !holeKeepsVertex)
            holeKeepsVertex = true;
        else
            group[k] = ++groups;
    }
    if (groups == 0) return 0;
    for (std::size_t k = 0; k < count; ++k) {
        unsigned int const face = users[k];
        if (encircling[face] != NO_FACE) continue;
        for (std::size_t m = 0; m < count; ++m) {
            unsigned int const hole = users[m];
            if (m == k || group[m] == 0 || encircling[hole] == NO_FACE || encircling[hole] == face)
                continue;
            unsigned long startA = 0, startB = 0, length = 0;
            MeshCleanupUtils::findCommonInvertedSequence(mesh.mFaces[face].vertexIndices,
                                                         mesh.mFaces[hole].vertexIndices, startA,
                                                         startB, length, vertex);
            if (length > 2) {
                group[k] = group[m];
                break;
            }
        }
    }
    return groups;
}
}  // namespace

void Mesh::detachSharedHoleVertices(boost::dynamic_bitset<>* vertexFlags) {
    if (mHoles.empty()) return;
    std::size_t const vertexCount = mVertices.size();
    // The faces using each vertex, in face order; a face using a vertex twice appears twice.
    Groups const users(vertexCount, [this](auto emit) {
        for (std::size_t f = 0; f < mFaces.size(); ++f)
            for (unsigned int const v : mFaces[f].vertexIndices)
                emit(v, static_cast<unsigned int>(f));
    });
    std::vector<unsigned int> const encircling = encirclingFaces(mHoles, mFaces.size());

    std::vector<unsigned int> group;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        IndexRun const faces = users.of(v);
        std::size_t const count = faces.size();
        if (count < 2) continue;
        auto const vertex = static_cast<unsigned int>(v);
        unsigned int const groups = assignDetachGroups(*this, faces, encircling, vertex, group);
        for (unsigned int g = 1; g <= groups; ++g) {
            unsigned int copy = NO_FACE;
            for (std::size_t k = 0; k < count; ++k) {
                if (group[k] != g) continue;
                Polygon& face = mFaces[faces[k]];
                auto const at =
                    std::find(face.vertexIndices.begin(), face.vertexIndices.end(), vertex);
                if (at == face.vertexIndices.end()) continue;
                auto const position = static_cast<unsigned long>(at - face.vertexIndices.begin());
                if (copy == NO_FACE) {
                    Vector3<float> const original = mVertices[v];
                    mVertices.push_back(original);
                    copy = static_cast<unsigned int>(mVertices.size() - 1);
                    *at = copy;
                    if (vertexFlags != nullptr)
                        vertexFlags->push_back(v < vertexFlags->size() && vertexFlags->test(v));
                    MeshCleanupUtils::moveVertexInwards(mVertices, face, position);
                } else {
                    *at = copy;
                    MeshUtils::calcPolyNormal(mVertices, &face.vertexIndices, face.faceNormal);
                }
            }
        }
    }
    mCache.clear();
}

}  // namespace util

#include <algorithm>
#include <cmath>
#include <utility>

#include "mesh/HoleUtils.h"
#include "mesh/Mesh.h"
#include "mesh/MeshUtils.h"
#include "spatial/BBoxOctree.h"

namespace util {

namespace {
// Boxes are widened by the distance under which positions count as identical, so that every
// face vertex or edge close to a hole is found by a box query.
constexpr float BOX_MARGIN = 0.0008f;
constexpr std::size_t OCTREE_MIN_MESH_VERTICES = 100;
constexpr std::size_t OCTREE_MIN_HOLES_ENTRIES = 20;
constexpr unsigned long OCTREE_MIN_GROUP_HOLES = 20;
constexpr std::size_t OCTREE_MIN_FACE_VERTICES = 100;
constexpr unsigned int MAX_OCTREE_DEPTH = 10;

using Box = BasicBoundingBox<float>;

void widen(Box& box) {
    for (int k = 0; k < 3; ++k) {
        box.min[k] -= BOX_MARGIN;
        box.max[k] += BOX_MARGIN;
    }
}

void extendProjected(Box& box, Vector3<float> p, int axis) {
    p[axis] = 0.0f;
    box.extend(p);
}

void computeBoundingBoxProjectedTo2D(Box& box, std::vector<Vector3<float>> const& vertices,
                                     Mesh::Polygon const& face, int axis) {
    for (unsigned int const v : face.vertexIndices) extendProjected(box, vertices[v], axis);
    widen(box);
}

// The smallest depth whose full tree has at least m nodes.
unsigned int octreeDepthFor(unsigned long m) {
    double const depth = std::ceil(std::log(std::cbrt(7.0 * static_cast<double>(m) + 1.0)) /
                                   0.6931471805599453);
    return static_cast<unsigned int>(std::min(std::max(depth, 1.0), double(MAX_OCTREE_DEPTH)));
}

bool isFinite(Box const& box) {
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(box.min[k]) || !std::isfinite(box.max[k])) return false;
    return true;
}
}  // namespace

void Mesh::cleanupHoles(unsigned long& removedEntries, unsigned long& removedHoles,
                        unsigned long& invertedHoles, bool preserve, bool sanitize) {
    removedEntries = 0;
    removedHoles = 0;
    invertedHoles = 0;
    if (mHoles.empty()) return;
    if (sanitize) {
        std::vector<unsigned int> sanitized;
        HoleUtils::removeIllegalHolesStructureEntries(mHoles.data(), mHoles.size(), mFaces.size(),
                                                      sanitized, preserve);
        removedEntries = mHoles.size() - sanitized.size();
        mHoles.swap(sanitized);
    }
    bool const octreeAllowed =
        mVertices.size() > OCTREE_MIN_MESH_VERTICES || mHoles.size() > OCTREE_MIN_HOLES_ENTRIES;
    // The octree route reads the holes of a face's first group; after sanitising that is the
    // group at hand, and looking it up again for every group would be quadratic.
    boost::dynamic_bitset<> encircling(mFaces.size());
    std::size_t i = 0;
    while (i < mHoles.size()) {
        unsigned int const face = mHoles[i];
        unsigned long holeCount = 0;
        while (i + 1 + holeCount < mHoles.size() && mHoles[i + 1 + holeCount] != HOLES_END) ++holeCount;
        bool const firstGroup = face < mFaces.size() && !encircling.test_set(face);
        if (octreeAllowed && face < mFaces.size() && useOctreeRoute(i, holeCount)) {
            cleanupGroupUsingOctree(removedHoles, invertedHoles, mFaces[face], face, holeCount,
                                    firstGroup ? i : firstHoleGroup(face), preserve);
            i += holeCount + 2;
            continue;
        }
        i = cleanupGroupDirectly(removedHoles, invertedHoles, i, preserve);
    }
    if (removedHoles > 0) {
        removeEmptyFaces(nullptr);
        deleteUnusedVertices(nullptr);
    }
}

bool Mesh::useOctreeRoute(std::size_t groupStart, unsigned long holeCount) const {
    Polygon const& outline = mFaces[mHoles[groupStart]];
    if (!(holeCount > OCTREE_MIN_GROUP_HOLES ||
          (holeCount >= 1 && outline.vertexIndices.size() > OCTREE_MIN_FACE_VERTICES)))
        return false;
    // All boxes are flattened along one axis, so every hole must share the face's.
    int const axis = MeshUtils::dominantAxis(outline.faceNormal);
    for (unsigned long j = 0; j < holeCount; ++j) {
        unsigned int const hole = mHoles[groupStart + 1 + j];
        if (hole >= mFaces.size() || MeshUtils::dominantAxis(mFaces[hole].faceNormal) != axis)
            return false;
    }
    // A face without a finite extent gives no usable cube; the direct check decides the same.
    Box box;
    computeBoundingBoxProjectedTo2D(box, mVertices, outline, axis);
    return outline.vertexIndices.size() >= 3 && isFinite(box);
}

std::size_t Mesh::cleanupGroupDirectly(unsigned long& removedHoles, unsigned long& invertedHoles,
                                       std::size_t groupStart, bool preserve) {
    unsigned int const face = mHoles[groupStart];
    std::size_t end = groupStart + 1;
    while (end < mHoles.size() && mHoles[end] != HOLES_END) ++end;
    if (face < mFaces.size()) {
        std::vector<unsigned int> earlierHoles;
        for (std::size_t position = groupStart + 1; position < end; ++position) {
            unsigned int const hole = mHoles[position];
            if (hole >= mFaces.size()) continue;
            if (hole == face) {
                earlierHoles.push_back(hole);
                continue;
            }
            bool const rejected = holeIsRejected(face, hole, earlierHoles);
            earlierHoles.push_back(hole);
            if (rejected) {
                mFaces[hole].clearIndices();
                ++removedHoles;
            } else {
                invertIfFacingTheSameWay(invertedHoles, face, hole, preserve);
            }
        }
    }
    return end + 1;
}

void Mesh::cleanupFaceHolesDirectly(unsigned long& removedHoles, unsigned long& invertedHoles,
                                    unsigned int faceIndex, bool preserve) {
    std::size_t const group = firstHoleGroup(faceIndex);
    if (group < mHoles.size()) cleanupGroupDirectly(removedHoles, invertedHoles, group, preserve);
}

bool Mesh::holeIsRejected(unsigned int face, unsigned int hole,
                          std::vector<unsigned int>& earlierHoles) const {
    Polygon const& outline = mFaces[face];
    Polygon const& candidate = mFaces[hole];
    if (MeshUtils::facesHaveIdenticalVertices(mVertices, outline, candidate) ||
        MeshUtils::faceHasVertexInsideCoplanarFace(mVertices, mFaces, face, hole) ||
        MeshUtils::coplanarFacesHaveIntersectingEdges(mVertices, outline, candidate) ||
        MeshUtils::faceHasVertexOutsideCoplanarFace(mVertices, mFaces, hole, face))
        return true;
    // Earlier holes win: the later of two conflicting holes goes. A face once emptied stays
    // empty, so dropping it here keeps a group of rejected holes linear.
    auto const emptied = [this](unsigned int f) { return mFaces[f].vertexIndices.empty(); };
    earlierHoles.erase(std::remove_if(earlierHoles.begin(), earlierHoles.end(), emptied),
                       earlierHoles.end());
    for (unsigned int const earlier : earlierHoles)
        if (holesConflict(hole, earlier)) return true;
    return false;
}

bool Mesh::holesConflict(unsigned int hole, unsigned int earlier) const {
    return MeshUtils::faceHasVertexInsideCoplanarFace(mVertices, mFaces, hole, earlier) ||
           MeshUtils::faceHasVertexInsideCoplanarFace(mVertices, mFaces, earlier, hole) ||
           MeshUtils::coplanarFacesHaveIntersectingEdges(mVertices, mFaces[earlier], mFaces[hole]);
}

void Mesh::invertIfFacingTheSameWay(unsigned long& invertedHoles, unsigned int face,
                                    unsigned int hole, bool preserve) {
    if (preserve || !(mFaces[face].faceNormal.dot(mFaces[hole].faceNormal) > 0.0f)) return;
    mFaces[hole].invert();
    ++invertedHoles;
}

void Mesh::cleanupFaceHolesUsingOctree(unsigned long& removedHoles, unsigned long& invertedHoles,
                                       Polygon const& face, unsigned int faceIndex,
                                       unsigned long holeCount, bool preserve) {
    cleanupGroupUsingOctree(removedHoles, invertedHoles, face, faceIndex, holeCount,
                            firstHoleGroup(faceIndex), preserve);
}

void Mesh::cleanupGroupUsingOctree(unsigned long& removedHoles, unsigned long& invertedHoles,
                                   Polygon const& face, unsigned int faceIndex,
                                   unsigned long holeCount, std::size_t group, bool preserve) {
    int const axis = MeshUtils::dominantAxis(face.faceNormal);
    Box faceBox;
    computeBoundingBoxProjectedTo2D(faceBox, mVertices, face, axis);
    Vector3<float> const extent = faceBox.max - faceBox.min;
    Vector3<float> const centre = faceBox.min + extent * 0.5f;
    float const halfSize =
        0.5f * std::max({std::fabs(extent.x), std::fabs(extent.y), std::fabs(extent.z)});

    std::vector<unsigned int> const& outline = face.vertexIndices;
    std::size_t const n = outline.size();
    BBoxOctree<unsigned int, float> holeTree(octreeDepthFor(holeCount), centre, halfSize);
    BBoxOctree<std::pair<unsigned int, unsigned int>, float> edgeTree(octreeDepthFor(n), centre,
                                                                      halfSize);
    for (std::size_t i = 0; i < n; ++i) {
        unsigned int const u = outline[i];
        unsigned int const v = outline[(i + 1) % n];
        Box edgeBox;
        extendProjected(edgeBox, mVertices[u], axis);
        extendProjected(edgeBox, mVertices[v], axis);
        widen(edgeBox);
        edgeTree.add(edgeBox, std::make_pair(u, v));
    }

    for (unsigned long j = 0; j < holeCount; ++j) {
        unsigned int const hole = mHoles.at(group + 1 + j);
        Polygon const& candidate = mFaces[hole];
        Box holeBox;
        computeBoundingBoxProjectedTo2D(holeBox, mVertices, candidate, axis);

        bool rejected = false;
        edgeTree.forEachEntryMeeting(holeBox, [&](auto const& entry) {
            if (rejected) return;
            Polygon const edge({entry.value.first, entry.value.second}, face.faceNormal);
            rejected = MeshUtils::facesHaveIdenticalVertices(mVertices, edge, candidate) ||
                       MeshUtils::faceHasVertexInsideCoplanarFace(mVertices, edge, candidate) ||
                       MeshUtils::segmentCrossesFaceEdges(mVertices, mVertices[entry.value.first],
                                                          mVertices[entry.value.second],
                                                          candidate, axis);
        });
        if (!rejected)
            rejected = MeshUtils::faceHasVertexOutsideCoplanarFace(mVertices, mFaces, hole, faceIndex);
        if (!rejected) {
            holeTree.forEachEntryMeeting(holeBox, [&](auto const& entry) {
                if (!rejected) rejected = holesConflict(hole, entry.value);
            });
        }
        if (rejected) {
            mFaces[hole].clearIndices();
            ++removedHoles;
            continue;
        }
        holeTree.add(holeBox, hole);
        invertIfFacingTheSameWay(invertedHoles, faceIndex, hole, preserve);
    }
}

}  // namespace util

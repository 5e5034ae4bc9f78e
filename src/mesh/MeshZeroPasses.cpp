#include <algorithm>

#include "mesh/FacePrefetch.h"
#include "mesh/HoleRelation.h"
#include "mesh/HoleSafeFaceReplacer.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/MeshUtils.h"

namespace util {

namespace {
// The float 1e-6 widened, as the area check has always compared it.
constexpr double MIN_FACE_AREA = static_cast<double>(1e-6f);

float squaredDistance(std::vector<Vector3<float>> const& vertices, unsigned int a, unsigned int b) {
    return (vertices[a] - vertices[b]).lengthSquared();
}

// Normal of a face whose corners may repeat after a collapse: repeats would only add zero
// terms, but a corner list reduced to distinct corners is what the normal describes.
void recomputeCollapsedNormal(std::vector<Vector3<float>> const& vertices, Mesh::Polygon& face) {
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::vector<unsigned int> distinct{c.front()};
    for (std::size_t i = 1; i < c.size(); ++i)
        if (c[i] != distinct.back() && c[i] != distinct.front()) distinct.push_back(c[i]);
    MeshUtils::calcPolyNormal(vertices, &distinct, face.faceNormal);
}

// Collapses every corner closer than the threshold to the corner kept before it, walking from
// the end of the first long edge; returns the number of corners collapsed. A face without a
// long edge is emptied and counts all its corners.
unsigned long collapseShortEdges(std::vector<Vector3<float>> const& vertices, Mesh::Polygon& face,
                                 float thresholdSquared) {
    std::vector<unsigned int>& c = face.vertexIndices;
    std::size_t const n = c.size();
    // Positions wrap by a compare instead of a division: this runs for every corner of every face.
    auto after = [n](std::size_t i) { return i + 1 < n ? i + 1 : 0; };
    std::size_t k = 0;
    while (k < n && !(squaredDistance(vertices, c[k], c[after(k)]) >= thresholdSquared)) ++k;
    if (k == n) {
        face.clearIndices();
        return n;
    }
    if (n <= 1) return 0;
    unsigned long collapsed = 0;
    std::size_t j = after(k);
    unsigned int anchor = c[j];
    // The n - 1 corners after the anchor, ending at c[k].
    for (std::size_t step = 1; step < n; ++step) {
        j = after(j);
        unsigned int& corner = c[j];
        if (squaredDistance(vertices, anchor, corner) < thresholdSquared) {
            corner = anchor;
            ++collapsed;
        } else {
            anchor = corner;
        }
    }
    if (collapsed > 0 && n - collapsed > 2) recomputeCollapsedNormal(vertices, face);
    return collapsed;
}

// Line meshes: drops elements shorter than the threshold and rebuilds the material ranges over
// the remaining elements, merging neighbours with equal materials.
unsigned long removeShortLineElements(Mesh& mesh, float thresholdSquared) {
    std::vector<Mesh::Polygon> kept;
    std::vector<Material> materials;
    std::vector<unsigned int> starts;
    bool const hasRanges = !mesh.mFaceMaterials.empty();
    for (std::size_t e = 0; e < mesh.mEdgeFaces.size(); ++e) {
        Mesh::Polygon& element = mesh.mEdgeFaces[e];
        std::vector<unsigned int> const& c = element.vertexIndices;
        if (c.size() >= 2 && squaredDistance(mesh.mVertices, c[0], c[1]) < thresholdSquared) continue;
        if (hasRanges) {
            Material const& material = mesh.getFaceMaterial(static_cast<unsigned int>(e));
            if (materials.empty() || materials.back() != material) {
                materials.push_back(material);
                starts.push_back(static_cast<unsigned int>(kept.size()));
            }
        }
        kept.push_back(std::move(element));
    }
    unsigned long const removed = mesh.mEdgeFaces.size() - kept.size();
    mesh.mEdgeFaces = std::move(kept);
    if (hasRanges) {
        if (materials.size() == 1) mesh.mDefaultMaterial = materials.front();
        if (materials.size() <= 1) {
            materials.clear();
            starts.clear();
        }
        mesh.mFaceMaterials = std::move(materials);
        mesh.mFaceMaterialStartIndices = std::move(starts);
    }
    mesh.deleteUnusedVertices(nullptr);
    mesh.getCache().clear();
    return removed;
}

// Splits face f into the loops between its repeated vertices; false when no vertex repeats.
// Loops of fewer than 3 corners are dropped. A single loop replaces the face in place; several
// are appended (and visited later by the caller's walk) and the face is emptied.
bool splitAtRepeatedVertices(Mesh& mesh, std::size_t f, HoleSafeFaceReplacer& replacer,
                             std::vector<unsigned int>& sorted) {
    Mesh::Polygon const& face = mesh.mFaces[f];
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::size_t const n = c.size();
    sorted.assign(c.begin(), c.end());
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::size_t> repeated;
    for (std::size_t i = 0; i < n; ++i) {
        auto const range = std::equal_range(sorted.begin(), sorted.end(), c[i]);
        if (range.second - range.first > 1) repeated.push_back(i);
    }
    if (repeated.empty()) return false;

    std::vector<Mesh::Polygon> loops;
    for (std::size_t k = 1; k <= repeated.size(); ++k) {
        std::size_t const from = repeated[k - 1];
        std::size_t const to = repeated[k % repeated.size()];
        std::size_t const length = to > from ? to - from : to + n - from;
        if (length < 3) continue;
        Mesh::Polygon loop;
        loop.faceEdgeIndicesSet = face.faceEdgeIndicesSet;
        for (std::size_t j = 0; j < length; ++j) loop.pushBackIndices(face, (from + j) % n, false);
        MeshUtils::calcPolyNormal(mesh.mVertices, &loop.vertexIndices, loop.faceNormal);
        loops.push_back(std::move(loop));
    }
    if (loops.size() == 1) {
        mesh.mFaces[f] = std::move(loops.front());
        return true;
    }
    mesh.mFaces[f].clearIndices();
    if (loops.empty()) return true;

    auto const firstNew = static_cast<unsigned int>(mesh.mFaces.size());
    std::vector<unsigned int> successors;
    for (Mesh::Polygon& loop : loops) {
        successors.push_back(static_cast<unsigned int>(mesh.mFaces.size()));
        mesh.mFaces.push_back(std::move(loop));
    }
    if (!mesh.mHoles.empty()) replacer.addReplacement(static_cast<unsigned int>(f), successors);
    if (!mesh.mFaceMaterialStartIndices.empty()) {
        // Appended faces fall into the last range unless it has the split face's material.
        Material const material = mesh.getFaceMaterial(static_cast<unsigned int>(f));
        if (mesh.mFaceMaterials.back() != material) {
            mesh.mFaceMaterials.push_back(material);
            mesh.mFaceMaterialStartIndices.push_back(firstNew);
        }
    }
    return true;
}

// Empties the holes of emptied faces and holes that no longer lie inside their face.
bool emptyImproperHoles(Mesh& mesh) {
    bool changed = false;
    HoleRelation const relation(mesh.mHoles);
    std::vector<Mesh::Polygon>& faces = mesh.mFaces;
    for (auto const& entry : relation.mFaceToHoles) {
        unsigned int const f = entry.first;
        for (unsigned int const h : entry.second) {
            if (faces[f].vertexIndices.empty()) {
                faces[h].clearIndices();
                changed = true;
                continue;
            }
            if (faces[h].vertexIndices.empty()) continue;
            if (MeshUtils::faceHasVertexInsideCoplanarFace(mesh.mVertices, faces, f, h) ||
                MeshUtils::faceHasVertexOutsideCoplanarFace(mesh.mVertices, faces, h, f) ||
                MeshUtils::coplanarFacesHaveIntersectingEdges(mesh.mVertices, faces[f], faces[h])) {
                faces[h].clearIndices();
                changed = true;
            }
        }
    }
    return changed;
}
}  // namespace

unsigned long Mesh::removeZeroEdges(float threshold) { return removeZeroEdges(threshold, false); }

unsigned long Mesh::removeZeroEdges(float threshold, bool keepEmptyFaces) {
    if (!mVertexFaces.empty()) return 0;
    float const thresholdSquared = threshold * threshold;
    if (!mEdgeFaces.empty()) return removeShortLineElements(*this, thresholdSquared);

    unsigned long count = 0;
    for (std::size_t f = 0; f < mFaces.size(); ++f) {
        detail::prefetchFaceAhead(mFaces, f);
        count += collapseShortEdges(mVertices, mFaces[f], thresholdSquared);
    }
    if (count == 0) return 0;
    removeCollapsedEdges(keepEmptyFaces, true, nullptr, false, false);
    if (!keepEmptyFaces) deleteUnusedVertices(nullptr);
    mCache.clear();
    return count;
}

unsigned long Mesh::removeZeroFaces(float threshold, bool keepEmptyFaces) {
    unsigned long count = 0;
    auto const limit = static_cast<double>(threshold);
    for (std::size_t f = 0; f < mFaces.size(); ++f) {
        detail::prefetchFaceAhead(mFaces, f);
        Polygon& face = mFaces[f];
        // A NaN area never compares below the limit, so such faces stay.
        if (limit > MeshUtils::area(mVertices, face.vertexIndices, face.faceNormal)) {
            face.clearIndices();
            ++count;
        }
    }
    if (count == 0) return 0;
    if (!keepEmptyFaces) {
        removeEmptyFaces(nullptr);
        deleteUnusedVertices(nullptr);
    }
    mCache.clear();
    return count;
}

bool Mesh::removeCollapsedEdges(bool keepEmptyFaces, bool noLoopSplit,
                                std::vector<unsigned int>* removedFaces, bool noAreaCheck,
                                bool noHoleCheck) {
    bool changed = false;
    HoleSafeFaceReplacer replacer;
    std::vector<unsigned int> scratch;
    // mFaces grows while split loops are appended; they are visited by this same walk.
    for (std::size_t f = 0; f < mFaces.size(); ++f) {
        if (mFaces[f].vertexIndices.empty()) continue;
        if (MeshCleanupUtils::removeCollapsedEdges(mFaces[f])) changed = true;
        if (!noLoopSplit && mFaces[f].vertexIndices.size() >= 4 &&
            splitAtRepeatedVertices(*this, f, replacer, scratch))
            changed = true;
        Polygon& face = mFaces[f];
        if (!noAreaCheck && !face.vertexIndices.empty() &&
            MeshUtils::area(mVertices, face.vertexIndices, face.faceNormal) < MIN_FACE_AREA) {
            face.clearIndices();
            changed = true;
        }
    }
    replacer.writeToHoles(mHoles, mVertices, mFaces, mHoles);
    if (!noHoleCheck && !mHoles.empty() && emptyImproperHoles(*this)) changed = true;
    if (!keepEmptyFaces) removeEmptyFaces(removedFaces);
    mCache.clear();
    return changed;
}

}  // namespace util

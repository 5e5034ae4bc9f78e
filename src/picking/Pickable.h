#pragma once

#include <memory>
#include <vector>

#include "base/BasicBoundingBox.h"
#include "base/Matrix.h"
#include "base/Vector3.h"
#include "intersection/TriangleMesh.h"

// One entry of a picker group: an id, an object-to-world transform and triangle meshes shared
// with the picker's triangle-mesh cache and with other entries. Only the transform changes, and
// only under the owning picker's processing mutex; the meshes are never changed.
class Pickable {
public:
    using TriangleMeshes = std::vector<std::shared_ptr<util::TriangleMesh>>;

    Pickable(int id, util::Matrix<float> const& transform, TriangleMeshes meshes);

    int getId() const { return mId; }
    util::Matrix<float> const& getTransform() const { return mTransform; }
    TriangleMeshes const& getTriangleMeshes() const { return mMeshes; }

    // World-space box of every vertex of every mesh; the empty box without vertices.
    util::BasicBoundingBox<float> getBoundingBox() const;

    // Projects the vertices by viewProjection * transform, dividing by |w| (so points behind the
    // eye are mirrored, not dropped), and tests against the cube [-1, 1]^3. Not fullyInside:
    // some triangle overlaps it (a vertex with |w| <= 1e-25 counts as the origin). fullyInside:
    // every vertex lies in it, bounds included (vertices with |w| <= 1e-25 are skipped), which
    // holds trivially without vertices.
    bool intersects(util::Matrix<float> const& viewProjection, bool fullyInside) const;

    // Nearest hit of the ray over all meshes (ties keep the earlier mesh): distance becomes that
    // ray parameter, or 3.4028235e38 on a miss. The normal is written only with a hit. Keeps
    // the world-space vertices for the next ray, so it must not run concurrently on one
    // pickable (the picker calls it under its processing mutex).
    bool getSmallesPosDistance(util::Vector3<float> const& origin,
                               util::Vector3<float> const& direction, float& distance,
                               util::Vector3<float>* normal) const;

    // Replaces the transform M by T * M, T the translation by (x, y, z): each column gains the
    // offset times the column's bottom entry, which for an affine M moves its translation.
    void translate(float x, float y, float z);

private:
    // Transforming every vertex per ray would cost as much as testing the triangles of a large
    // mesh; the transform changes only by translate, which drops these.
    std::vector<util::Vector3<float>> const& worldVertices(std::size_t mesh) const;

    int const mId;
    util::Matrix<float> mTransform;
    TriangleMeshes const mMeshes;
    mutable std::vector<std::vector<util::Vector3<float>>> mWorldVertices;  // per mesh, lazily
};

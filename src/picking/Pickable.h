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
    // ray parameter, or 3.4028235e38 on a miss. The normal is written only with a hit.
    bool getSmallesPosDistance(util::Vector3<float> const& origin,
                               util::Vector3<float> const& direction, float& distance,
                               util::Vector3<float>* normal) const;

    // Replaces the transform M by T * M, T the translation by (x, y, z): each column gains the
    // offset times the column's bottom entry, which for an affine M moves its translation.
    void translate(float x, float y, float z);

private:
    int const mId;
    util::Matrix<float> mTransform;
    TriangleMeshes const mMeshes;
};

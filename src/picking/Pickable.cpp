#include "picking/Pickable.h"

#include <cmath>
#include <utility>

#include "intersection/IntersectionUtils.h"

namespace {
constexpr float NO_HIT = 3.4028235e38f;
// Below this |w| a vertex is too close to the eye plane to project.
constexpr float MIN_W = 1e-25f;

struct Projected {
    util::Vector3<float> point;
    bool projectable;
};

Projected project(util::Matrix<float> const& c, util::Vector3<float> const& p) {
    float const w = c[3] * p.x + c[7] * p.y + c[11] * p.z + c[15];
    float const absW = std::fabs(w);
    if (!(absW > MIN_W)) return {util::Vector3<float>(0, 0, 0), false};
    return {util::Vector3<float>((c[0] * p.x + c[4] * p.y + c[8] * p.z + c[12]) / absW,
                                 (c[1] * p.x + c[5] * p.y + c[9] * p.z + c[13]) / absW,
                                 (c[2] * p.x + c[6] * p.y + c[10] * p.z + c[14]) / absW),
            true};
}

bool insideUnitCube(util::Vector3<float> const& p) {
    return p.x >= -1.0f && p.x <= 1.0f && p.y >= -1.0f && p.y <= 1.0f && p.z >= -1.0f &&
           p.z <= 1.0f;
}

bool anyTriangleOverlapsUnitCube(util::Matrix<float> const& clip, util::TriangleMesh const& mesh,
                                 std::vector<util::Vector3<float>>& projected) {
    std::vector<unsigned int> const* const triangles = mesh.getTriangles();
    util::TriangleMesh::Positions const* const vertices = mesh.getVertices();
    if (triangles == nullptr || vertices == nullptr) return false;
    projected.clear();
    for (util::Vector3<float> const& v : *vertices) projected.push_back(project(clip, v).point);
    std::size_t const end = triangles->size() - triangles->size() % 3;
    for (std::size_t k = 0; k < end; k += 3) {
        if (util::intersection::triUnitCubeOverlap(projected[(*triangles)[k]],
                                                   projected[(*triangles)[k + 1]],
                                                   projected[(*triangles)[k + 2]])) {
            return true;
        }
    }
    return false;
}

bool allVerticesInsideUnitCube(util::Matrix<float> const& clip, util::TriangleMesh const& mesh) {
    util::TriangleMesh::Positions const* const vertices = mesh.getVertices();
    if (vertices == nullptr) return true;
    for (util::Vector3<float> const& v : *vertices) {
        Projected const p = project(clip, v);
        if (p.projectable && !insideUnitCube(p.point)) return false;
    }
    return true;
}
}  // namespace

Pickable::Pickable(int id, util::Matrix<float> const& transform, TriangleMeshes meshes)
    : mId(id), mTransform(transform), mMeshes(std::move(meshes)) {}

util::BasicBoundingBox<float> Pickable::getBoundingBox() const {
    util::BasicBoundingBox<float> box;
    for (std::shared_ptr<util::TriangleMesh> const& mesh : mMeshes) {
        util::TriangleMesh::Positions const* const vertices = mesh->getVertices();
        if (vertices == nullptr) continue;
        for (util::Vector3<float> const& v : *vertices) box.extend(mTransform.transformPoint(v));
    }
    return box;
}

bool Pickable::intersects(util::Matrix<float> const& viewProjection, bool fullyInside) const {
    util::Matrix<float> const clip = viewProjection * mTransform;
    if (fullyInside) {
        for (std::shared_ptr<util::TriangleMesh> const& mesh : mMeshes)
            if (!allVerticesInsideUnitCube(clip, *mesh)) return false;
        return true;
    }
    std::vector<util::Vector3<float>> projected;  // reused across meshes
    for (std::shared_ptr<util::TriangleMesh> const& mesh : mMeshes)
        if (anyTriangleOverlapsUnitCube(clip, *mesh, projected)) return true;
    return false;
}

bool Pickable::getSmallesPosDistance(util::Vector3<float> const& origin,
                                     util::Vector3<float> const& direction, float& distance,
                                     util::Vector3<float>* normal) const {
    distance = NO_HIT;
    bool hit = false;
    for (std::size_t m = 0; m < mMeshes.size(); ++m) {
        std::vector<unsigned int> const* const triangles = mMeshes[m]->getTriangles();
        if (triangles == nullptr) continue;
        float meshDistance = NO_HIT;
        util::Vector3<float> meshNormal;
        if (!util::intersection::getPosRayDistance(*triangles, worldVertices(m), origin, direction,
                                                   meshDistance,
                                                   normal != nullptr ? &meshNormal : nullptr)) {
            continue;
        }
        if (!(meshDistance < distance)) continue;
        distance = meshDistance;
        if (normal != nullptr) *normal = meshNormal;
        hit = true;
    }
    return hit;
}

std::vector<util::Vector3<float>> const& Pickable::worldVertices(std::size_t mesh) const {
    if (mWorldVertices.size() != mMeshes.size()) mWorldVertices.assign(mMeshes.size(), {});
    std::vector<util::Vector3<float>>& world = mWorldVertices[mesh];
    util::TriangleMesh::Positions const* const vertices = mMeshes[mesh]->getVertices();
    if (world.empty() && vertices != nullptr && !vertices->empty()) {
        world.reserve(vertices->size());
        for (util::Vector3<float> const& v : *vertices)
            world.push_back(mTransform.transformPoint(v));
    }
    return world;
}

void Pickable::translate(float x, float y, float z) {
    mWorldVertices.clear();
    for (int column = 0; column < 4; ++column) {
        float const bottom = mTransform[4 * column + 3];
        mTransform[4 * column] = mTransform[4 * column] + x * bottom;
        mTransform[4 * column + 1] = mTransform[4 * column + 1] + y * bottom;
        mTransform[4 * column + 2] = mTransform[4 * column + 2] + z * bottom;
    }
}

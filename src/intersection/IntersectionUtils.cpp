#include "intersection/IntersectionUtils.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "base/Matrix.h"
#include "intersection/TriBoxOverlap.h"
#include "intersection/TriangleMesh.h"

namespace util {
namespace intersection {
namespace {
// Each plane as three corner indices (p, q, r): through p, normal (q - p) x (r - p).
constexpr int PLANES[6][3] = {{0, 1, 3}, {5, 4, 6}, {0, 3, 4}, {1, 5, 2}, {6, 7, 2}, {1, 0, 5}};

constexpr int BOUNDARY_TRIANGLES[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 5, 6}, {4, 6, 7},
                                           {2, 3, 7}, {2, 7, 6}, {0, 1, 4}, {1, 4, 5},
                                           {0, 3, 7}, {0, 7, 4}, {1, 2, 6}, {1, 6, 5}};
}  // namespace

bool sphereInsideFrustum(Vector3<float> const& centre, float radius,
                         std::vector<Vector3<float>> const& corners) {
    assert(corners.size() >= 8);
    for (auto const& plane : PLANES) {
        Vector3<float> const& p = corners[plane[0]];
        Vector3<float> normal = (corners[plane[1]] - p).cross(corners[plane[2]] - p);
        normal *= 1.0f / normal.length();
        if (normal.dot(centre) >= normal.dot(p) - radius) return false;
    }
    return true;
}

bool frustumBoxOverlap(std::vector<Vector3<float>> const& corners, Vector3<float> const& centre,
                       Vector3<float> const& halfSize) {
    float const inscribed =
        std::min({std::fabs(halfSize.x), std::fabs(halfSize.y), std::fabs(halfSize.z)});
    if (sphereInsideFrustum(centre, inscribed, corners)) return true;
    for (auto const& tri : BOUNDARY_TRIANGLES) {
        if (TriBoxOverlap::triBoxOverlap(&corners[tri[0]].x, &corners[tri[1]].x, &corners[tri[2]].x,
                                         &centre.x, &halfSize.x)) {
            return true;
        }
    }
    return false;
}

bool triUnitCubeOverlap(Vector3<float> const& a, Vector3<float> const& b, Vector3<float> const& c) {
    float const centre[3] = {0, 0, 0};
    float const half[3] = {1, 1, 1};
    return TriBoxOverlap::triBoxOverlap(&a.x, &b.x, &c.x, centre, half);
}

bool getPosRayDistance(TriangleMesh const& mesh, Matrix<float> const& transform,
                       Vector3<float> const& origin, Vector3<float> const& direction,
                       float& distance, Vector3<float>* normal) {
    std::vector<unsigned int> const* const triangles = mesh.getTriangles();
    TriangleMesh::Positions const* const vertices = mesh.getVertices();
    if (triangles == nullptr || vertices == nullptr || triangles->size() < 3) return false;
    std::vector<Vector3<float>> world;
    world.reserve(vertices->size());
    for (Vector3<float> const& v : *vertices) world.push_back(transform.transformPoint(v));
    return getPosRayDistance(*triangles, world, origin, direction, distance, normal);
}

bool getPosRayDistance(std::vector<unsigned int> const& triangles,
                       std::vector<Vector3<float>> const& world, Vector3<float> const& origin,
                       Vector3<float> const& direction, float& distance,
                       Vector3<float>* normal) {
    if (triangles.size() < 3 || world.empty()) return false;
    constexpr float NO_HIT = 3.4028235e38f;
    constexpr float PARALLEL = 1e-5f;
    float best = NO_HIT;
    std::size_t const end = triangles.size() - triangles.size() % 3;
    for (std::size_t k = 0; k < end; k += 3) {
        Vector3<float> const& a = world[triangles[k]];
        Vector3<float> const e1 = world[triangles[k + 1]] - a;
        Vector3<float> const e2 = world[triangles[k + 2]] - a;
        Vector3<float> const q = direction.cross(e2);
        float const det = e1.dot(q);
        if (det > -PARALLEL && det < PARALLEL) continue;
        float const inv = 1.0f / det;
        Vector3<float> const s = origin - a;
        float const u = s.dot(q) * inv;
        // Written so that NaN fails every range test.
        if (!(u >= 0.0f && u <= 1.0f)) continue;
        Vector3<float> const r = s.cross(e1);
        float const v = direction.dot(r) * inv;
        if (!(v >= 0.0f && u + v <= 1.0f)) continue;
        float const t = e2.dot(r) * inv;
        if (!(t >= 0.0f && t < best)) continue;
        best = t;
        if (normal != nullptr) {
            Vector3<float> n = e1.cross(e2);
            float length;
            n.getLengthAndNormalize(length);
            *normal = n;
        }
    }
    if (!(best < NO_HIT)) return false;
    distance = best;
    return true;
}

}  // namespace intersection
}  // namespace util

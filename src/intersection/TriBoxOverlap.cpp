#include "intersection/TriBoxOverlap.h"

#include <algorithm>
#include <cmath>

namespace util {
namespace TriBoxOverlap {
namespace {
struct Vec {
    float v[3];
    float operator[](int k) const { return v[k]; }
};

Vec minus(float const* p, float const* q) { return {{p[0] - q[0], p[1] - q[1], p[2] - q[2]}}; }

Vec cross(Vec const& p, Vec const& q) {
    return {{p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]}};
}

// Axis (box axis `axis`) x (edge): the projections of one vertex of the edge and of the
// opposite vertex bound the triangle's projection, since both edge ends project alike.
bool separatedByEdgeAxis(Vec const& edge, int axis, Vec const& onEdge, Vec const& opposite,
                         float const* half) {
    int const j = (axis + 1) % 3;
    int const k = (axis + 2) % 3;
    float const p0 = edge[k] * onEdge[j] - edge[j] * onEdge[k];
    float const p1 = edge[k] * opposite[j] - edge[j] * opposite[k];
    float const radius = std::fabs(edge[k]) * half[j] + std::fabs(edge[j]) * half[k];
    return std::min(p0, p1) > radius || std::max(p0, p1) < -radius;
}

bool separatedByBoxAxis(Vec const& v0, Vec const& v1, Vec const& v2, int axis, float const* half) {
    float const lo = std::min({v0[axis], v1[axis], v2[axis]});
    float const hi = std::max({v0[axis], v1[axis], v2[axis]});
    return lo > half[axis] || hi < -half[axis];
}
}  // namespace

bool planeBoxOverlap(float const* normal, float const* point, float const* boxHalfSize) {
    float nearDot = 0;  // normal . (box corner farthest against the normal - point)
    float farDot = 0;
    for (int k = 0; k < 3; ++k) {
        float const lo = normal[k] > 0 ? -boxHalfSize[k] - point[k] : boxHalfSize[k] - point[k];
        float const hi = normal[k] > 0 ? boxHalfSize[k] - point[k] : -boxHalfSize[k] - point[k];
        nearDot += normal[k] * lo;
        farDot += normal[k] * hi;
    }
    if (nearDot > 0) return false;
    return farDot >= 0;
}

bool triBoxOverlap(float const* a, float const* b, float const* c, float const* boxCentre,
                   float const* boxHalfSize) {
    Vec const v[3] = {minus(a, boxCentre), minus(b, boxCentre), minus(c, boxCentre)};
    Vec const edges[3] = {minus(v[1].v, v[0].v), minus(v[2].v, v[1].v), minus(v[0].v, v[2].v)};
    for (int e = 0; e < 3; ++e) {
        for (int axis = 0; axis < 3; ++axis) {
            if (separatedByEdgeAxis(edges[e], axis, v[e], v[(e + 2) % 3], boxHalfSize)) {
                return false;
            }
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (separatedByBoxAxis(v[0], v[1], v[2], axis, boxHalfSize)) return false;
    }
    Vec const normal = cross(edges[0], edges[1]);
    return planeBoxOverlap(normal.v, v[0].v, boxHalfSize);
}

}  // namespace TriBoxOverlap
}  // namespace util

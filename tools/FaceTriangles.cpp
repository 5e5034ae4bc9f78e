#include "FaceTriangles.h"

#include <cmath>

namespace util::tool {
namespace {
// Ear clipping is quadratic; beyond this a face is fanned.
constexpr std::size_t MAX_CLIPPED_CORNERS = 4096;

using Point2 = std::array<double, 2>;

double cross(Point2 const& a, Point2 const& b, Point2 const& c) {
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

// The corners projected along the dominant axis of the Newell normal, counter-clockwise.
std::vector<Point2> projected(std::vector<std::array<float, 3>> const& corners) {
    std::array<double, 3> normal{0, 0, 0};
    for (std::size_t i = 0; i < corners.size(); ++i) {
        auto const& p = corners[i];
        auto const& q = corners[(i + 1) % corners.size()];
        for (int axis = 0; axis < 3; ++axis) {
            int const a = (axis + 1) % 3;
            int const b = (axis + 2) % 3;
            normal[axis] += (double(p[a]) - q[a]) * (double(p[b]) + q[b]);
        }
    }
    int dominant = 0;
    for (int axis = 1; axis < 3; ++axis)
        if (std::fabs(normal[axis]) > std::fabs(normal[dominant])) dominant = axis;
    int const a = (dominant + 1) % 3;
    int const b = (dominant + 2) % 3;
    bool const flip = normal[dominant] < 0;
    std::vector<Point2> points;
    points.reserve(corners.size());
    for (auto const& p : corners) points.push_back({p[flip ? b : a], p[flip ? a : b]});
    return points;
}

bool isConvex(std::vector<Point2> const& points) {
    std::size_t const n = points.size();
    for (std::size_t i = 0; i < n; ++i)
        if (cross(points[i], points[(i + 1) % n], points[(i + 2) % n]) < 0) return false;
    return true;
}

bool inside(Point2 const& p, Point2 const& a, Point2 const& b, Point2 const& c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

std::vector<std::array<std::size_t, 3>> fan(std::size_t corners) {
    std::vector<std::array<std::size_t, 3>> triangles;
    for (std::size_t k = 1; k + 1 < corners; ++k) triangles.push_back({0, k, k + 1});
    return triangles;
}

bool isEar(std::vector<Point2> const& points, std::vector<std::size_t> const& ring, std::size_t i) {
    std::size_t const n = ring.size();
    Point2 const& a = points[ring[(i + n - 1) % n]];
    Point2 const& b = points[ring[i]];
    Point2 const& c = points[ring[(i + 1) % n]];
    if (cross(a, b, c) <= 0) return false;
    for (std::size_t k = 0; k < n; ++k) {
        if (k == i || k == (i + 1) % n || k == (i + n - 1) % n) continue;
        Point2 const& p = points[ring[k]];
        if (p == a || p == b || p == c) continue;
        if (inside(p, a, b, c)) return false;
    }
    return true;
}
}  // namespace

std::vector<std::array<std::size_t, 3>> faceTriangles(
    std::vector<std::array<float, 3>> const& corners) {
    if (corners.size() <= 3 || corners.size() > MAX_CLIPPED_CORNERS) return fan(corners.size());
    std::vector<Point2> const points = projected(corners);
    if (isConvex(points)) return fan(corners.size());
    std::vector<std::size_t> ring(corners.size());
    for (std::size_t k = 0; k < ring.size(); ++k) ring[k] = k;
    std::vector<std::array<std::size_t, 3>> triangles;
    std::size_t ear = 0;  // the search goes on from the last ear, which keeps it near linear
    while (ring.size() > 3) {
        std::size_t const n = ring.size();
        std::size_t tried = 0;
        for (ear %= n; tried < n && !isEar(points, ring, ear); ++tried) ear = (ear + 1) % n;
        if (tried == n) return fan(corners.size());  // not simple
        triangles.push_back({ring[(ear + n - 1) % n], ring[ear], ring[(ear + 1) % n]});
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(ear));
    }
    triangles.push_back({ring[0], ring[1], ring[2]});
    return triangles;
}

}  // namespace util::tool

#include <algorithm>
#include <boost/thread/lock_guard.hpp>
#include <cmath>
#include <cstdint>
#include <utility>

#include "base/BasicBoundingBox.h"
#include "intersection/IntersectionUtils.h"
#include "intersection/TriIntersector.h"

namespace util {
namespace {

using V3 = Vector3<float>;
using Positions = TriangleMesh::Positions;

constexpr float FLOAT_MAX = 3.4028235e38f;
constexpr float FLOAT_MIN = 1.1754944e-38f;  // smallest normal float: where edge clipping starts
constexpr float MIN_W = 1e-25f;
constexpr float MIN_DET = 1e-5f;
constexpr float PARALLEL_EXTENT = 0.0001f;
constexpr unsigned int NO_TRIANGLE = 0xFFFFFFFFu;

Positions const& positionsOf(TriangleMesh const& mesh) {
    static Positions const none;
    Positions const* const vertices = mesh.getVertices();
    return vertices != nullptr ? *vertices : none;
}

std::vector<unsigned int> const& trianglesOf(TriangleMesh const& mesh) {
    static std::vector<unsigned int> const none;
    std::vector<unsigned int> const* const triangles = mesh.getTriangles();
    return triangles != nullptr ? *triangles : none;
}

float row(Matrix<float> const& m, int r, V3 const& p) {
    return m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
}

// Device coordinates of p under m, divided by |w|; false (and q untouched) when |w| is too small
// to divide by. |w| rather than w, so that points behind the eye are mirrored, not dropped.
bool project(Matrix<float> const& m, V3 const& p, V3& q) {
    float const w = std::fabs(row(m, 3, p));
    if (!(w > MIN_W)) return false;
    q = V3(row(m, 0, p) / w, row(m, 1, p) / w, row(m, 2, p) / w);
    return true;
}

V3 projectOr(Matrix<float> const& m, V3 const& p, V3 const& fallback) {
    V3 q = fallback;
    project(m, p, q);
    return q;
}

bool isAffine(Matrix<float> const& m) { return m[3] == 0 && m[7] == 0 && m[11] == 0 && m[15] == 1; }

bool isFinite(V3 const& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The projective world position; an affine matrix gives w = 1 exactly for a finite point, so
// the three divisions can be left out without changing a bit.
V3 toWorld(Matrix<float> const& m, V3 const& p) {
    if (isAffine(m) && isFinite(p)) return V3(row(m, 0, p), row(m, 1, p), row(m, 2, p));
    return projectOr(m, p, p);
}

bool insideView(V3 const& q) {
    return q.x >= -1 && q.x <= 1 && q.y >= -1 && q.y <= 1 && q.z >= -1 && q.z <= 1;
}

// Projected positions of a bounding mesh: a vertex that cannot be divided keeps its world
// coordinates.
Positions projectBoundingMesh(Matrix<float> const& viewProjection, TriangleMesh const& box) {
    Positions projected;
    projected.reserve(box.getVertexCount());
    for (V3 const& p : positionsOf(box)) projected.push_back(projectOr(viewProjection, p, p));
    return projected;
}

bool anyTriangleOverlapsView(Positions const& projected, std::vector<unsigned int> const& tris) {
    for (std::size_t k = 0; k + 2 < tris.size(); k += 3)
        if (intersection::triUnitCubeOverlap(projected[tris[k]], projected[tris[k + 1]],
                                             projected[tris[k + 2]]))
            return true;
    return false;
}

bool checkBBoxIntersects(Matrix<float> const& viewProjection,
                         std::shared_ptr<TriangleMesh> const& box) {
    if (!box) return true;
    return anyTriangleOverlapsView(projectBoundingMesh(viewProjection, *box), trianglesOf(*box));
}

// The projection of an entry's vertices: V, or V times the entry's matrix.
Matrix<float> entryProjection(Matrix<float> const& viewProjection,
                              std::vector<Matrix<float>> const& trafo) {
    return trafo.empty() ? viewProjection : viewProjection * trafo.front();
}

enum class Coverage { ALL, NONE, PARTLY };

Coverage boundingMeshCoverage(Matrix<float> const& viewProjection, TriangleMesh const& box) {
    bool anyInside = false;
    bool anyOutside = false;
    for (V3 const& q : projectBoundingMesh(viewProjection, box))
        (insideView(q) ? anyInside : anyOutside) = true;
    if (!anyOutside) return Coverage::ALL;
    return anyInside ? Coverage::PARTLY : Coverage::NONE;
}

// The ray/triangle test shared by the distance search and the snap scan (det, u, v as in the
// picker's ray search); t is left to the caller, which decides whether it must be >= 0.
struct RayHit {
    float u, v, t;
};

bool intersectRay(V3 const& origin, V3 const& direction, V3 const& a, V3 const& b, V3 const& c,
                  RayHit& hit) {
    V3 const e1 = b - a;
    V3 const e2 = c - a;
    V3 const q = direction.cross(e2);
    float const det = e1.dot(q);
    if (det > -MIN_DET && det < MIN_DET) return false;
    float const inv = 1.0f / det;
    V3 const s = origin - a;
    float const u = s.dot(q) * inv;
    if (!(u >= 0 && u <= 1)) return false;
    V3 const r = s.cross(e1);
    float const v = direction.dot(r) * inv;
    if (!(v >= 0 && u + v <= 1)) return false;
    hit = {u, v, e2.dot(r) * inv};
    return true;
}

// Whether the device-space segment from s to e reaches into [-1, 1]^3.
bool segmentVisible(V3 const& s, V3 const& e) {
    V3 const extent = e - s;
    float start = FLOAT_MIN;
    float end = FLOAT_MAX;
    bool parallel[3] = {false, false, false};
    for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(extent[axis]) < PARALLEL_EXTENT) {
            parallel[axis] = true;
            continue;
        }
        float enter = (-1 - s[axis]) / extent[axis];
        float leave = (1 - s[axis]) / extent[axis];
        if (enter > leave) std::swap(enter, leave);
        if (enter > start) start = enter;
        if (leave < end) end = leave;
        if (start > end) return false;
    }
    // A (nearly) parallel axis clips nothing; the segment must stay inside that slab over the
    // whole clipped range.
    for (int axis = 0; axis < 3; ++axis) {
        if (!parallel[axis]) continue;
        float const atStart = s[axis] + start * extent[axis];
        float const atEnd = s[axis] + end * extent[axis];
        if (!(atStart >= -1 && atStart <= 1 && atEnd >= -1 && atEnd <= 1)) return false;
    }
    return (start >= 0 && start <= 1) || (end >= 0 && end <= 1) || (start < 0 && end > 1);
}

// The point of segment [s, e] nearest to the line (origin, direction).
V3 nearestOnSegment(V3 const& s, V3 const& e, V3 const& origin, V3 const& direction) {
    V3 const w = s - origin;
    V3 const f = e - s;
    float const fd = f.dot(direction);
    float const dd = direction.lengthSquared();
    float const denominator = f.lengthSquared() * dd - fd * fd;
    float t = 0;
    if (!(denominator < MIN_DET)) {
        t = (direction.dot(w) * fd - w.dot(f) * dd) / denominator;
        if (t < 0) {
            t = 0;
        } else if (t > 1) {
            t = 1;
        }
    }
    return s + f * t;
}

std::uint64_t edgeKey(unsigned int a, unsigned int b) {
    return a < b ? (std::uint64_t(a) << 32) | b : (std::uint64_t(b) << 32) | a;
}

}  // namespace

std::vector<unsigned char> TriIntersector::GeometryEntry::edgeMask(TriangleMesh const& mesh) {
    std::vector<std::uint64_t> edges;
    if (std::vector<unsigned int> const* const lines = mesh.getLines())
        for (std::size_t k = 0; k + 1 < lines->size(); k += 2)
            edges.push_back(edgeKey((*lines)[k], (*lines)[k + 1]));
    std::sort(edges.begin(), edges.end());
    std::vector<unsigned int> const& triangles = trianglesOf(mesh);
    std::vector<unsigned char> mask(triangles.size() / 3, 0);
    for (std::size_t k = 0; k < mask.size(); ++k)
        for (int side = 0; side < 3; ++side)
            if (std::binary_search(
                    edges.begin(), edges.end(),
                    edgeKey(triangles[3 * k + side], triangles[3 * k + (side + 1) % 3])))
                mask[k] |= static_cast<unsigned char>(1u << side);
    return mask;
}

namespace {

// The scan over one entry's triangles. Its state carries from triangle to triangle (previous is
// never reset), which makes the result depend on the triangle order by design.
class SnapScan {
public:
    SnapScan(Positions const& world, Positions const& device,
             std::vector<unsigned char> const& edges, V3 const& origin, V3 const& direction)
        : mWorld(world), mDevice(device), mEdges(edges), mOrigin(origin), mDirection(direction) {
        // Each vertex is met by several triangles; its depth and visibility are computed once.
        mDepths.reserve(world.size());
        mVisible.reserve(world.size());
        mScales.reserve(world.size());
        for (std::size_t i = 0; i < world.size(); ++i) {
            mDepths.push_back(depth(world[i]));
            mVisible.push_back(insideView(device[i]));
            mScales.push_back(depthScale(world[i]));
        }
        mOriginScale = depthScale(origin);
    }

    void scan(std::vector<unsigned int> const& triangles) {
        for (std::size_t k = 0; k + 2 < triangles.size(); k += 3) {
            unsigned int const corners[3] = {triangles[k], triangles[k + 1], triangles[k + 2]};
            scanTriangle(static_cast<unsigned int>(k / 3), corners);
        }
    }

    signed char result(V3& point, V3& corner0, V3& corner1, V3& corner2) const {
        if (mKind != 0) {
            point = mPoint;
            corner0 = mWorld[mCorners[0]];
            corner1 = mWorld[mCorners[1]];
            corner2 = mWorld[mCorners[2]];
        }
        return mKind;
    }

private:
    float depth(V3 const& x) const { return (x - mOrigin).dot(mDirection); }
    float depthScale(V3 const& x) const {
        return std::fabs(x.x * mDirection.x) + std::fabs(x.y * mDirection.y) +
               std::fabs(x.z * mDirection.z);
    }

    // The depth of any point of the segment, as computed, is at least the smaller end depth
    // less this: a few hundred roundings of the magnitudes involved, far more than the
    // nearest-point and depth arithmetic can lose.
    float edgeDepthMargin(unsigned int s, unsigned int e) const {
        return 1e-5f * (mScales[s] + mScales[e] + mOriginScale) + 1e-30f;
    }

    void take(signed char kind, V3 const& point, unsigned int a, unsigned int b, unsigned int c,
              float depth) {
        mKind = kind;
        mPoint = point;
        mCorners[0] = a;
        mCorners[1] = b;
        mCorners[2] = c;
        mPrevious = depth;
    }

    void scanTriangle(unsigned int triangle, unsigned int const (&t)[3]) {
        scanFace(triangle, t);
        signed char const vertexKind = mHitTriangle == triangle ? 1 : -1;
        for (int i = 0; i < 3; ++i)
            scanVertex(triangle, vertexKind, t[i], t[(i + 1) % 3], t[(i + 2) % 3]);
        signed char const edgeKind = mHitTriangle == triangle ? 2 : -2;
        for (int i = 0; i < 3; ++i)
            if (mEdges[triangle] & (1u << i))
                scanEdge(triangle, edgeKind, t[i], t[(i + 1) % 3], t[(i + 2) % 3]);
    }

    // No t >= 0 condition: a face behind the origin still counts, at a negative depth.
    void scanFace(unsigned int triangle, unsigned int const (&t)[3]) {
        V3 const& a = mWorld[t[0]];
        V3 const& b = mWorld[t[1]];
        V3 const& c = mWorld[t[2]];
        RayHit hit;
        if (!intersectRay(mOrigin, mDirection, a, b, c, hit)) return;
        mHitTriangle = triangle;
        V3 const h = a * (1 - hit.u - hit.v) + b * hit.u + c * hit.v;
        float const d = depth(h);
        if (d < mBest) {
            mBest = d;
            mBestTriangle = triangle;
            take(3, h, t[0], t[1], t[2], FLOAT_MAX);
        }
    }

    void scanVertex(unsigned int triangle, signed char kind, unsigned int x, unsigned int next,
                    unsigned int last) {
        if (!mVisible[x]) return;
        float const d = mDepths[x];
        if (d < mBest) {
            mBest = d;
            mBestTriangle = triangle;
            take(kind, mWorld[x], x, next, last, d);
        } else if (d < mPrevious && mBestTriangle == triangle) {
            // A corner of the triangle holding the snap replaces it when nearer than that
            // triangle's last candidate, even though it lies deeper than best.
            take(kind, mWorld[x], x, next, last, d);
        } else if (d == mBest) {
            mBestTriangle = triangle;
        }
    }

    void scanEdge(unsigned int triangle, signed char kind, unsigned int s, unsigned int e,
                  unsigned int third) {
        if (mBestTriangle == triangle && (mKind == 1 || mKind == -1)) return;
        float const bound = mBestTriangle == triangle && mPrevious > mBest ? mPrevious : mBest;
        if (std::min(mDepths[s], mDepths[e]) - edgeDepthMargin(s, e) >= bound) return;
        V3 const x = nearestOnSegment(mWorld[s], mWorld[e], mOrigin, mDirection);
        float const d = depth(x);
        bool const improves = d < mBest || (d < mPrevious && mBestTriangle == triangle);
        // Visibility is the costly test; an edge that could not change the snap skips it.
        if (!improves || !segmentVisible(mDevice[s], mDevice[e])) return;
        if (d < mBest) {
            mBest = d;
            mBestTriangle = NO_TRIANGLE;
            take(kind, x, s, e, third, d);
        } else if (d < mPrevious && mBestTriangle == triangle) {
            take(kind, x, s, e, third, d);
        }
    }

    Positions const& mWorld;
    Positions const& mDevice;
    std::vector<unsigned char> const& mEdges;  // per triangle: which sides are mesh edges
    V3 const mOrigin;
    V3 const mDirection;
    std::vector<float> mDepths;
    std::vector<float> mScales;  // per vertex: the size of the terms of its depth
    float mOriginScale = 0;
    std::vector<unsigned char> mVisible;

    float mBest = FLOAT_MAX;
    signed char mKind = 0;
    unsigned int mBestTriangle = NO_TRIANGLE;
    unsigned int mHitTriangle = NO_TRIANGLE;
    float mPrevious = 0.0f;
    V3 mPoint;
    unsigned int mCorners[3] = {0, 0, 0};
};

void translate(TriangleMesh& mesh, double x, double y, double z) {
    boost::lock_guard<boost::mutex> const lock(mesh.getMutex());
    Positions* const vertices = mesh.getVertices();
    if (vertices == nullptr) return;
    V3 const offset(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    for (V3& v : *vertices) v += offset;
}

}  // namespace

TriIntersector::GeometryEntry::GeometryEntry(std::shared_ptr<TriangleMesh> triMesh,
                                             std::vector<Matrix<float>> trafo)
    : mTriMesh(std::move(triMesh)), mTrafo(std::move(trafo)), mEdgeMask(edgeMask(*mTriMesh)) {}

bool TriIntersector::GeometryEntry::getSmallesPosDistance(V3 const& origin, V3 const& direction,
                                                          float& distance, V3& normal) const {
    Positions const& local = positionsOf(*mTriMesh);
    std::vector<unsigned int> const& triangles = trianglesOf(*mTriMesh);
    Positions transformed;
    if (!mTrafo.empty()) {
        transformed.reserve(local.size());
        for (V3 const& p : local) transformed.push_back(mTrafo.front().transformPoint(p));
    }
    Positions const& world = mTrafo.empty() ? local : transformed;
    float best = FLOAT_MAX;
    V3 bestNormal;
    for (std::size_t k = 0; k + 2 < triangles.size(); k += 3) {
        V3 const& a = world[triangles[k]];
        V3 const& b = world[triangles[k + 1]];
        V3 const& c = world[triangles[k + 2]];
        RayHit hit;
        if (!intersectRay(origin, direction, a, b, c, hit) || !(hit.t >= 0 && hit.t < best))
            continue;
        best = hit.t;
        bestNormal = (b - a).cross(c - a);
        bestNormal.normalize();
    }
    if (!(best < distance)) return false;
    distance = best;
    normal = bestNormal;
    return true;
}

signed char TriIntersector::GeometryEntry::snap(Matrix<float> const& viewProjection,
                                                V3 const& origin, V3 const& direction, V3& point,
                                                V3& corner0, V3& corner1, V3& corner2) const {
    Positions const& local = positionsOf(*mTriMesh);
    Positions transformed;
    if (!mTrafo.empty()) {
        transformed.reserve(local.size());
        for (V3 const& p : local) transformed.push_back(toWorld(mTrafo.front(), p));
    }
    Positions const& world = mTrafo.empty() ? local : transformed;
    Positions device;
    device.reserve(world.size());
    BasicBoundingBox<float> deviceBox;
    for (V3 const& p : world) {
        device.push_back(projectOr(viewProjection, p, V3(0, 0, 0)));
        deviceBox.extend(device.back());
    }
    for (int axis = 0; axis < 3; ++axis)
        if (deviceBox.max[axis] < -1 || deviceBox.min[axis] > 1) return 0;
    std::vector<unsigned int> const& triangles = trianglesOf(*mTriMesh);
    if (triangles.size() < 3) return 0;
    SnapScan scan(world, device, mEdgeMask, origin, direction);
    scan.scan(triangles);
    return scan.result(point, corner0, corner1, corner2);
}

void TriIntersector::GeometryEntry::relocate(double x, double y, double z) {
    if (mTrafo.empty()) {
        translate(*mTriMesh, x, y, z);
        return;
    }
    // T * M in double: each column j gains (x, y, z) times its bottom entry.
    Matrix<float>& m = mTrafo.front();
    double const offset[3] = {x, y, z};
    for (int column = 0; column < 4; ++column) {
        double const bottom = m[4 * column + 3];
        for (int r = 0; r < 3; ++r)
            m[4 * column + r] = static_cast<float>(m[4 * column + r] + offset[r] * bottom);
    }
}

void TriIntersector::GeometryEntry::dump(std::ostream& out) const {
    out << "GeometryEntry at 0x" << std::hex << reinterpret_cast<std::uintptr_t>(this)
        << ", mTrafo size = " << std::dec << mTrafo.size() << ", mTriMesh at 0x" << std::hex
        << reinterpret_cast<std::uintptr_t>(mTriMesh.get()) << std::dec << '\n';
}

void TriIntersector::Entry::addGeometryEntry(std::unique_ptr<GeometryEntry> entry) {
    mGeometryEntries.push_back(std::move(entry));
}

bool TriIntersector::Entry::intersects(Matrix<float> const& viewProjection,
                                       bool fullyInside) const {
    if (!fullyInside) {
        if (!checkBBoxIntersects(viewProjection, mBoundingMesh)) return false;
        for (auto const& entry : mGeometryEntries) {
            Matrix<float> const projection = entryProjection(viewProjection, entry->getTrafo());
            Positions projected;
            for (V3 const& p : positionsOf(*entry->getTriMesh()))
                projected.push_back(projectOr(projection, p, V3(0, 0, 0)));
            if (anyTriangleOverlapsView(projected, trianglesOf(*entry->getTriMesh()))) return true;
        }
        return false;
    }
    if (mBoundingMesh) {
        Coverage const coverage = boundingMeshCoverage(viewProjection, *mBoundingMesh);
        if (coverage != Coverage::PARTLY) return coverage == Coverage::ALL;
    }
    for (auto const& entry : mGeometryEntries) {
        Matrix<float> const projection = entryProjection(viewProjection, entry->getTrafo());
        for (V3 const& p : positionsOf(*entry->getTriMesh())) {
            V3 q;
            if (project(projection, p, q) && !insideView(q)) return false;
        }
    }
    return true;
}

bool TriIntersector::Entry::getSmallesPosDistance(V3 const& origin, V3 const& direction,
                                                  float& distance, V3& normal) const {
    distance = FLOAT_MAX;
    bool hit = false;
    for (auto const& entry : mGeometryEntries)
        if (entry->getSmallesPosDistance(origin, direction, distance, normal)) hit = true;
    return hit;
}

signed char TriIntersector::Entry::snap(Matrix<float> const& viewProjection, V3 const& origin,
                                        V3 const& direction, V3& point, V3& corner0, V3& corner1,
                                        V3& corner2) const {
    if (!checkBBoxIntersects(viewProjection, mBoundingMesh)) return 0;
    float best = FLOAT_MAX;
    signed char result = 0;
    for (auto const& entry : mGeometryEntries) {
        V3 found[4];
        signed char const kind =
            entry->snap(viewProjection, origin, direction, found[0], found[1], found[2], found[3]);
        if (kind == 0) continue;
        float const depth = (found[0] - origin).dot(direction);
        if (!(depth < best)) continue;  // ties keep the earlier entry
        best = depth;
        point = found[0];
        corner0 = found[1];
        corner1 = found[2];
        corner2 = found[3];
        result = kind;
    }
    return result;
}

void TriIntersector::Entry::relocate(double x, double y, double z) {
    if (mBoundingMesh) translate(*mBoundingMesh, x, y, z);
    for (auto const& entry : mGeometryEntries) entry->relocate(x, y, z);
}

}  // namespace util

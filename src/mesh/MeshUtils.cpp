#include "mesh/MeshUtils.h"

#include <cmath>

#include "mesh/EdgeMap.h"
#include "mesh/HoleRelation.h"
#include "mesh/Polygon2d.h"

namespace util {

namespace {
Vector3<float> flattened(Vector3<float> p, int axis) {
    p[axis] = 0.0f;
    return p;
}

Vector3<float> unitOrUp(Vector3<float> const& d, float length) {
    return length > 1e-25f ? d / length : Vector3<float>(0.0f, 1.0f, 0.0f);
}

// The per-edge crossing test: the edge p0-p1 against every edge of b, all flattened.
bool edgeCrossesFace(std::vector<Vector3<float>> const& vertices, Vector3<float> const& p0,
                     Vector3<float> const& p1, Mesh::Polygon const& b, int axis) {
    Vector3<float> const dA = p1 - p0;
    float const lenA = dA.length();
    Vector3<float> const uA = unitOrUp(dA, lenA);
    std::vector<unsigned int> const& vb = b.vertexIndices;
    std::size_t const nb = vb.size();
    for (std::size_t j = 0; j < nb; ++j) {
        Vector3<float> const q0 = flattened(vertices[vb[j]], axis);
        Vector3<float> const q1 = flattened(vertices[vb[(j + 1) % nb]], axis);
        Vector3<float> const dB = q1 - q0;
        float const lenB2 = dB.lengthSquared();
        Vector3<float> const uB = unitOrUp(dB, dB.length());
        Vector3<float> const c = uA.cross(uB);
        float const c2 = c.lengthSquared();
        if (c2 < 1e-8f) continue;  // parallel edges never cross
        float const t = (q0 - p0).dot(uB.cross(c)) / c2;
        if (t < 0.0f || !(t < lenA)) continue;
        Vector3<float> const x = p0 + uA * t;
        if ((q0 - x).lengthSquared() < lenB2 && (q1 - x).lengthSquared() < lenB2) return true;
    }
    return false;
}
}  // namespace

void MeshUtils::calculateVertex2Faces(Mesh const& mesh, std::vector<std::vector<unsigned int>>& out,
                                      HoleRelation const* holes,
                                      boost::dynamic_bitset<> const* vertexFilter) {
    std::vector<Mesh::Polygon> const& faces = mesh.getActiveFaces();
    out.clear();
    out.resize(mesh.mVertices.size());
    for (std::size_t f = 0; f < faces.size(); ++f) {
        auto const face = static_cast<unsigned int>(f);
        if (holes != nullptr && holes->mHoleToFace.count(face) != 0) continue;
        for (unsigned int const v : faces[f].vertexIndices)
            if (vertexFilter == nullptr || vertexFilter->test(v)) out[v].push_back(face);
    }
}

void MeshUtils::calculateVertex2Edges(Mesh const& mesh, std::vector<std::vector<unsigned int>>& out,
                                      EdgeMap const& edges,
                                      boost::dynamic_bitset<> const* vertexFilter) {
    out.clear();
    out.resize(mesh.mVertices.size());
    std::vector<EdgeMap::EdgeInfo> const& infos = edges.getEdges();
    for (std::size_t e = 0; e < infos.size(); ++e) {
        auto const edge = static_cast<unsigned int>(e);
        unsigned int const low = infos[e].lowVertex;
        unsigned int const high = infos[e].highVertex;
        if (vertexFilter == nullptr || vertexFilter->test(low)) out[low].push_back(edge);
        if (vertexFilter == nullptr || vertexFilter->test(high)) out[high].push_back(edge);
    }
}

bool MeshUtils::calcPolyNormal(std::vector<Vector3<float>> const& vertices,
                               std::vector<unsigned int> const* indices, Vector3<float>& normal) {
    std::size_t const n = indices != nullptr ? indices->size() : vertices.size();
    if (n < 3) {
        normal = Vector3<float>(0.0f, 1.0f, 0.0f);
        return false;
    }
    // Corners walked with a rolling window instead of modulo arithmetic: this runs for every
    // face of every converted record.
    unsigned int const* const list = indices != nullptr ? indices->data() : nullptr;
    auto point = [&](std::size_t i) -> Vector3<float> const& {
        return vertices[list != nullptr ? list[i] : i];
    };
    double nx = 0.0, ny = 0.0, nz = 0.0;
    auto add = [&](Vector3<float> const& prev, Vector3<float> const& cur,
                   Vector3<float> const& next) {
        nx += static_cast<double>(cur.y) * (static_cast<double>(next.z) - prev.z);
        ny += static_cast<double>(cur.z) * (static_cast<double>(next.x) - prev.x);
        nz += static_cast<double>(cur.x) * (static_cast<double>(next.y) - prev.y);
    };
    if (n == 3) {
        // Most faces are triangles: the same three terms in the same order, without the walk.
        Vector3<float> const& a = point(0);
        Vector3<float> const& b = point(1);
        Vector3<float> const& c = point(2);
        add(c, a, b);
        add(a, b, c);
        add(b, c, a);
    } else {
        Vector3<float> const* prev = &point(n - 1);
        Vector3<float> const* cur = &point(0);
        for (std::size_t i = 0; i < n; ++i) {
            Vector3<float> const* next = &point(i + 1 < n ? i + 1 : 0);
            add(*prev, *cur, *next);
            prev = cur;
            cur = next;
        }
    }
    double const length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > static_cast<double>(1e-25f)) {
        normal = Vector3<float>(static_cast<float>(nx / length), static_cast<float>(ny / length),
                                static_cast<float>(nz / length));
        return true;
    }
    normal = Vector3<float>(0.0f, 1.0f, 0.0f);
    return false;
}

double MeshUtils::area(std::vector<Vector3<float>> const& vertices,
                       std::vector<unsigned int> const& indices, Vector3<float> const& normal) {
    std::size_t const n = indices.size();
    if (n == 0) return 0.0;
    float const ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    int dropped;
    if (ax <= ay)
        dropped = ay > az ? 1 : 2;
    else
        dropped = ax > az ? 0 : 2;
    int const first = dropped == 0 ? 1 : (dropped == 1 ? 2 : 0);  // (y,z), (z,x), (x,y)
    int const second = dropped == 0 ? 2 : (dropped == 1 ? 0 : 1);
    // Shoelace sum from corner 1 round to corner 0, with a rolling window of three corners: this
    // runs for every face in the zero-area checks.
    Vector3<float> const* corner = &vertices[indices[0]];
    double bPrev = (*corner)[second];
    corner = &vertices[indices[n > 1 ? 1 : 0]];
    double aCur = (*corner)[first];
    double bCur = (*corner)[second];
    double sum = 0.0;
    std::size_t next = n > 1 ? 1 : 0;
    for (std::size_t i = 1; i <= n; ++i) {
        next = next + 1 < n ? next + 1 : 0;
        Vector3<float> const& p = vertices[indices[next]];
        double const bNext = p[second];
        sum += aCur * (bNext - bPrev);
        bPrev = bCur;
        aCur = p[first];
        bCur = bNext;
    }
    return std::fabs(0.5 * sum / static_cast<double>(normal[dropped]));
}

int MeshUtils::dominantAxis(Vector3<float> const& n) {
    float const ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    int axis = ay > ax ? 1 : 0;
    if (az > std::max(ax, ay)) axis = 2;
    return axis;
}

Vector2<float> MeshUtils::project(Vector3<float> const& p, int axis) {
    if (axis == 0) return {p.z, p.y};
    if (axis == 1) return {p.x, p.z};
    return {p.x, p.y};
}

std::vector<Vector2<float>> MeshUtils::projectToBestMainAxisPlane(
    std::vector<Vector3<float>> const& vertices, Mesh::Polygon const& face, int& axis) {
    axis = dominantAxis(face.faceNormal);
    std::vector<Vector2<float>> result;
    result.reserve(face.vertexIndices.size());
    for (unsigned int const v : face.vertexIndices) result.push_back(project(vertices[v], axis));
    return result;
}

bool MeshUtils::coplanarVertexIsInsideFace(std::vector<Vector3<float>> const& vertices,
                                           Mesh::Polygon const& face, Vector3<float> const& point) {
    int axis;
    std::vector<Vector2<float>> const polygon = projectToBestMainAxisPlane(vertices, face, axis);
    return Polygon2d::pointInside(project(point, axis), polygon);
}

bool MeshUtils::faceHasVertexInsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                Mesh::Polygon const& a, Mesh::Polygon const& b) {
    if (a.vertexIndices.empty()) return false;
    int axis;
    std::vector<Vector2<float>> const polygon = projectToBestMainAxisPlane(vertices, b, axis);
    for (unsigned int const v : a.vertexIndices)
        if (Polygon2d::pointInside(project(vertices[v], axis), polygon)) return true;
    return false;
}

bool MeshUtils::faceHasVertexInsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                std::vector<Mesh::Polygon> const& faces,
                                                unsigned int a, unsigned int b) {
    return faceHasVertexInsideCoplanarFace(vertices, faces[a], faces[b]);
}

bool MeshUtils::faceHasVertexOutsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                 std::vector<Mesh::Polygon> const& faces,
                                                 unsigned int a, unsigned int b) {
    Mesh::Polygon const& faceA = faces[a];
    if (faceA.vertexIndices.empty()) return false;
    int axis;
    std::vector<Vector2<float>> const polygon =
        projectToBestMainAxisPlane(vertices, faces[b], axis);
    for (unsigned int const v : faceA.vertexIndices)
        if (!Polygon2d::pointInside(project(vertices[v], axis), polygon)) return true;
    return false;
}

bool MeshUtils::facesHaveIdenticalVertices(std::vector<Vector3<float>> const& vertices,
                                           Mesh::Polygon const& a, Mesh::Polygon const& b) {
    for (unsigned int const va : a.vertexIndices)
        for (unsigned int const vb : b.vertexIndices)
            if ((vertices[va] - vertices[vb]).lengthSquared() < IDENTICAL_VERTEX_DISTANCE_SQUARED)
                return true;
    return false;
}

bool MeshUtils::coplanarFacesHaveIntersectingEdges(std::vector<Vector3<float>> const& vertices,
                                                   Mesh::Polygon const& a, Mesh::Polygon const& b) {
    std::size_t const na = a.vertexIndices.size();
    if (na < 3 || b.vertexIndices.size() < 3) return false;
    int const axis = dominantAxis(a.faceNormal);
    for (std::size_t i = 0; i < na; ++i) {
        Vector3<float> const p0 = flattened(vertices[a.vertexIndices[i]], axis);
        Vector3<float> const p1 = flattened(vertices[a.vertexIndices[(i + 1) % na]], axis);
        if (edgeCrossesFace(vertices, p0, p1, b, axis)) return true;
    }
    return false;
}

bool MeshUtils::segmentCrossesFaceEdges(std::vector<Vector3<float>> const& vertices,
                                        Vector3<float> p0, Vector3<float> p1,
                                        Mesh::Polygon const& b, int axis) {
    return edgeCrossesFace(vertices, flattened(p0, axis), flattened(p1, axis), b, axis);
}

}  // namespace util

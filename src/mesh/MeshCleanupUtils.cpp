#include "mesh/MeshCleanupUtils.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "mesh/FacePrefetch.h"
#include "mesh/MeshUtils.h"

namespace util {

namespace {
constexpr float SPIKE_ANGLE_DEGREES = 0.5f;
constexpr float DEGREES_PER_RADIAN = 57.29578f;

// Where a boundary touches itself: it runs forward along p1 ... p2 and later back along
// q2 ... q1 over the same vertices. A touching at a single vertex has p1 = p2 and q1 = q2.
struct Touching {
    std::size_t p1, p2, q1, q2;
    bool singleVertex() const { return p1 == p2 && q1 == q2; }
};

float getAngle(std::vector<Vector3<float>> const& vertices, unsigned long a, unsigned long b,
               unsigned long c) {
    Vector3<float> const toA = (vertices[a] - vertices[b]).normalized();
    Vector3<float> const toC = (vertices[c] - vertices[b]).normalized();
    return angleBetweenUnitVector3s(toA, toC) * DEGREES_PER_RADIAN;
}

void copyVertexAndMoveInwards(std::vector<Vector3<float>>& vertices, Mesh::Polygon& face,
                              unsigned int vertex) {
    auto const it = std::find(face.vertexIndices.begin(), face.vertexIndices.end(), vertex);
    if (it == face.vertexIndices.end()) return;
    Vector3<float> const position = vertices[vertex];
    vertices.push_back(position);
    *it = static_cast<unsigned int>(vertices.size() - 1);
    MeshCleanupUtils::moveVertexInwards(
        vertices, face, static_cast<unsigned long>(it - face.vertexIndices.begin()));
}

bool hasRepeatedVertex(std::vector<unsigned int> const& corners) {
    std::vector<unsigned int> sorted(corners);
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

bool findFirstRepeat(std::vector<unsigned int> const& corners, std::size_t& p, std::size_t& q) {
    for (p = 0; p < corners.size(); ++p)
        for (q = p + 1; q < corners.size(); ++q)
            if (corners[p] == corners[q]) return true;
    return false;
}

// Widens the touching at positions p < q as far as the boundary runs along the same vertices
// on both sides. Each widening step needs two distinct positions, so the runs never overlap.
Touching widenTouching(std::vector<unsigned int> const& c, std::size_t p, std::size_t q) {
    std::size_t const n = c.size();
    auto next = [n](std::size_t i) { return (i + 1) % n; };
    auto prev = [n](std::size_t i) { return (i + n - 1) % n; };
    auto between = [n](std::size_t from, std::size_t to) { return (to + n - from) % n - 1; };
    Touching t{p, p, q, q};
    while (between(t.q1, t.p1) >= 2 && c[prev(t.p1)] == c[next(t.q1)]) {
        t.p1 = prev(t.p1);
        t.q1 = next(t.q1);
    }
    t.p2 = t.p1;
    t.q2 = t.q1;
    while (between(t.p2, t.q2) >= 2 && c[next(t.p2)] == c[prev(t.q2)]) {
        t.p2 = next(t.p2);
        t.q2 = prev(t.q2);
    }
    return t;
}

Mesh::Polygon emptyPartOf(Mesh::Polygon const& face) {
    Mesh::Polygon part;
    part.faceNormal = face.faceNormal;
    part.faceEdgeIndicesSet = face.faceEdgeIndicesSet;
    return part;
}

// The enclosed side: positions p2 + 1 ... q2.
Mesh::Polygon innerPart(Mesh::Polygon const& face, Touching const& t) {
    std::size_t const n = face.vertexIndices.size();
    Mesh::Polygon part = emptyPartOf(face);
    for (std::size_t i = (t.p2 + 1) % n;; i = (i + 1) % n) {
        part.pushBackIndices(face, i, false);
        if (i == t.q2) break;
    }
    return part;
}

// The other side: positions q1 ... p1 - 1, collected backwards and inverted back into the
// orientation it had in face; the normal stays the face's.
Mesh::Polygon outerPart(Mesh::Polygon const& face, Touching const& t) {
    std::size_t const n = face.vertexIndices.size();
    Mesh::Polygon part = emptyPartOf(face);
    for (std::size_t i = (t.p1 + n - 1) % n;; i = (i + n - 1) % n) {
        part.pushBackIndices(face, i, false);
        if (i == t.q1) break;
    }
    part.invert();
    part.faceNormal = face.faceNormal;
    return part;
}

// True when the first part is the boundary that stays and the second the loop. The part that
// agrees with the face's orientation wins; otherwise the larger one, the first on a tie. Both
// parts keep the normal of their own corners, so that a loop wound against the face can be
// told from one wound with it.
bool firstPartStays(std::vector<Vector3<float>> const& vertices, Mesh::Polygon const& face,
                    Mesh::Polygon& first, Mesh::Polygon& second) {
    Vector3<float> n1, n2;
    bool const ok1 = MeshUtils::calcPolyNormal(vertices, &first.vertexIndices, n1);
    bool const ok2 = MeshUtils::calcPolyNormal(vertices, &second.vertexIndices, n2);
    first.faceNormal = n1;
    second.faceNormal = n2;
    if (ok1 != ok2) return ok1;
    float const d1 = n1.dot(face.faceNormal);
    float const d2 = n2.dot(face.faceNormal);
    if (d1 > 0 && d2 < 0) return true;
    if (d2 > 0 && d1 < 0) return false;
    return MeshUtils::area(vertices, first.vertexIndices, n1) >=
           MeshUtils::area(vertices, second.vertexIndices, n2);
}

// Spike removal: erases the touching corner whose neighbours turn back at almost zero angle.
bool eraseSpikeAt(std::vector<Vector3<float>> const& vertices, Mesh::Polygon& face,
                  Touching const& t) {
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::size_t const n = c.size();
    for (std::size_t const position : {t.p1, t.q1}) {
        if (getAngle(vertices, c[(position + n - 1) % n], c[position], c[(position + 1) % n]) <
            SPIKE_ANGLE_DEGREES) {
            face.eraseIndex(position, vertices);
            return true;
        }
    }
    return false;
}
}  // namespace

bool MeshCleanupUtils::extractAndRemoveLoops(std::vector<Vector3<float>>& vertices,
                                             Mesh::Polygon& face, std::vector<Mesh::Polygon>& loops,
                                             bool removeSpikes) {
    while (hasRepeatedVertex(face.vertexIndices)) {
        std::size_t p = 0, q = 0;
        if (!findFirstRepeat(face.vertexIndices, p, q)) {
            std::cerr << " ??? no shared vertices found, failed." << std::endl;
            return false;
        }
        Touching const t = widenTouching(face.vertexIndices, p, q);
        bool const spikeCheck = removeSpikes && t.singleVertex();
        if (spikeCheck && eraseSpikeAt(vertices, face, t)) continue;

        Mesh::Polygon first = innerPart(face, t);
        Mesh::Polygon second = outerPart(face, t);
        bool const firstFits = first.vertexIndices.size() >= 3;
        bool const secondFits = second.vertexIndices.size() >= 3;
        if (!firstFits && !secondFits) {
            face.clearIndices();
            return true;
        }
        if (!firstFits || !secondFits) {
            face = firstFits ? std::move(first) : std::move(second);
            continue;
        }
        bool const firstStays = firstPartStays(vertices, face, first, second);
        Mesh::Polygon loop = firstStays ? std::move(second) : std::move(first);
        unsigned int const touchingVertex = face.vertexIndices[t.p1];
        face = firstStays ? std::move(first) : std::move(second);
        // The loop gets its own copy of the touching vertex so that it no longer shares it.
        if (spikeCheck) copyVertexAndMoveInwards(vertices, loop, touchingVertex);
        if (!extractAndRemoveLoops(vertices, loop, loops, removeSpikes)) return false;
        loops.push_back(std::move(loop));
    }
    return true;
}

void MeshCleanupUtils::moveVertexInwards(std::vector<Vector3<float>>& vertices, Mesh::Polygon& face,
                                         unsigned long position) {
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::size_t const n = c.size();
    Vector3<float> const p = vertices[c[position]];
    Vector3<float> const q = vertices[c[(position + n - 1) % n]];
    Vector3<float> const r = vertices[c[(position + 1) % n]];
    // Both edge normals point into a face that winds counter-clockwise around its normal.
    Vector3<float> const d1 = face.faceNormal.cross(r - p).normalized();
    Vector3<float> const d0 = face.faceNormal.cross(p - q).normalized();
    Vector3<float> direction = d0 + d1;
    if (!direction.normalize()) direction = (r - p).normalized();
    vertices[c[position]] = p + direction * INWARD_DISTANCE;
    MeshUtils::calcPolyNormal(vertices, &face.vertexIndices, face.faceNormal);
}

namespace {
void copyCorner(Mesh::Polygon& face, std::size_t from, std::size_t to) {
    face.vertexIndices[to] = face.vertexIndices[from];
    if (!face.normalIndices.empty()) face.normalIndices[to] = face.normalIndices[from];
    for (auto& list : face.uvIndices)
        if (!list.empty()) list[to] = list[from];
}

void shrinkCorners(Mesh::Polygon& face, std::size_t count) {
    face.vertexIndices.resize(count);
    if (!face.normalIndices.empty()) face.normalIndices.resize(count);
    for (auto& list : face.uvIndices)
        if (!list.empty()) list.resize(count);
}
}  // namespace

bool MeshCleanupUtils::removeCollapsedEdges(Mesh::Polygon& face) {
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::size_t const n = c.size();
    if (n == 0) return false;
    // Most faces repeat no corner: they are left as they are without reading their other lists.
    if (n >= 3 && c[n - 1] != c[0] && std::adjacent_find(c.begin(), c.end()) == c.end())
        return false;
    bool const edgeNumbers = face.faceEdgeIndicesSet && !face.normalIndices.empty();
    // A kept corner that ends a run of duplicates leaves the run by the last skipped corner's
    // edge, so it takes that edge's number.
    auto takeRunEdge = [&face, edgeNumbers](std::size_t kept, std::size_t lastSkipped) {
        if (edgeNumbers && lastSkipped != 0)
            face.normalIndices[kept] = face.normalIndices[lastSkipped];
    };
    std::size_t w = 0;
    std::size_t lastSkipped = 0;  // 0: no run pending (corner 0 is never skipped)
    for (std::size_t r = 1; r < n; ++r) {
        if (c[r] == c[w]) {
            lastSkipped = r;
            continue;
        }
        takeRunEdge(w, lastSkipped);
        lastSkipped = 0;
        copyCorner(face, r, ++w);
    }
    takeRunEdge(w, lastSkipped);
    std::size_t count = w + 1;
    if (count > 1 && c[w] == c[0]) --count;
    if (count < 3) {
        face.clearIndices();
        return true;
    }
    if (count == n) return false;
    shrinkCorners(face, count);
    return true;
}

void MeshCleanupUtils::simpleRemoveEmptyFaces(std::vector<Mesh::Polygon>& faces) {
    faces.erase(
        std::remove_if(faces.begin(), faces.end(),
                       [](Mesh::Polygon const& face) { return face.vertexIndices.empty(); }),
        faces.end());
}

std::vector<unsigned int> MeshCleanupUtils::keptVertexIndices(
    std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount) {
    // A byte per vertex: marking is the hot loop here, and a byte store beats a bit update.
    std::vector<unsigned char> used(vertexCount, 0);
    for (std::size_t f = 0; f < faces.size(); ++f) {
        detail::prefetchFaceAhead(faces, f);
        for (unsigned int const v : faces[f].vertexIndices) used[v] = 1;
    }
    return keptVertexIndices(used);
}

std::vector<unsigned int> MeshCleanupUtils::keptVertexIndices(
    std::vector<unsigned char> const& used) {
    if (std::find(used.begin(), used.end(), 0) == used.end()) return {};
    std::vector<unsigned int> newIndex(used.size(), UNUSED);
    unsigned int kept = 0;
    for (std::size_t v = 0; v < used.size(); ++v)
        if (used[v] != 0) newIndex[v] = kept++;
    return newIndex;
}

}  // namespace util

namespace util {
namespace {
long findCorner(std::vector<unsigned int> const& corners, unsigned long vertex) {
    auto const it = std::find(corners.begin(), corners.end(), vertex);
    return it == corners.end() ? -1 : static_cast<long>(it - corners.begin());
}

// Which parallel lists a merged face can carry: only those both faces have, so that every list
// stays as long as the vertex list.
struct CornerLists {
    bool normals;
    bool uvs[Mesh::UV_SET_COUNT];
    CornerLists(Mesh::Polygon const& a, Mesh::Polygon const& b) {
        auto usable = [](std::vector<unsigned int> const& list, Mesh::Polygon const& face) {
            return !list.empty() && list.size() == face.vertexIndices.size();
        };
        normals = usable(a.normalIndices, a) && usable(b.normalIndices, b);
        for (unsigned int s = 0; s < Mesh::UV_SET_COUNT; ++s)
            uvs[s] = usable(a.uvIndices[s], a) && usable(b.uvIndices[s], b);
    }
    void reserve(Mesh::Polygon& to, std::size_t corners) const {
        to.vertexIndices.reserve(corners);
        if (normals) to.normalIndices.reserve(corners);
        for (unsigned int s = 0; s < Mesh::UV_SET_COUNT; ++s)
            if (uvs[s]) to.uvIndices[s].reserve(corners);
    }
    void append(Mesh::Polygon& to, Mesh::Polygon const& from, std::size_t corner) const {
        to.vertexIndices.push_back(from.vertexIndices[corner]);
        if (normals) to.normalIndices.push_back(from.normalIndices[corner]);
        for (unsigned int s = 0; s < Mesh::UV_SET_COUNT; ++s)
            if (uvs[s]) to.uvIndices[s].push_back(from.uvIndices[s][corner]);
    }
};
}  // namespace

void MeshCleanupUtils::findCommonInvertedSequence(std::vector<unsigned int> const& a,
                                                  std::vector<unsigned int> const& b,
                                                  unsigned long& startA, unsigned long& startB,
                                                  unsigned long& length,
                                                  unsigned long sharedVertex) {
    startA = startB = length = 0;
    std::size_t const na = a.size();
    std::size_t const nb = b.size();
    long const first = findCorner(a, sharedVertex);
    if (first < 0 || nb == 0) return;
    std::size_t i = 0;
    long j = -1;
    for (std::size_t k = 0; k < na && j < 0; ++k) {
        i = (static_cast<std::size_t>(first) + k) % na;
        j = findCorner(b, a[i]);
    }
    if (j < 0) return;
    auto nextA = [na](std::size_t p) { return (p + 1) % na; };
    auto prevA = [na](std::size_t p) { return (p + na - 1) % na; };
    auto nextB = [nb](std::size_t p) { return (p + 1) % nb; };
    auto prevB = [nb](std::size_t p) { return (p + nb - 1) % nb; };
    // Bounded by the smaller face: two faces that are one cycle in opposite directions would
    // otherwise match forever.
    std::size_t const limit = std::min(na, nb);
    std::size_t run = 1;
    std::size_t sA = i, sB = static_cast<std::size_t>(j);
    while (run < limit && a[prevA(sA)] == b[nextB(sB)]) {
        sA = prevA(sA);
        sB = nextB(sB);
        ++run;
    }
    std::size_t eA = i, eB = static_cast<std::size_t>(j);
    while (run < limit && a[nextA(eA)] == b[prevB(eB)]) {
        eA = nextA(eA);
        eB = prevB(eB);
        ++run;
    }
    startA = sA;
    startB = sB;
    length = run;
}

MeshCleanupUtils::MergeResult MeshCleanupUtils::mergedFace(Mesh::Polygon const& a,
                                                           Mesh::Polygon const& b,
                                                           unsigned long sharedVertex,
                                                           Mesh::Polygon& merged) {
    unsigned long startA = 0, startB = 0, length = 0;
    findCommonInvertedSequence(a.vertexIndices, b.vertexIndices, startA, startB, length,
                               sharedVertex);
    if (length < 2) return MERGE_NONE;
    std::size_t const na = a.vertexIndices.size();
    std::size_t const nb = b.vertexIndices.size();
    if (length == na && length == nb) return MERGE_CANCELLED;
    CornerLists const lists(a, b);
    merged = Mesh::Polygon();
    merged.faceEdgeIndicesSet = a.faceEdgeIndicesSet;
    lists.reserve(merged, na + nb + 2 - 2 * length);
    for (std::size_t k = 1; k + length <= nb; ++k) lists.append(merged, b, (startB + k) % nb);
    for (std::size_t k = 0; k + length <= na + 1; ++k)
        lists.append(merged, a, (startA + length - 1 + k) % na);
    return MERGE_DONE;
}

void MeshCleanupUtils::mergeFacesWithSharedEdge(std::vector<Vector3<float>> const& vertices,
                                                Mesh::Polygon& a, Mesh::Polygon& b,
                                                unsigned long sharedVertex) {
    Mesh::Polygon merged;
    MergeResult const result = mergedFace(a, b, sharedVertex, merged);
    if (result == MERGE_NONE) return;
    if (result == MERGE_CANCELLED) {
        a.clearIndices();
    } else {
        MeshUtils::calcPolyNormal(vertices, &merged.vertexIndices, merged.faceNormal);
        a = std::move(merged);
    }
    b.clearIndices();
}

namespace {
// Null when the face has no usable entry there: a corner or coordinate index out of range never
// matches anything.
MeshBase::TexCoord const* texCoordAt(Mesh const& mesh, Mesh::Polygon const& face, unsigned int set,
                                     std::size_t corner) {
    std::vector<unsigned int> const& list = face.uvIndices[set];
    if (corner >= list.size() || list[corner] >= mesh.mTexCoords[set].size()) return nullptr;
    return &mesh.mTexCoords[set][list[corner]];
}

float uvDistance(float du, float dv) { return std::sqrt(du * du + dv * dv); }
}  // namespace

bool MeshCleanupUtils::sameUVs(Mesh const& mesh, unsigned int a, unsigned int b,
                               unsigned long cornerA, unsigned long cornerB) {
    if (mesh.getFaceMaterial(a) != mesh.getFaceMaterial(b)) return false;
    Mesh::Polygon const& faceA = mesh.mFaces[a];
    Mesh::Polygon const& faceB = mesh.mFaces[b];
    for (unsigned int s = 0; s < Mesh::UV_SET_COUNT; ++s) {
        if (faceA.uvIndices[s].empty()) continue;
        MeshBase::TexCoord const* uvA = texCoordAt(mesh, faceA, s, cornerA);
        MeshBase::TexCoord const* uvB = texCoordAt(mesh, faceB, s, cornerB);
        if (uvA == nullptr || uvB == nullptr) return false;
        if (uvDistance(uvA->u - uvB->u, uvA->v - uvB->v) >= UV_TOLERANCE) return false;
    }
    return true;
}

bool MeshCleanupUtils::uvsAreLinearInterpolation(Mesh const& mesh, Mesh::Polygon const& face,
                                                 unsigned long corner) {
    std::vector<unsigned int> const& c = face.vertexIndices;
    std::size_t const n = c.size();
    std::size_t const prev = (corner + n - 1) % n;
    std::size_t const next = (corner + 1) % n;
    float const d1 = (mesh.mVertices[c[corner]] - mesh.mVertices[c[prev]]).length();
    float const d2 = (mesh.mVertices[c[next]] - mesh.mVertices[c[corner]]).length();
    float const s = d1 + d2;
    for (unsigned int set = 0; set < Mesh::UV_SET_COUNT; ++set) {
        if (face.uvIndices[set].empty()) continue;
        MeshBase::TexCoord const* p = texCoordAt(mesh, face, set, prev);
        MeshBase::TexCoord const* m = texCoordAt(mesh, face, set, corner);
        MeshBase::TexCoord const* q = texCoordAt(mesh, face, set, next);
        if (p == nullptr || m == nullptr || q == nullptr) return false;
        float const u = p->u * ((s - d1) / s) + q->u * ((s - d2) / s);
        float const v = p->v * ((s - d1) / s) + q->v * ((s - d2) / s);
        // A NaN expectation (coincident neighbours) compares false and so passes.
        if (uvDistance(m->u - u, m->v - v) >= UV_TOLERANCE) return false;
    }
    return true;
}

bool MeshCleanupUtils::vertexIsOnEdge(Vector3<float> const& point, Vector3<float> const& start,
                                      Vector3<float> const& direction, float length) {
    Vector3<float> const toPoint = point - start;
    Vector3<float> const offLine = toPoint - direction * toPoint.dot(direction);
    return offLine.length() <= 0.0008f && toPoint.length() <= length &&
           (point - (start + direction * length)).length() <= length;
}

}  // namespace util

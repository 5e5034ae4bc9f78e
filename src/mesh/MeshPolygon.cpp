#include <algorithm>

#include "mesh/Mesh.h"

namespace util {

namespace {
// Rotates a list left by one: the first entry becomes the last.
void rotateLeft(std::vector<unsigned int>& list) {
    if (!list.empty()) std::rotate(list.begin(), list.begin() + 1, list.end());
}

// A list that the source fills but this face lacks (mixed use of a UV set) gets the entry at
// its end rather than past it.
void insertAt(std::vector<unsigned int>& list, unsigned long position, unsigned int value) {
    list.insert(list.begin() + static_cast<long>(std::min<std::size_t>(position, list.size())),
                value);
}

// Lists shorter than the corner list (empty ones included) have no entry to remove there.
void eraseAt(std::vector<unsigned int>& list, std::size_t position) {
    if (position < list.size()) list.erase(list.begin() + static_cast<long>(position));
}
}  // namespace

Mesh::Polygon::Polygon(std::vector<unsigned int> const& vertexIndices_)
    : vertexIndices(vertexIndices_) {}

Mesh::Polygon::Polygon(std::vector<unsigned int> const& vertexIndices_,
                       Vector3<float> const& faceNormal_)
    : vertexIndices(vertexIndices_), faceNormal(faceNormal_) {}

bool Mesh::Polygon::hasUVs() const {
    for (auto const& list : uvIndices)
        if (!list.empty()) return true;
    return false;
}

void Mesh::Polygon::clearIndices() {
    vertexIndices.clear();
    normalIndices.clear();
    for (auto& list : uvIndices) list.clear();
}

void Mesh::Polygon::invertVector(std::vector<unsigned int>& list, unsigned long shift) {
    std::size_t const n = list.size();
    if (n == 0) return;
    // Entry j takes the old entry (shift - j) mod n: two reversals in place, no copy; turning
    // half the faces of a large mesh would otherwise allocate a list per face and set.
    auto const middle = list.begin() + static_cast<long>(shift % n + 1);
    std::reverse(list.begin(), middle);
    std::reverse(middle, list.end());
}

void Mesh::Polygon::invert() {
    invertVector(vertexIndices, 1);
    faceNormal = -faceNormal;
    // Edge numbers follow edges, not corners: shift 0 keeps each reversed edge's number.
    invertVector(normalIndices, faceEdgeIndicesSet ? 0 : 1);
    for (auto& list : uvIndices) invertVector(list, 1);
}

void Mesh::Polygon::eraseIndex(unsigned long p, std::vector<Vector3<float>> const& vertices) {
    std::size_t const n = vertexIndices.size();
    if (!normalIndices.empty()) {
        if (faceEdgeIndicesSet) {
            // The two edges meeting at p become one, which keeps the number of the longer.
            std::size_t const prev = (p + n - 1) % n;
            std::size_t const next = (p + 1) % n;
            Vector3<float> const& vp = vertices[vertexIndices[p]];
            float const outgoing = (vertices[vertexIndices[next]] - vp).lengthSquared();
            float const incoming = (vp - vertices[vertexIndices[prev]]).lengthSquared();
            if (outgoing > incoming) {
                eraseAt(normalIndices, prev);
                if (p == 0) rotateLeft(normalIndices);
            } else {
                eraseAt(normalIndices, p);
            }
        } else {
            eraseAt(normalIndices, p);
        }
    }
    vertexIndices.erase(vertexIndices.begin() + static_cast<long>(p));
    for (auto& list : uvIndices) eraseAt(list, p);
}

unsigned long Mesh::Polygon::insertIndex(Polygon const& source, unsigned long q, unsigned long p) {
    std::size_t const n = vertexIndices.size();
    if (!source.normalIndices.empty()) {
        // In face-edge mode the split edge keeps its number on both halves.
        std::size_t const m = normalIndices.size();
        unsigned int const value =
            faceEdgeIndicesSet && m > 0 ? normalIndices[(p + m - 1) % m] : source.normalIndices[q];
        insertAt(normalIndices, p, value);
    }
    faceEdgeIndicesSet = source.faceEdgeIndicesSet;
    insertAt(vertexIndices, p, source.vertexIndices[q]);
    for (unsigned int s = 0; s < UV_SET_COUNT; ++s)
        if (!source.uvIndices[s].empty()) insertAt(uvIndices[s], p, source.uvIndices[s][q]);
    if (p != 0) return p;
    // Inserting before corner 0 is appending at the end of the same cyclic polygon.
    rotateLeft(vertexIndices);
    rotateLeft(normalIndices);
    for (auto& list : uvIndices) rotateLeft(list);
    return n;
}

void Mesh::Polygon::pushBackIndices(Polygon const& source, unsigned long q, bool skipDuplicate) {
    unsigned int const vertex = source.vertexIndices[q];
    if (skipDuplicate && !vertexIndices.empty() &&
        (vertex == vertexIndices.front() || vertex == vertexIndices.back()))
        return;
    vertexIndices.push_back(vertex);
    if (!source.normalIndices.empty()) normalIndices.push_back(source.normalIndices[q]);
    for (unsigned int s = 0; s < UV_SET_COUNT; ++s)
        if (!source.uvIndices[s].empty()) uvIndices[s].push_back(source.uvIndices[s][q]);
    faceEdgeIndicesSet = source.faceEdgeIndicesSet;
}

}  // namespace util

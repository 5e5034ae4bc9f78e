#include "mesh/FlatEdgeTable.h"

#include <algorithm>

#include "base/HugePages.h"

namespace util {
namespace detail {
namespace {
constexpr unsigned long EMPTY_KEY = ~0ul;
constexpr unsigned int SKIPPED = 0xFFFFFFFFu;  // a corner whose edge the filter drops

// Room for count entries; fresh room is advised for huge pages before its first write, which
// on large meshes costs less than the page faults it saves.
template <typename T>
void ensureCapacity(std::vector<T>& values, std::size_t count) {
    if (values.capacity() >= count) return;
    std::vector<T>().swap(values);
    reserveAdvised(values, count);
}

unsigned long slotOf(unsigned long key, std::size_t mask) {
    return static_cast<unsigned long>((key * 0x9E3779B97F4A7C15ul) >> 20) & mask;
}
}  // namespace

FlatEdgeTable::FlatEdgeTable(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                             boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    build(faces, vertexCount, vertexFilter, requireBoth);
}

void FlatEdgeTable::build(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                          boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    std::size_t corners = 0;
    for (Mesh::Polygon const& face : faces) corners += face.vertexIndices.size();
    std::size_t capacity = 16;
    while (capacity < 2 * corners) capacity *= 2;
    ensureCapacity(mSlotKeys, capacity);
    mSlotKeys.assign(capacity, EMPTY_KEY);
    ensureCapacity(mSlotEdges, capacity);
    mSlotEdges.resize(capacity);
    mEdges.clear();
    ensureCapacity(mEdges, std::min(corners, vertexCount + faces.size()));

    // First the edges in order of first use and their face counts, then the face lists.
    std::vector<unsigned int>& edgeOfCorner = mEdgeOfCorner;
    edgeOfCorner.clear();
    ensureCapacity(edgeOfCorner, corners);
    for (Mesh::Polygon const& face : faces) {
        std::vector<unsigned int> const& v = face.vertexIndices;
        std::size_t const n = v.size();
        for (std::size_t k = 0; k < n; ++k) {
            unsigned int const a = v[k];
            unsigned int const b = v[(k + 1) % n];
            if (vertexFilter != nullptr) {
                bool const hasA = vertexFilter->test(a);
                bool const hasB = vertexFilter->test(b);
                if (requireBoth ? !(hasA && hasB) : !(hasA || hasB)) {
                    edgeOfCorner.push_back(SKIPPED);
                    continue;
                }
            }
            unsigned int const edge = findOrAdd(a, b);
            ++mEdges[edge].faceCount;
            edgeOfCorner.push_back(edge);
        }
    }
    unsigned int start = 0;
    for (Edge& edge : mEdges) {
        edge.firstFace = start;
        start += edge.faceCount;
        edge.faceCount = 0;
    }
    ensureCapacity(mFaces, start);
    mFaces.resize(start);  // every entry is written below
    std::size_t corner = 0;
    for (std::size_t f = 0; f < faces.size(); ++f) {
        for (std::size_t k = 0; k < faces[f].vertexIndices.size(); ++k, ++corner) {
            unsigned int const edge = edgeOfCorner[corner];
            if (edge == SKIPPED) continue;
            Edge& e = mEdges[edge];
            mFaces[e.firstFace + e.faceCount++] = static_cast<unsigned int>(f);
        }
    }
}

unsigned int FlatEdgeTable::findOrAdd(unsigned int a, unsigned int b) {
    unsigned int const low = std::min(a, b);
    unsigned int const high = std::max(a, b);
    unsigned long const key = (static_cast<unsigned long>(low) << 32) | high;
    std::size_t const mask = mSlotKeys.size() - 1;
    for (unsigned long slot = slotOf(key, mask);; slot = (slot + 1) & mask) {
        if (mSlotKeys[slot] == key) return mSlotEdges[slot];
        if (mSlotKeys[slot] != EMPTY_KEY) continue;
        mSlotKeys[slot] = key;
        mSlotEdges[slot] = static_cast<unsigned int>(mEdges.size());
        mEdges.push_back({low, high, 0, 0});
        return mSlotEdges[slot];
    }
}

}  // namespace detail
}  // namespace util

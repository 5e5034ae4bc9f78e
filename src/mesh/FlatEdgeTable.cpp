#include "mesh/FlatEdgeTable.h"

#include <algorithm>

#include "base/HugePages.h"

namespace util {
namespace detail {
namespace {
constexpr unsigned int NONE = 0xFFFFFFFFu;
constexpr unsigned int HASHED = 0xFFFFFFFEu;  // the vertex's edges are in the hash table
constexpr unsigned long EMPTY_KEY = ~0ul;
// A vertex with more edges than this (the centre of a fan) has them looked up by hash instead:
// walking its list for every corner would take quadratic time.
constexpr unsigned int LIST_LIMIT = 16;
constexpr unsigned int SKIPPED = 0xFFFFFFFFu;  // a corner whose edge the filter drops

unsigned long keyOf(unsigned int low, unsigned int high) {
    return (static_cast<unsigned long>(low) << 32) | high;
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
    mUsedFaces.clear();
    mUsedCorners.clear();
    mBuiltFaceCount = 0;
    rebuildAfterEmptying(faces, vertexCount, vertexFilter, requireBoth);
}

void FlatEdgeTable::rebuildAfterEmptying(std::vector<Mesh::Polygon> const& faces,
                                         std::size_t vertexCount,
                                         boost::dynamic_bitset<> const* vertexFilter,
                                         bool requireBoth) {
    std::size_t kept = 0;
    for (unsigned int const f : mUsedFaces) {
        auto const n = static_cast<unsigned int>(faces[f].vertexIndices.size());
        if (n == 0) continue;
        mUsedFaces[kept] = f;
        mUsedCorners[kept++] = n;
    }
    mUsedFaces.resize(kept);
    mUsedCorners.resize(kept);
    for (std::size_t f = mBuiltFaceCount; f < faces.size(); ++f) {
        auto const n = static_cast<unsigned int>(faces[f].vertexIndices.size());
        if (n == 0) continue;
        mUsedFaces.push_back(static_cast<unsigned int>(f));
        mUsedCorners.push_back(n);
    }
    mBuiltFaceCount = faces.size();
    buildFromUsed(faces, vertexCount, vertexFilter, requireBoth);
}

// The later passes read only the faces with corners: after a merging sweep most faces are empty,
// and reading each one costs a cache miss. Reading the faces is what the build waits for, so the
// corner counts are kept aside and the faces ahead are fetched early.
void FlatEdgeTable::buildFromUsed(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount,
                                  boost::dynamic_bitset<> const* vertexFilter, bool requireBoth) {
    std::vector<unsigned int> const& used = mUsedFaces;
    std::size_t corners = 0;
    for (unsigned int const n : mUsedCorners) corners += n;
    mFirstEdgeOf.assign(vertexCount, NONE);
    mSlots.assign(16, Slot{EMPTY_KEY, 0});
    mSlotsUsed = 0;
    mNextEdge.clear();
    reserveAdvised(mNextEdge, std::min(corners, vertexCount + faces.size()));
    mEdges.clear();
    reserveAdvised(mEdges, std::min(corners, vertexCount + faces.size()));

    // First the edges in order of first use and their face counts, then the face lists.
    std::vector<unsigned int>& edgeOfCorner = mEdgeOfCorner;
    edgeOfCorner.clear();
    reserveAdvised(edgeOfCorner, corners);
    constexpr std::size_t AHEAD = 8;  // faces: corners fetched this far ahead, faces twice as far
    for (std::size_t i = 0; i < used.size(); ++i) {
        if (i + 2 * AHEAD < used.size()) __builtin_prefetch(&faces[used[i + 2 * AHEAD]]);
        if (i + AHEAD < used.size())
            __builtin_prefetch(faces[used[i + AHEAD]].vertexIndices.data());
        std::vector<unsigned int> const& v = faces[used[i]].vertexIndices;
        std::size_t const n = v.size();
        for (std::size_t k = 0; k < n; ++k) {
            unsigned int const a = v[k];
            unsigned int const b = v[k + 1 < n ? k + 1 : 0];
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
    reserveAdvised(mFaces, start);
    mFaces.resize(start);  // every entry is written below
    std::size_t corner = 0;
    for (std::size_t i = 0; i < used.size(); ++i) {
        unsigned int const f = used[i];
        for (unsigned int k = 0; k < mUsedCorners[i]; ++k, ++corner) {
            unsigned int const edge = edgeOfCorner[corner];
            if (edge == SKIPPED) continue;
            Edge& e = mEdges[edge];
            mFaces[e.firstFace + e.faceCount++] = f;
        }
    }
}

// The edges are found through per-vertex lists rather than a hash table: corners of nearby faces
// share vertices, so the lists they walk are mostly in cache, where hashed slots never are.
unsigned int FlatEdgeTable::findOrAdd(unsigned int a, unsigned int b) {
    unsigned int const low = std::min(a, b);
    unsigned int const high = std::max(a, b);
    if (low >= mFirstEdgeOf.size()) mFirstEdgeOf.resize(low + 1, NONE);
    if (mFirstEdgeOf[low] != HASHED) {
        unsigned int length = 0;
        for (unsigned int e = mFirstEdgeOf[low]; e != NONE; e = mNextEdge[e], ++length)
            if (mEdges[e].highVertex == high) return e;
        if (length < LIST_LIMIT) {
            auto const edge = static_cast<unsigned int>(mEdges.size());
            mEdges.push_back({low, high, 0, 0});
            mNextEdge.push_back(mFirstEdgeOf[low]);
            mFirstEdgeOf[low] = edge;
            return edge;
        }
        for (unsigned int e = mFirstEdgeOf[low]; e != NONE; e = mNextEdge[e]) insertSlot(e);
        mFirstEdgeOf[low] = HASHED;
    }
    unsigned long const key = keyOf(low, high);
    std::size_t const mask = mSlots.size() - 1;
    for (unsigned long slot = slotOf(key, mask); mSlots[slot].key != EMPTY_KEY;
         slot = (slot + 1) & mask)
        if (mSlots[slot].key == key) return mSlots[slot].edge;
    auto const edge = static_cast<unsigned int>(mEdges.size());
    mEdges.push_back({low, high, 0, 0});
    mNextEdge.push_back(NONE);
    insertSlot(edge);
    return edge;
}

void FlatEdgeTable::insertSlot(unsigned int edge) {
    if (2 * (mSlotsUsed + 1) > mSlots.size()) {
        // Doubles the table and puts back every hashed edge.
        std::vector<Slot> old(2 * mSlots.size(), Slot{EMPTY_KEY, 0});
        old.swap(mSlots);
        mSlotsUsed = 0;
        for (Slot const& slot : old)
            if (slot.key != EMPTY_KEY) insertSlot(slot.edge);
    }
    Edge const& e = mEdges[edge];
    unsigned long const key = keyOf(e.lowVertex, e.highVertex);
    std::size_t const mask = mSlots.size() - 1;
    unsigned long slot = slotOf(key, mask);
    while (mSlots[slot].key != EMPTY_KEY) slot = (slot + 1) & mask;
    mSlots[slot] = {key, edge};
    ++mSlotsUsed;
}

}  // namespace detail
}  // namespace util

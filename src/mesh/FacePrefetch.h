#pragma once

#include <cstddef>
#include <vector>

#include "mesh/Mesh.h"

namespace util {
namespace detail {

// Asks for the cache line at address; never faults, so the null data of an empty list is fine.
// An instruction of its own because the compiler drops __builtin_prefetch from some of these
// loops as dead code.
inline void prefetchLine(void const* address) { asm volatile("prefetcht0 (%0)" : : "r"(address)); }

// Walks over the faces of a large mesh wait on memory: a face spans five cache lines, of which a
// walk reads the first, and its corners lie in a block of their own. Asking for the face sixteen
// ahead and for the corners of the face eight ahead keeps these misses in flight (the short-edge
// collapse over a million triangles takes half the time). Call it at each face of a walk in
// ascending order.
inline void prefetchFaceAhead(std::vector<Mesh::Polygon> const& faces, std::size_t f) {
    constexpr std::size_t AHEAD = 8;
    if (f + 2 * AHEAD < faces.size()) prefetchLine(&faces[f + 2 * AHEAD]);
    if (f + AHEAD < faces.size()) prefetchLine(faces[f + AHEAD].vertexIndices.data());
}

// The same for a walk in descending order.
inline void prefetchFaceBehind(std::vector<Mesh::Polygon> const& faces, std::size_t f) {
    constexpr std::size_t BEHIND = 8;
    if (f >= 2 * BEHIND) prefetchLine(&faces[f - 2 * BEHIND]);
    if (f >= BEHIND) prefetchLine(faces[f - BEHIND].vertexIndices.data());
}

}  // namespace detail
}  // namespace util

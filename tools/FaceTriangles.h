#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace util::tool {

// Splits a simple polygon, given as its corners' positions in order, into corners - 2 triangles
// of corner positions 0 .. corners - 1, for formats that hold only triangles. Convex faces are
// fanned; others are clipped ear by ear in the plane of their dominant axis. A face that is not
// simple, or too large to clip in reasonable time, falls back to a fan.
std::vector<std::array<std::size_t, 3>> faceTriangles(
    std::vector<std::array<float, 3>> const& corners);

}  // namespace util::tool

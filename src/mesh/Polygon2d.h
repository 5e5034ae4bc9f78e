#pragma once

#include <vector>

#include "base/Vector2.h"

namespace util {

// Planar polygon tests on projected faces.
class Polygon2d {
public:
    // Even-odd rule with edges half-open at their lower end; no tolerance, so points exactly on
    // the boundary may come out either way.
    static bool pointInside(Vector2<float> const& point, std::vector<Vector2<float>> const& polygon);
};

}  // namespace util

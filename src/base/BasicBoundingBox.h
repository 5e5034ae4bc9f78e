#pragma once

#include "base/Vector3.h"

namespace util {

// Axis-aligned box. The empty box has min at the largest finite value and max at its negation
// on every axis, so the first extension makes the point both min and max.
template <typename T>
class BasicBoundingBox {
public:
    static constexpr T EMPTY_MIN = static_cast<T>(3.4028235e38);

    Vector3<T> min{EMPTY_MIN, EMPTY_MIN, EMPTY_MIN};
    Vector3<T> max{-EMPTY_MIN, -EMPTY_MIN, -EMPTY_MIN};

    BasicBoundingBox() = default;
    BasicBoundingBox(Vector3<T> const& min_, Vector3<T> const& max_) : min(min_), max(max_) {}

    void extend(Vector3<T> const& p) {
        if (p.x < min.x) min.x = p.x;
        if (p.y < min.y) min.y = p.y;
        if (p.z < min.z) min.z = p.z;
        if (p.x > max.x) max.x = p.x;
        if (p.y > max.y) max.y = p.y;
        if (p.z > max.z) max.z = p.z;
    }
    void extend(BasicBoundingBox const& b) {
        extend(b.min);
        extend(b.max);
    }
    bool isEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    // Closed intervals on all three axes: touching boxes meet.
    bool meets(BasicBoundingBox const& o) const {
        return min.x <= o.max.x && o.min.x <= max.x && min.y <= o.max.y && o.min.y <= max.y &&
               min.z <= o.max.z && o.min.z <= max.z;
    }
    bool operator==(BasicBoundingBox const& o) const { return min == o.min && max == o.max; }
};

}  // namespace util

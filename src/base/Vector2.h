#pragma once

namespace util {

// Plain 2-component vector, used for faces projected onto a main-axis plane.
template <typename T>
class Vector2 {
public:
    T x{}, y{};

    Vector2() = default;
    Vector2(T x_, T y_) : x(x_), y(y_) {}

    Vector2 operator+(Vector2 const& o) const { return {x + o.x, y + o.y}; }
    Vector2 operator-(Vector2 const& o) const { return {x - o.x, y - o.y}; }
    Vector2 operator*(T s) const { return {x * s, y * s}; }
    bool operator==(Vector2 const& o) const { return x == o.x && y == o.y; }
    bool operator!=(Vector2 const& o) const { return !(*this == o); }
    T dot(Vector2 const& o) const { return x * o.x + y * o.y; }
};

}  // namespace util

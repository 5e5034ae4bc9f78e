#pragma once

#include <cmath>
#include <ostream>

namespace util {

// Plain 3-component vector. A std::vector of them is a tightly packed coordinate array, which
// the picking and intersection code relies on. Normalising a vector of length at most 1e-25
// yields (0, 1, 0) everywhere in the library.
template <typename T>
class Vector3 {
public:
    T x{}, y{}, z{};

    Vector3() = default;
    Vector3(T x_, T y_, T z_) : x(x_), y(y_), z(z_) {}

    T& operator[](int axis) { return axis == 0 ? x : (axis == 1 ? y : z); }
    T operator[](int axis) const { return axis == 0 ? x : (axis == 1 ? y : z); }

    Vector3 operator+(Vector3 const& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vector3 operator-(Vector3 const& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vector3 operator-() const { return {-x, -y, -z}; }
    Vector3 operator*(T s) const { return {x * s, y * s, z * s}; }
    Vector3 operator/(T s) const { return {x / s, y / s, z / s}; }
    Vector3& operator+=(Vector3 const& o) {
        x += o.x;
        y += o.y;
        z += o.z;
        return *this;
    }
    Vector3& operator-=(Vector3 const& o) {
        x -= o.x;
        y -= o.y;
        z -= o.z;
        return *this;
    }
    Vector3& operator*=(T s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    bool operator==(Vector3 const& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(Vector3 const& o) const { return !(*this == o); }

    T dot(Vector3 const& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector3 cross(Vector3 const& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    T lengthSquared() const { return x * x + y * y + z * z; }
    T length() const { return std::sqrt(lengthSquared()); }

    // Writes the length; divides by it when it exceeds 1e-25, else becomes (0, 1, 0).
    // The length is taken in double so that tiny vectors still report a non-zero length.
    bool getLengthAndNormalize(T& length) {
        double const dx = x, dy = y, dz = z;
        length = static_cast<T>(std::sqrt(dx * dx + dy * dy + dz * dz));
        if (length > static_cast<T>(1e-25)) {
            x /= length;
            y /= length;
            z /= length;
            return true;
        }
        x = 0;
        y = 1;
        z = 0;
        return false;
    }
    bool normalize() {
        T length;
        return getLengthAndNormalize(length);
    }
    Vector3 normalized() const {
        Vector3 v = *this;
        v.normalize();
        return v;
    }
};

// Angle in radians in [0, pi] between two unit vectors, without acos (accurate near 0 and pi).
template <typename T>
T angleBetweenUnitVector3s(Vector3<T> const& a, Vector3<T> const& b) {
    if (a.dot(b) < 0) {
        double const half = static_cast<double>((a + b).length()) / 2.0;
        return static_cast<T>(3.141592653589793 - 2.0 * std::asin(half));
    }
    double const half = static_cast<double>((a - b).length()) / 2.0;
    return static_cast<T>(2.0 * std::asin(half));
}

inline std::ostream& operator<<(std::ostream& os, Vector3<float> const& v) {
    return os << "(" << static_cast<double>(v.x) << ", " << static_cast<double>(v.y) << ", "
              << static_cast<double>(v.z) << ")";
}

}  // namespace util

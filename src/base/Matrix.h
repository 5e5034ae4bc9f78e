#pragma once

#include "base/Vector3.h"

namespace util {

// 4x4 matrix in column-major order: row r, column c at index 4*c + r; translation at 12, 13, 14.
// Every matrix that crosses the host interface as 16 floats uses this order.
template <typename T>
class Matrix {
public:
    T m[16];

    Matrix() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}  // identity
    explicit Matrix(T const* values) {
        for (int i = 0; i < 16; ++i) m[i] = values[i];
    }

    static Matrix identity() { return Matrix(); }
    static Matrix translation(T x, T y, T z) {
        Matrix r;
        r.m[12] = x;
        r.m[13] = y;
        r.m[14] = z;
        return r;
    }
    static Matrix scaling(T x, T y, T z) {
        Matrix r;
        r.m[0] = x;
        r.m[5] = y;
        r.m[10] = z;
        return r;
    }

    T& operator[](int i) { return m[i]; }
    T operator[](int i) const { return m[i]; }

    // Affine: no division by w, whatever the bottom row holds.
    Vector3<T> transformPoint(Vector3<T> const& p) const {
        return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    }
    // Upper 3x3 part only; the result is not normalised.
    Vector3<T> transformVector(Vector3<T> const& v) const {
        return {m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                m[2] * v.x + m[6] * v.y + m[10] * v.z};
    }
    // Transforms a normal with a cofactor matrix and normalises it ((0, 1, 0) when degenerate).
    Vector3<T> transformNormal(Vector3<T> const& n) const {
        Vector3<T> r = transformVector(n);
        r.normalize();
        return r;
    }

    // The cofactor matrix, det(M) * inverse(M)^T without the division, so it exists for
    // singular matrices. Only for normals, which are normalised afterwards.
    Matrix getInverseTransposeSafe() const {
        Matrix r;
        for (int k = 0; k < 16; ++k) {
            int const row = k % 4;
            int const col = k / 4;
            T minor[9];
            int n = 0;
            for (int c = 0; c < 4; ++c) {
                if (c == col) continue;
                for (int rr = 0; rr < 4; ++rr) {
                    if (rr == row) continue;
                    minor[n++] = m[4 * c + rr];
                }
            }
            // minor is column-major 3x3
            T const det = minor[0] * (minor[4] * minor[8] - minor[7] * minor[5]) -
                          minor[3] * (minor[1] * minor[8] - minor[7] * minor[2]) +
                          minor[6] * (minor[1] * minor[5] - minor[4] * minor[2]);
            r.m[k] = ((row + col) % 2 == 0) ? det : -det;
        }
        return r;
    }

    bool operator==(Matrix const& o) const {
        for (int i = 0; i < 16; ++i)
            if (m[i] != o.m[i]) return false;
        return true;
    }
};

// A * B: B is applied first, then A.
template <typename T>
Matrix<T> operator*(Matrix<T> const& a, Matrix<T> const& b) {
    Matrix<T> r;
    for (int j = 0; j < 4; ++j)
        for (int row = 0; row < 4; ++row)
            r.m[4 * j + row] = b.m[4 * j] * a.m[row] + b.m[4 * j + 1] * a.m[4 + row] +
                               b.m[4 * j + 2] * a.m[8 + row] + b.m[4 * j + 3] * a.m[12 + row];
    return r;
}

}  // namespace util

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "intersection/TriIntersector.h"

// The entry snap precomputes edge membership, skips the visibility test for edges that could
// not change the result and leaves out divisions by w = 1. This oracle is the scan written out
// plainly, step by step; both must agree bit for bit on random meshes.
namespace util {
namespace {
using V3 = Vector3<float>;
using Points = std::vector<V3>;
using Indices = std::vector<unsigned int>;

constexpr float FLOAT_MAX = 3.4028235e38f;
constexpr unsigned int NONE = 0xFFFFFFFFu;

float row(Matrix<float> const& m, int r, V3 const& p) {
    return m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
}

V3 projected(Matrix<float> const& m, V3 const& p, V3 const& fallback) {
    float const w = std::fabs(row(m, 3, p));
    if (!(w > 1e-25f)) return fallback;
    return V3(row(m, 0, p) / w, row(m, 1, p) / w, row(m, 2, p) / w);
}

bool inside(V3 const& q) {
    return q.x >= -1 && q.x <= 1 && q.y >= -1 && q.y <= 1 && q.z >= -1 && q.z <= 1;
}

bool visible(V3 const& s, V3 const& e) {
    V3 const ext = e - s;
    float t0 = 1.1754944e-38f, t1 = FLOAT_MAX;
    std::vector<int> parallel;
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(ext[a]) < 0.0001f) {
            parallel.push_back(a);
            continue;
        }
        float lo = (-1 - s[a]) / ext[a], hi = (1 - s[a]) / ext[a];
        if (lo > hi) std::swap(lo, hi);
        if (lo > t0) t0 = lo;
        if (hi < t1) t1 = hi;
        if (t0 > t1) return false;
    }
    for (int const a : parallel) {
        float const c0 = s[a] + t0 * ext[a], c1 = s[a] + t1 * ext[a];
        if (!(c0 >= -1 && c0 <= 1 && c1 >= -1 && c1 <= 1)) return false;
    }
    return (t0 >= 0 && t0 <= 1) || (t1 >= 0 && t1 <= 1) || (t0 < 0 && t1 > 1);
}

struct Result {
    signed char kind = 0;
    V3 point, c0, c1, c2;
};

Result plainSnap(Points const& local, Indices const& tris, Indices const& lines,
                 std::vector<Matrix<float>> const& trafo, Matrix<float> const& view, V3 const& o,
                 V3 const& d) {
    Points P, Q;
    float lo[3] = {FLOAT_MAX, FLOAT_MAX, FLOAT_MAX}, hi[3] = {-FLOAT_MAX, -FLOAT_MAX, -FLOAT_MAX};
    for (V3 const& p : local) {
        P.push_back(trafo.empty() ? p : projected(trafo[0], p, p));
        Q.push_back(projected(view, P.back(), V3(0, 0, 0)));
        for (int a = 0; a < 3; ++a) {
            if (Q.back()[a] < lo[a]) lo[a] = Q.back()[a];
            if (Q.back()[a] > hi[a]) hi[a] = Q.back()[a];
        }
    }
    for (int a = 0; a < 3; ++a)
        if (hi[a] < -1 || lo[a] > 1) return {};
    std::set<std::pair<unsigned, unsigned>> edges;
    for (std::size_t k = 0; k + 1 < lines.size(); k += 2)
        edges.insert({std::min(lines[k], lines[k + 1]), std::max(lines[k], lines[k + 1])});
    if (tris.size() < 3) return {};
    auto depth = [&](V3 const& x) { return (x - o).dot(d); };
    float best = FLOAT_MAX, previous = 0.0f;
    signed char kind = 0;
    unsigned bestT = NONE, hitT = NONE;
    V3 point;
    unsigned corners[3] = {0, 0, 0};
    auto take = [&](signed char k, V3 const& x, unsigned a, unsigned b, unsigned c, float prev) {
        kind = k;
        point = x;
        corners[0] = a;
        corners[1] = b;
        corners[2] = c;
        previous = prev;
    };
    for (unsigned T = 0; 3 * T + 2 < tris.size(); ++T) {
        unsigned const t[3] = {tris[3 * T], tris[3 * T + 1], tris[3 * T + 2]};
        V3 const &A = P[t[0]], &B = P[t[1]], &C = P[t[2]];
        V3 const e1 = B - A, e2 = C - A, q = d.cross(e2);
        float const det = e1.dot(q);
        if (!(det > -1e-5f && det < 1e-5f)) {
            float const inv = 1.0f / det;
            V3 const s = o - A;
            float const u = s.dot(q) * inv;
            V3 const r = s.cross(e1);
            float const v = d.dot(r) * inv;
            if (u >= 0 && u <= 1 && v >= 0 && u + v <= 1) {
                hitT = T;
                V3 const h = A * (1 - u - v) + B * u + C * v;
                if (depth(h) < best) {
                    best = depth(h);
                    bestT = T;
                    take(3, h, t[0], t[1], t[2], FLOAT_MAX);
                }
            }
        }
        for (int i = 0; i < 3; ++i) {
            unsigned const x = t[i], n = t[(i + 1) % 3], l = t[(i + 2) % 3];
            if (!inside(Q[x])) continue;
            float const dx = depth(P[x]);
            signed char const s = hitT == T ? 1 : -1;
            if (dx < best) {
                best = dx;
                bestT = T;
                take(s, P[x], x, n, l, dx);
            } else if (dx < previous && bestT == T) {
                take(s, P[x], x, n, l, dx);
            } else if (dx == best) {
                bestT = T;
            }
        }
        for (int i = 0; i < 3; ++i) {
            unsigned const s = t[i], e = t[(i + 1) % 3], third = t[(i + 2) % 3];
            if (!edges.count({std::min(s, e), std::max(s, e)})) continue;
            if (bestT == T && (kind == 1 || kind == -1)) continue;
            if (!visible(Q[s], Q[e])) continue;
            V3 const w = P[s] - o, f = P[e] - P[s];
            float const fd = f.dot(d), dd = d.lengthSquared();
            float const D = f.lengthSquared() * dd - fd * fd;
            float tt = 0;
            if (!(D < 1e-5f)) {
                tt = (d.dot(w) * fd - w.dot(f) * dd) / D;
                tt = tt < 0 ? 0 : (tt > 1 ? 1 : tt);
            }
            V3 const x = P[s] + f * tt;
            float const dx = depth(x);
            signed char const k = hitT == T ? 2 : -2;
            if (dx < best) {
                best = dx;
                bestT = NONE;
                take(k, x, s, e, third, dx);
            } else if (dx < previous && bestT == T) {
                take(k, x, s, e, third, dx);
            }
        }
    }
    Result result;
    result.kind = kind;
    if (kind != 0) {
        result.point = point;
        result.c0 = P[corners[0]];
        result.c1 = P[corners[1]];
        result.c2 = P[corners[2]];
    }
    return result;
}

// Coordinates on a (scaled) 1/8 grid give equal depths and boundary cases; matrices are absent,
// affine or projective; views are scalings or perspective-like.
struct RandomCase {
    explicit RandomCase(unsigned int seed) : random(seed) {
        std::uniform_int_distribution<int> grid(-12, 12);
        auto coordinate = [&] { return static_cast<float>(grid(random)) / 8.0f; };
        float const scales[3] = {0.5f, 3.0f, 12.0f};  // mostly inside the view, or mostly outside
        float const scale = scales[random() % 3];
        unsigned int const n = 3 + random() % 10;
        for (unsigned int k = 0; k < n; ++k)
            vertices.push_back(V3(coordinate(), coordinate(), coordinate()) * scale);
        unsigned int const triangleCount = 1 + random() % 8;
        for (unsigned int k = 0; k < 3 * triangleCount; ++k) triangles.push_back(random() % n);
        for (std::size_t k = 0; k < triangles.size(); k += 3) {
            for (int side = 0; side < 3; ++side) {
                if (random() % 2) continue;
                lines.push_back(triangles[k + side]);
                lines.push_back(triangles[k + (side + 1) % 3]);
            }
        }
        std::uniform_real_distribution<float> small(-0.3f, 0.3f);
        switch (random() % 3) {
            case 0:
                break;
            case 1: {
                Matrix<float> m = Matrix<float>::scaling(1 + small(random), 1, 1 - small(random));
                m[4] = small(random);
                m[12] = small(random);
                trafo.push_back(m);
                break;
            }
            default: {
                Matrix<float> m;
                for (int i : {1, 3, 7, 11, 13}) m[i] = small(random);
                trafo.push_back(m);
                break;
            }
        }
        if (random() % 2) {
            view = Matrix<float>::scaling(0.8f, 0.8f, 0.5f);
        } else {
            for (int i = 0; i < 16; ++i) view[i] += small(random);
            view[11] = -1;
            view[15] = 3;
        }
        origin = V3(coordinate(), coordinate(), 3);
        direction = V3(small(random), small(random), -1);
    }

    std::mt19937 random;
    Points vertices;
    Indices triangles, lines;
    std::vector<Matrix<float>> trafo;
    Matrix<float> view;
    V3 origin, direction;
};

void expectSame(V3 const& a, V3 const& b) {
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.y, b.y);
    EXPECT_EQ(a.z, b.z);
}

TEST(TriIntersectorSnapOracleTest, AgreesBitForBitWithThePlainScan) {
    std::map<int, int> kinds;
    for (unsigned int seed = 1; seed <= 3000; ++seed) {
        RandomCase const c(seed);
        auto mesh = std::make_shared<TriangleMesh>(new Points(c.vertices), nullptr, nullptr,
                                                   new Indices(c.triangles), new Indices(c.lines));
        TriIntersector::GeometryEntry const entry(mesh, c.trafo);
        Result fast;
        fast.kind =
            entry.snap(c.view, c.origin, c.direction, fast.point, fast.c0, fast.c1, fast.c2);
        Result const plain =
            plainSnap(c.vertices, c.triangles, c.lines, c.trafo, c.view, c.origin, c.direction);
        ASSERT_EQ(fast.kind, plain.kind) << "seed " << seed;
        ++kinds[fast.kind];
        if (fast.kind == 0) continue;
        expectSame(fast.point, plain.point);
        expectSame(fast.c0, plain.c0);
        expectSame(fast.c1, plain.c1);
        expectSame(fast.c2, plain.c2);
    }
    for (int const kind : {3, 1, -1, 2, -2}) EXPECT_GT(kinds[kind], 10) << "kind " << kind;
}

}  // namespace
}  // namespace util

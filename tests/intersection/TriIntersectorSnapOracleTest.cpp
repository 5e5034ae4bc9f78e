#include <gtest/gtest.h>

#include <algorithm>
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
// plainly; both must agree bit for bit on random meshes.
namespace util {
namespace {
using V3 = Vector3<float>;
using Points = std::vector<V3>;
using Indices = std::vector<unsigned int>;

constexpr float FLOAT_MAX = 3.4028235e38f;
constexpr unsigned int NONE = 0xFFFFFFFFu;

// Coordinates on a (scaled) 1/8 grid give equal depths and boundary cases; matrices are absent,
// affine or projective; views are scalings or perspective-like.
struct RandomCase {
    explicit RandomCase(unsigned int seed) : random(seed) {
        std::uniform_int_distribution<int> grid(-12, 12);
        std::uniform_real_distribution<float> small(-0.3f, 0.3f);
        auto coordinate = [&] { return static_cast<float>(grid(random)) / 8.0f; };
        float const scale = std::vector<float>{0.5f, 3.0f, 12.0f}[random() % 3];  // in or out
        unsigned int const n = 3 + random() % 10;
        for (unsigned int k = 0; k < n; ++k)
            vertices.push_back(V3(coordinate(), coordinate(), coordinate()) * scale);
        for (unsigned int k = 0, count = 3 * (1 + random() % 8); k < count; ++k)
            triangles.push_back(random() % n);
        for (std::size_t k = 0; k < triangles.size(); ++k)
            if (random() % 2 == 0)
                lines.insert(lines.end(), {triangles[k], triangles[k % 3 == 2 ? k - 2 : k + 1]});
        if (unsigned int const kind = random() % 3; kind != 0) {
            Matrix<float> m;
            for (int i : kind == 1 ? std::vector<int>{0, 4, 10, 12} : std::vector<int>{1, 3, 7, 13})
                m[i] += small(random);
            trafo.push_back(m);
        }
        for (int i = 0; i < 16; ++i) view[i] += small(random);
        if (random() % 2) view[11] = -1, view[15] = 3;
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

float row(Matrix<float> const& m, int r, V3 const& p) {
    return m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
}

V3 projected(Matrix<float> const& m, V3 const& p, V3 const& fallback) {
    float const w = std::fabs(row(m, 3, p));
    return w > 1e-25f ? V3(row(m, 0, p) / w, row(m, 1, p) / w, row(m, 2, p) / w) : fallback;
}

bool inside(V3 const& q) {
    return q.x >= -1 && q.x <= 1 && q.y >= -1 && q.y <= 1 && q.z >= -1 && q.z <= 1;
}

// The device-space segment clipped to [-1, 1]^3 axis by axis; a nearly parallel axis clips
// nothing but must hold the clipped segment inside its slab.
bool visible(V3 const& s, V3 const& e) {
    V3 const ext = e - s;
    float t0 = 1.1754944e-38f, t1 = FLOAT_MAX;
    std::vector<int> parallel;
    for (int a = 0; a < 3; ++a) {
        if (std::fabs(ext[a]) < 0.0001f) {
            parallel.push_back(a);
            continue;
        }
        float const lo = (-1 - s[a]) / ext[a], hi = (1 - s[a]) / ext[a];
        t0 = std::max(t0, std::min(lo, hi));
        t1 = std::min(t1, std::max(lo, hi));
        if (t0 > t1) return false;
    }
    for (int const a : parallel)
        if (!inside(V3(s[a] + t0 * ext[a], s[a] + t1 * ext[a], 0))) return false;
    return (t0 >= 0 && t0 <= 1) || (t1 >= 0 && t1 <= 1) || (t0 < 0 && t1 > 1);
}

struct Result {
    signed char kind = 0;
    V3 point, c0, c1, c2;
};

Result plainSnap(RandomCase const& c) {
    if (c.triangles.size() < 3) return {};
    Points P, Q;
    V3 lo(FLOAT_MAX, FLOAT_MAX, FLOAT_MAX), hi(-FLOAT_MAX, -FLOAT_MAX, -FLOAT_MAX);
    for (V3 const& p : c.vertices) {
        P.push_back(c.trafo.empty() ? p : projected(c.trafo[0], p, p));
        Q.push_back(projected(c.view, P.back(), V3(0, 0, 0)));
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], Q.back()[a]);
            hi[a] = std::max(hi[a], Q.back()[a]);
        }
    }
    for (int a = 0; a < 3; ++a)
        if (hi[a] < -1 || lo[a] > 1) return {};
    std::set<std::pair<unsigned, unsigned>> edges;
    for (std::size_t k = 0; k + 1 < c.lines.size(); k += 2)
        edges.insert(std::minmax(c.lines[k], c.lines[k + 1]));

    V3 const &o = c.origin, &d = c.direction;
    auto depth = [&](V3 const& x) { return (x - o).dot(d); };
    float best = FLOAT_MAX, previous = 0.0f;
    unsigned bestT = NONE, hitT = NONE;
    Result r;
    auto take = [&](signed char kind, V3 const& x, unsigned a, unsigned b, unsigned e, float p) {
        r = {kind, x, P[a], P[b], P[e]};
        previous = p;
    };
    // A nearer candidate becomes the snap; one nearer than the last candidate of the triangle
    // holding the snap replaces it; a corner at the best depth only claims it for its triangle.
    auto consider = [&](signed char kind, V3 const& x, unsigned a, unsigned b, unsigned e,
                        unsigned T, bool isCorner) {
        float const dx = depth(x);
        if (dx < best) {
            best = dx;
            bestT = isCorner ? T : NONE;
            take(kind, x, a, b, e, dx);
        } else if (dx < previous && bestT == T) {
            take(kind, x, a, b, e, dx);
        } else if (isCorner && dx == best) {
            bestT = T;
        }
    };
    for (unsigned T = 0; 3 * T + 2 < c.triangles.size(); ++T) {
        unsigned const t[3] = {c.triangles[3 * T], c.triangles[3 * T + 1], c.triangles[3 * T + 2]};
        V3 const &A = P[t[0]], &B = P[t[1]], &C = P[t[2]];
        V3 const e1 = B - A, e2 = C - A, q = d.cross(e2);
        float const det = e1.dot(q);
        if (!(det > -1e-5f && det < 1e-5f)) {
            float const inv = 1.0f / det;
            V3 const s = o - A;
            float const u = s.dot(q) * inv;
            float const v = d.dot(s.cross(e1)) * inv;
            if (u >= 0 && u <= 1 && v >= 0 && u + v <= 1) {  // behind the origin counts too
                hitT = T;
                V3 const h = A * (1 - u - v) + B * u + C * v;
                if (depth(h) < best) {
                    best = depth(h);
                    bestT = T;
                    take(3, h, t[0], t[1], t[2], FLOAT_MAX);
                }
            }
        }
        for (int i = 0; i < 3; ++i)
            if (inside(Q[t[i]]))
                consider(hitT == T ? 1 : -1, P[t[i]], t[i], t[(i + 1) % 3], t[(i + 2) % 3], T,
                         true);
        for (int i = 0; i < 3; ++i) {
            unsigned const s = t[i], e = t[(i + 1) % 3];
            if (!edges.count(std::minmax(s, e))) continue;
            if (bestT == T && (r.kind == 1 || r.kind == -1)) continue;
            if (!visible(Q[s], Q[e])) continue;
            V3 const w = P[s] - o, f = P[e] - P[s];
            float const fd = f.dot(d), dd = d.lengthSquared();
            float const D = f.lengthSquared() * dd - fd * fd;
            float const tt =
                D < 1e-5f ? 0 : std::clamp((d.dot(w) * fd - w.dot(f) * dd) / D, 0.0f, 1.0f);
            consider(hitT == T ? 2 : -2, P[s] + f * tt, s, e, t[(i + 2) % 3], T, false);
        }
    }
    return r;
}

TEST(TriIntersectorSnapOracleTest, AgreesBitForBitWithThePlainScan) {
    std::map<int, int> kinds;
    for (unsigned int seed = 1; seed <= 1000; ++seed) {
        RandomCase const c(seed);
        auto mesh = std::make_shared<TriangleMesh>(new Points(c.vertices), nullptr, nullptr,
                                                   new Indices(c.triangles), new Indices(c.lines));
        Result fast;
        fast.kind = TriIntersector::GeometryEntry(mesh, c.trafo)
                        .snap(c.view, c.origin, c.direction, fast.point, fast.c0, fast.c1, fast.c2);
        Result const plain = plainSnap(c);
        ASSERT_EQ(fast.kind, plain.kind) << "seed " << seed;
        ++kinds[fast.kind];
        if (fast.kind == 0) continue;
        EXPECT_EQ(fast.point, plain.point) << "seed " << seed;
        EXPECT_EQ(fast.c0, plain.c0) << "seed " << seed;
        EXPECT_EQ(fast.c1, plain.c1) << "seed " << seed;
        EXPECT_EQ(fast.c2, plain.c2) << "seed " << seed;
    }
    for (int const kind : {3, 1, -1, 2, -2}) EXPECT_GT(kinds[kind], 10) << "kind " << kind;
}

}  // namespace
}  // namespace util

// The picker's two queries at scale: a frustum over a large group of small entries, and a ray
// against one large entry next to a plain loop over pre-transformed triangles.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "base/Matrix.h"
#include "mesh/Mesh.h"
#include "picking/OctreePicker.h"

namespace {

using util::Mesh;
using V3 = util::Vector3<float>;

constexpr int GRID = 100;  // GRID x GRID entries
constexpr float SPACING = 3;

Mesh makeCube() {
    std::vector<V3> const v{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0),
                            V3(0, 0, 1), V3(1, 0, 1), V3(1, 1, 1), V3(0, 1, 1)};
    std::vector<Mesh::Polygon> faces;
    for (std::vector<unsigned int> const& f : std::vector<std::vector<unsigned int>>{
             {0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}}) {
        faces.emplace_back(f);
    }
    Mesh mesh("cube", v, faces);
    mesh.calcFaceNormals();
    return mesh;
}

void addGrid(Picker& picker, unsigned long group, Mesh const& cube) {
    for (int i = 0; i < GRID * GRID; ++i) {
        picker.addEntry(
            group, i, {&cube},
            util::Matrix<float>::translation(SPACING * (i % GRID), SPACING * (i / GRID), 0));
    }
}

// Corners and orthographic view-projection of the box [lo, hi].
struct BoxView {
    float corners[24];
    util::Matrix<float> viewProjection;
};

BoxView boxView(V3 const& lo, V3 const& hi) {
    V3 const c[8] = {V3(lo.x, hi.y, lo.z), V3(hi.x, hi.y, lo.z), V3(hi.x, lo.y, lo.z),
                     V3(lo.x, lo.y, lo.z), V3(lo.x, hi.y, hi.z), V3(hi.x, hi.y, hi.z),
                     V3(hi.x, lo.y, hi.z), V3(lo.x, lo.y, hi.z)};
    BoxView view;
    for (int i = 0; i < 8; ++i) {
        view.corners[3 * i] = c[i].x;
        view.corners[3 * i + 1] = c[i].y;
        view.corners[3 * i + 2] = c[i].z;
    }
    for (int k = 0; k < 3; ++k) {
        view.viewProjection[5 * k] = 2 / (hi[k] - lo[k]);
        view.viewProjection[12 + k] = -(hi[k] + lo[k]) / (hi[k] - lo[k]);
    }
    return view;
}

void BM_AddAndDrainGrid(benchmark::State& state) {
    Mesh const cube = makeCube();
    for (auto _ : state) {
        std::unique_ptr<Picker> picker(Picker::createPicker());
        unsigned long const group = picker->createGroup();
        addGrid(*picker, group, cube);
        picker->processQueue();
        state.PauseTiming();
        picker->dispose(group);
        picker->processQueue();
        picker.reset();
        state.ResumeTiming();
    }
    state.counters["entries"] = GRID * GRID;
}
BENCHMARK(BM_AddAndDrainGrid)->Unit(benchmark::kMillisecond);

// One tenth of the rows of the grid lies in the box.
void BM_FrustumQueryTenthOfGrid(benchmark::State& state) {
    Mesh const cube = makeCube();
    std::unique_ptr<Picker> picker(Picker::createPicker());
    unsigned long const group = picker->createGroup();
    addGrid(*picker, group, cube);
    picker->processQueue();
    BoxView const view = boxView(V3(-1, -1, -1), V3(SPACING * GRID, SPACING * GRID / 10 - 0.5f, 2));
    std::vector<int> ids(GRID * GRID);
    long found = 0;
    for (auto _ : state) {
        found = picker->getIntersectingEntries(group, view.corners, view.viewProjection.m, false,
                                               ids.data(), ids.size());
        benchmark::DoNotOptimize(found);
    }
    state.counters["found"] = static_cast<double>(found);
    picker->dispose(group);
    picker->processQueue();
}
BENCHMARK(BM_FrustumQueryTenthOfGrid)->Unit(benchmark::kMicrosecond);

// A terrain of ROWS x COLUMNS cells, 2 triangles each; each row is one polygon whose long
// sides run through the row's grid points, so the mesh stays small before triangulation.
constexpr unsigned int ROWS = 500;
constexpr unsigned int COLUMNS = 1000;
constexpr unsigned int RAYS = 64;

struct Terrain {
    std::unique_ptr<Picker> picker{Picker::createPicker()};
    unsigned long group = picker->createGroup();
    util::Matrix<float> transform;
    std::vector<V3> triangles;  // pre-transformed corners, three per triangle
    std::vector<V3> origins, directions;

    Terrain() {
        std::mt19937 random(5);
        std::uniform_real_distribution<float> height(0, 0.3f);
        std::vector<V3> vertices;
        for (unsigned int r = 0; r <= ROWS; ++r)
            for (unsigned int c = 0; c <= COLUMNS; ++c)
                vertices.emplace_back(0.01f * c, 0.01f * r, height(random));
        std::vector<Mesh::Polygon> faces;
        for (unsigned int r = 0; r < ROWS; ++r) {
            std::vector<unsigned int> ring;
            for (unsigned int c = 0; c <= COLUMNS; ++c) ring.push_back(r * (COLUMNS + 1) + c);
            for (unsigned int c = COLUMNS + 1; c-- > 0;)
                ring.push_back((r + 1) * (COLUMNS + 1) + c);
            faces.emplace_back(ring, V3(0, 0, 1));
        }
        Mesh const mesh("terrain", vertices, faces);
        transform = util::Matrix<float>::scaling(2, 2, 1);
        transform[12] = 5;
        transform[13] = -3;
        picker->addEntry(group, 1, {&mesh}, transform);
        picker->processQueue();
        // The same triangles as the picker's, through a cache of our own.
        util::Mesh2TriangleMeshCache cache(Mesh::KEY_GENERIC);
        std::shared_ptr<util::TriangleMesh> const tm = cache.get(mesh);
        for (unsigned int index : *tm->getTriangles())
            triangles.push_back(transform.transformPoint((*tm->getVertices())[index]));
        std::uniform_real_distribution<float> x(5, 25), y(-3, 7), tilt(-0.3f, 0.3f);
        for (unsigned int k = 0; k < RAYS; ++k) {
            origins.emplace_back(x(random), y(random), 5);
            directions.emplace_back(tilt(random), tilt(random), -1);
        }
    }
    ~Terrain() {
        picker->dispose(group);
        picker->processQueue();
    }
};

Terrain& terrain() {
    static Terrain t;
    return t;
}

void BM_ShapeDistLargeEntry(benchmark::State& state) {
    Terrain& t = terrain();
    unsigned int k = 0;
    for (auto _ : state) {
        float distance;
        float normal[3];
        bool const hit = t.picker->getShapeDist(t.group, 1, &t.origins[k].x, &t.directions[k].x,
                                                distance, normal);
        benchmark::DoNotOptimize(hit);
        benchmark::DoNotOptimize(distance);
        k = (k + 1) % RAYS;
    }
    state.counters["triangles"] = static_cast<double>(t.triangles.size() / 3);
}
BENCHMARK(BM_ShapeDistLargeEntry)->Unit(benchmark::kMicrosecond);

// The same search written out over pre-transformed triangles: the floor for a linear scan.
void BM_PlainLoopLargeEntry(benchmark::State& state) {
    Terrain& t = terrain();
    unsigned int k = 0;
    for (auto _ : state) {
        V3 const& o = t.origins[k];
        V3 const& d = t.directions[k];
        float best = 3.4028235e38f;
        V3 bestNormal(0, 0, 0);
        for (std::size_t i = 0; i < t.triangles.size(); i += 3) {
            V3 const& a = t.triangles[i];
            V3 const e1 = t.triangles[i + 1] - a, e2 = t.triangles[i + 2] - a;
            V3 const q = d.cross(e2);
            float const det = e1.dot(q);
            if (det > -1e-5f && det < 1e-5f) continue;
            float const inv = 1.0f / det;
            V3 const s = o - a;
            float const u = s.dot(q) * inv;
            if (!(u >= 0.0f && u <= 1.0f)) continue;
            V3 const r = s.cross(e1);
            float const v = d.dot(r) * inv;
            if (!(v >= 0.0f && u + v <= 1.0f)) continue;
            float const dist = e2.dot(r) * inv;
            if (!(dist >= 0.0f && dist < best)) continue;
            best = dist;
            bestNormal = e1.cross(e2).normalized();
        }
        benchmark::DoNotOptimize(best);
        benchmark::DoNotOptimize(bestNormal);
        k = (k + 1) % RAYS;
    }
}
BENCHMARK(BM_PlainLoopLargeEntry)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

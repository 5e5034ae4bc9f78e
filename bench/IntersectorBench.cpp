// Snap and ray-distance queries of the intersector: a group of many small entries, where the
// per-entry overhead shows, and one huge entry, where the per-triangle scan does.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "intersection/Intersector.h"
#include "mesh/Mesh.h"

namespace {

using util::Matrix;
using util::Mesh;
using V3 = util::Vector3<float>;

constexpr int SMALL_ENTRIES = 1000;
constexpr int SMALL_ENTRY_COLUMNS = 40;

// A unit-square grid of columns x rows cells in the plane z = 0, with its corner heights gently
// varied so that depths differ. Quads (triangulated, their diagonals not edges) or triangles.
std::unique_ptr<Mesh> grid(unsigned int columns, unsigned int rows, bool asTriangles) {
    std::vector<V3> vertices;
    float const dx = 1.0f / static_cast<float>(columns);
    float const dy = 1.0f / static_cast<float>(rows);
    for (unsigned int r = 0; r <= rows; ++r)
        for (unsigned int c = 0; c <= columns; ++c)
            vertices.emplace_back(c * dx, r * dy, 0.01f * static_cast<float>((r * 7 + c * 3) % 5));
    std::vector<Mesh::Polygon> faces;
    V3 const up(0, 0, 1);
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned int c = 0; c < columns; ++c) {
            unsigned int const a = r * (columns + 1) + c;
            unsigned int const b = a + 1;
            unsigned int const d = a + columns + 1;
            if (asTriangles) {
                faces.emplace_back(std::vector<unsigned int>{a, b, d + 1}, up);
                faces.emplace_back(std::vector<unsigned int>{a, d + 1, d}, up);
            } else {
                faces.emplace_back(std::vector<unsigned int>{a, b, d + 1, d}, up);
            }
        }
    }
    return std::make_unique<Mesh>("grid", vertices, faces);
}

// Maps the box [x0, x1] x [y0, y1] x [-1, 1] onto the view cube.
Matrix<float> viewOf(float x0, float y0, float x1, float y1) {
    Matrix<float> view = Matrix<float>::scaling(2 / (x1 - x0), 2 / (y1 - y0), 1);
    view[12] = -(x0 + x1) / (x1 - x0);
    view[13] = -(y0 + y1) / (y1 - y0);
    return view;
}

struct Scene {
    std::unique_ptr<Intersector> intersector{Intersector::createIntersector()};
    unsigned long group = intersector->createGroup();
    Matrix<float> view;
    float origin[3];
};

// 1,000 entries of one 10 x 10 quad grid (200 triangles each) side by side, all in view.
Scene& manyEntries() {
    static Scene* const scene = [] {
        auto* s = new Scene;
        util::Triangulator triangulator;
        std::unique_ptr<Mesh> const mesh = grid(10, 10, false);
        for (int k = 0; k < SMALL_ENTRIES; ++k) {
            float const x = 1.1f * static_cast<float>(k % SMALL_ENTRY_COLUMNS);
            float const y = 1.1f * static_cast<float>(k / SMALL_ENTRY_COLUMNS);
            s->intersector->addEntry(s->group, *mesh, Matrix<float>::translation(x, y, 0),
                                     triangulator);
        }
        s->view = viewOf(-1, -1, 45, 29);
        s->origin[0] = 22.33f;
        s->origin[1] = 13.71f;
        s->origin[2] = 10;
        s->intersector->processQueue();
        return s;
    }();
    return *scene;
}

// One entry of 1,000 x 500 cells as 1,000,000 triangles, in view.
Scene& oneHugeEntry() {
    static Scene* const scene = [] {
        auto* s = new Scene;
        util::Triangulator triangulator;
        std::unique_ptr<Mesh> const mesh = grid(1000, 500, true);
        s->intersector->addEntry(s->group, *mesh, Matrix<float>(), triangulator);
        s->view = viewOf(-0.1f, -0.1f, 1.1f, 1.1f);
        s->origin[0] = 0.4567f;
        s->origin[1] = 0.5123f;
        s->origin[2] = 10;
        s->intersector->processQueue();
        return s;
    }();
    return *scene;
}

void runSnap(benchmark::State& state, Scene& scene) {
    float const direction[3] = {0, 0, -1};
    float point[3], a[3], b[3], c[3];
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.intersector->snap(scene.group, scene.view.m, scene.origin,
                                                         direction, point, a, b, c));
    }
}

void runDistance(benchmark::State& state, Scene& scene) {
    float const direction[3] = {0, 0, -1};
    float distance;
    float normal[3];
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.intersector->getDistanceToGroup(
            scene.group, scene.origin, direction, distance, normal));
    }
}

void BM_SnapManyEntries(benchmark::State& state) { runSnap(state, manyEntries()); }
void BM_DistanceManyEntries(benchmark::State& state) { runDistance(state, manyEntries()); }
void BM_SnapOneHugeEntry(benchmark::State& state) { runSnap(state, oneHugeEntry()); }
void BM_DistanceOneHugeEntry(benchmark::State& state) { runDistance(state, oneHugeEntry()); }

BENCHMARK(BM_SnapManyEntries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DistanceManyEntries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SnapOneHugeEntry)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DistanceOneHugeEntry)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

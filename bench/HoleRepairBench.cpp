// Hole repair of one face with many small holes: the octree route against the direct check.
#include <benchmark/benchmark.h>

#include "mesh/Mesh.h"

namespace {

// A square face with side x side small square holes, wound against it.
util::Mesh faceWithGridOfHoles(int side) {
    std::vector<util::Vector3<float>> vertices{{0, 0, 0}, {float(side), 0, 0},
                                               {float(side), float(side), 0}, {0, float(side), 0}};
    std::vector<util::Mesh::Polygon> faces{util::Mesh::Polygon({0, 1, 2, 3}, {0, 0, 1})};
    std::vector<unsigned int> holes{0};
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            auto const v = static_cast<unsigned int>(vertices.size());
            float const x0 = x + 0.25f, y0 = y + 0.25f, x1 = x + 0.75f, y1 = y + 0.75f;
            vertices.insert(vertices.end(), {{x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0}, {x1, y0, 0}});
            holes.push_back(static_cast<unsigned int>(faces.size()));
            faces.emplace_back(std::vector<unsigned int>{v, v + 1, v + 2, v + 3},
                               util::Vector3<float>(0, 0, -1));
        }
    holes.push_back(util::Mesh::HOLES_END);
    return util::Mesh("holes", vertices, faces, holes);
}

void BM_HoleRepairOctree(benchmark::State& state) {
    util::Mesh const source = faceWithGridOfHoles(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        util::Mesh mesh = source;
        unsigned long removed = 0, inverted = 0;
        mesh.cleanupFaceHolesUsingOctree(removed, inverted, mesh.mFaces[0], 0,
                                         mesh.mHoles.size() - 2, false);
        benchmark::DoNotOptimize(removed);
    }
    state.counters["holes"] = static_cast<double>(source.mHoles.size() - 2);
}
BENCHMARK(BM_HoleRepairOctree)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_HoleRepairDirect(benchmark::State& state) {
    util::Mesh const source = faceWithGridOfHoles(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        util::Mesh mesh = source;
        unsigned long removed = 0, inverted = 0;
        mesh.cleanupFaceHolesDirectly(removed, inverted, 0, false);
        benchmark::DoNotOptimize(removed);
    }
    state.counters["holes"] = static_cast<double>(source.mHoles.size() - 2);
}
BENCHMARK(BM_HoleRepairDirect)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

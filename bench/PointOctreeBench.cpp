#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "spatial/PointOctree.h"

namespace {
using util::Point;
using util::PointOctree;
using V3 = util::Vector3<float>;

constexpr float TOLERANCE = 1e-4f;

std::vector<V3> unitCubeCloud(std::size_t n) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> coord(0, 1);
    std::vector<V3> positions;
    positions.reserve(n);
    for (std::size_t i = 0; i < n; ++i) positions.emplace_back(coord(rng), coord(rng), coord(rng));
    return positions;
}

// What vertex merging does: build once, then ask for the neighbours of every vertex.
void BM_PointOctreeSelfQueries(benchmark::State& state) {
    std::vector<V3> const positions = unitCubeCloud(static_cast<std::size_t>(state.range(0)));
    std::size_t found = 0;
    for (auto _ : state) {
        PointOctree tree(PointOctree::depthForPointCount(positions.size()), positions, 0);
        std::vector<Point> result;
        for (V3 const& p : positions) {
            result.clear();
            tree.findPoints(p, TOLERANCE, result);
            found += result.size();
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PointOctreeSelfQueries)->Arg(20000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The queries alone, on a fresh tree each time (queries create nodes).
void BM_PointOctreeQueriesOnly(benchmark::State& state) {
    std::vector<V3> const positions = unitCubeCloud(static_cast<std::size_t>(state.range(0)));
    std::size_t found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<PointOctree>(PointOctree::depthForPointCount(positions.size()),
                                                  positions, 0);
        state.ResumeTiming();
        std::vector<Point> result;
        for (V3 const& p : positions) {
            result.clear();
            tree->findPoints(p, TOLERANCE, result);
            found += result.size();
        }
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PointOctreeQueriesOnly)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_BruteForceSelfQueries(benchmark::State& state) {
    std::vector<V3> const positions = unitCubeCloud(static_cast<std::size_t>(state.range(0)));
    double const radiusSquared = double(TOLERANCE) * double(TOLERANCE);
    std::size_t found = 0;
    for (auto _ : state) {
        for (V3 const& q : positions) {
            for (V3 const& p : positions) {
                double const dx = double(p.x) - q.x, dy = double(p.y) - q.y, dz = double(p.z) - q.z;
                if (dx * dx + dy * dy + dz * dz <= radiusSquared) ++found;
            }
        }
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BruteForceSelfQueries)->Arg(20000)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();

// Records a hostile host might hand over, each at three sizes: the time per call must grow
// linearly with the record.
#include <benchmark/benchmark.h>

#include <climits>
#include <vector>

#include "cleanup/Cleanup.h"

namespace {

constexpr unsigned int HOLES_END = 0xFFFFFFFFu;

// One triangle (face 0) and whatever the shape adds; owns its arrays.
struct Record {
    std::vector<float> coords{0, 0, 0, 1, 0, 0, 0, 1, 0};
    std::vector<int> indices{0, 1, 2};
    std::vector<int> counts{3};
    std::vector<unsigned int> holes;

    Cleanup::MeshData data() const {
        Cleanup::MeshData data{};
        data.mVertexCoords = const_cast<float*>(coords.data());
        data.mVCCount = static_cast<int>(coords.size());
        data.mIndices = const_cast<int*>(indices.data());
        data.mIndexCount = static_cast<int>(indices.size());
        data.mCounts = const_cast<int*>(counts.data());
        data.mCountCount = static_cast<int>(counts.size());
        data.mHoles = holes.empty() ? nullptr : const_cast<unsigned int*>(holes.data());
        data.mHolesCount = static_cast<int>(holes.size());
        return data;
    }
};

void run(benchmark::State& state, Cleanup::MeshData const& data) {
    for (auto _ : state) {
        Cleanup::MeshData* result = Cleanup::removeFacesZero(1e-3f, data);
        benchmark::DoNotOptimize(result);
        Cleanup::freeMeshData(result);
    }
    state.SetComplexityN(state.range(0));
}

// n faces of 0 corners and a holes array of n entries naming them.
void BM_EmptyFacesAndLongHolesArray(benchmark::State& state) {
    auto const n = static_cast<unsigned int>(state.range(0));
    Record record;
    record.counts.resize(1 + n, 0);
    for (unsigned int g = 0; record.holes.size() + 3 <= n; ++g)
        record.holes.insert(record.holes.end(), {g % 2 == 0 ? 0u : 1 + g, 2 + g, HOLES_END});
    run(state, record.data());
}

// n triangles on the corners of face 0, all listed as its holes: every one is rejected.
void BM_RejectedHolesOfOneFace(benchmark::State& state) {
    auto const n = static_cast<unsigned int>(state.range(0));
    Record record;
    record.holes.push_back(0);
    for (unsigned int f = 1; f < n; ++f) {
        record.indices.insert(record.indices.end(), {0, 1, 2});
        record.counts.push_back(3);
        record.holes.push_back(f);
    }
    record.holes.push_back(HOLES_END);
    run(state, record.data());
}

// n faces of 0 corners besides the triangle.
void BM_EmptyFaces(benchmark::State& state) {
    Record record;
    record.counts.resize(1 + static_cast<std::size_t>(state.range(0)), 0);
    run(state, record.data());
}

// INT_MAX declared counts, n present, the last one past the index count.
void BM_DeclaredCountsBeyondTheArray(benchmark::State& state) {
    Record record;
    record.counts.assign(static_cast<std::size_t>(state.range(0)), 0);
    record.counts.back() = 4;
    Cleanup::MeshData data = record.data();
    data.mCountCount = INT_MAX;
    run(state, data);
}

BENCHMARK(BM_EmptyFacesAndLongHolesArray)
    ->Arg(50000)
    ->Arg(100000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_RejectedHolesOfOneFace)
    ->Arg(40000)
    ->Arg(80000)
    ->Arg(160000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_EmptyFaces)
    ->Arg(2500000)
    ->Arg(5000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_DeclaredCountsBeyondTheArray)
    ->Arg(2500000)
    ->Arg(5000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();

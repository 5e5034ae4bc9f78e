// Conversion of a host record into a mesh and back, on a grid of quads with UV set 0.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <vector>

#include "cleanup/MeshDataConversion.h"

namespace {

// A grid of side x side quads; vertices and UVs shared, as a host would hand them over.
struct GridRecord {
    std::vector<float> coords, texCoords;
    std::vector<int> indices, counts;
    Cleanup::MeshData data{};

    explicit GridRecord(int side) {
        int const row = side + 1;
        for (int y = 0; y <= side; ++y)
            for (int x = 0; x <= side; ++x) {
                coords.insert(coords.end(), {float(x), float(y), 0.0f});
                texCoords.insert(texCoords.end(), {float(x) / side, float(y) / side});
            }
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                int const v = y * row + x;
                indices.insert(indices.end(), {v, v + 1, v + row + 1, v + row});
                counts.push_back(4);
            }
        data.mVertexCoords = coords.data();
        data.mVCCount = static_cast<int>(coords.size());
        data.mIndices = indices.data();
        data.mIndexCount = static_cast<int>(indices.size());
        data.mTexCoords = texCoords.data();
        data.mTCCount = static_cast<int>(texCoords.size());
        data.mTCIndices = indices.data();
        data.mTCIndexCount = static_cast<int>(indices.size());
        data.mCounts = counts.data();
        data.mCountCount = static_cast<int>(counts.size());
    }
};

long peakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_RecordInAndOut(benchmark::State& state) {
    GridRecord const grid(static_cast<int>(state.range(0)));
    long const before = peakResidentKiB();
    for (auto _ : state) {
        std::string message;
        std::unique_ptr<util::Mesh> mesh = Cleanup::createMeshFromMeshData(grid.data, message);
        Cleanup::MeshData* out = Cleanup::createMeshDataFromMesh(*mesh, message);
        benchmark::DoNotOptimize(out);
        Cleanup::freeMeshData(out);
    }
    long const faces = static_cast<long>(grid.counts.size());
    state.counters["faces"] = static_cast<double>(faces);
    // Growth of the peak over the input record: the mesh and the output record together.
    state.counters["peak_bytes_per_face"] =
        static_cast<double>(peakResidentKiB() - before) * 1024.0 / static_cast<double>(faces);
}
BENCHMARK(BM_RecordInAndOut)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecordIn(benchmark::State& state) {
    GridRecord const grid(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string message;
        benchmark::DoNotOptimize(Cleanup::createMeshFromMeshData(grid.data, message));
    }
}
BENCHMARK(BM_RecordIn)->Arg(200)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "cleanup/Cleanup.h"

namespace {

constexpr int DEGENERATE_EVERY = 100;  // about 1 % of the faces
constexpr float EDGE_THRESHOLD = 1e-3f;
constexpr float AREA_THRESHOLD = 1e-3f;

enum class Defect { SHORT_EDGE, ZERO_AREA };

// A host record of a unit quad grid of about faceCount faces that owns its arrays. Every
// DEGENERATE_EVERY-th face is broken: a fifth corner next to its first one (an edge of
// length 1e-5), or its upper corners moved onto the lower edge (area 1e-6).
class GridRecord {
public:
    GridRecord(long faceCount, Defect defect) {
        auto const side = static_cast<int>(std::lround(std::sqrt(static_cast<double>(faceCount))));
        for (int y = 0; y <= side; ++y)
            for (int x = 0; x <= side; ++x) addVertex(static_cast<float>(x), static_cast<float>(y));
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                int const a = y * (side + 1) + x;
                int const b = a + 1;
                int c = b + side + 1;
                int d = a + side + 1;
                bool const broken = (y * side + x) % DEGENERATE_EVERY == 0;
                if (broken && defect == Defect::SHORT_EDGE) {
                    int const nearA = addVertex(static_cast<float>(x) + 1e-5f, static_cast<float>(y));
                    addFace({a, nearA, b, c, d});
                    continue;
                }
                if (broken) {
                    c = addVertex(static_cast<float>(x) + 1, static_cast<float>(y) + 1e-6f);
                    d = addVertex(static_cast<float>(x), static_cast<float>(y) + 1e-6f);
                }
                addFace({a, b, c, d});
            }
        }
        mRecord = Cleanup::MeshData{};
        mRecord.mVertexCoords = mCoords.data();
        mRecord.mVCCount = static_cast<int>(mCoords.size());
        mRecord.mIndices = mIndices.data();
        mRecord.mIndexCount = static_cast<int>(mIndices.size());
        mRecord.mCounts = mCounts.data();
        mRecord.mCountCount = static_cast<int>(mCounts.size());
    }

    Cleanup::MeshData const& record() const { return mRecord; }

private:
    int addVertex(float x, float y) {
        mCoords.insert(mCoords.end(), {x, y, 0.0f});
        return static_cast<int>(mCoords.size() / 3 - 1);
    }
    void addFace(std::initializer_list<int> corners) {
        mCounts.push_back(static_cast<int>(corners.size()));
        mIndices.insert(mIndices.end(), corners);
    }

    std::vector<float> mCoords;
    std::vector<int> mIndices;
    std::vector<int> mCounts;
    Cleanup::MeshData mRecord{};
};

template <Cleanup::MeshData* (*Operation)(float, Cleanup::MeshData const&)>
void runOperation(benchmark::State& state, Defect defect, float threshold) {
    GridRecord const grid(state.range(0), defect);
    for (auto _ : state) {
        Cleanup::MeshData* result = Operation(threshold, grid.record());
        benchmark::DoNotOptimize(result);
        Cleanup::freeMeshData(result);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RemoveEdgesZero(benchmark::State& state) {
    runOperation<Cleanup::removeEdgesZero>(state, Defect::SHORT_EDGE, EDGE_THRESHOLD);
}
void BM_RemoveFacesZero(benchmark::State& state) {
    runOperation<Cleanup::removeFacesZero>(state, Defect::ZERO_AREA, AREA_THRESHOLD);
}
// Threshold 0 finds nothing: what remains is the record conversion in and out.
void BM_RemoveEdgesZeroConversionOnly(benchmark::State& state) {
    runOperation<Cleanup::removeEdgesZero>(state, Defect::SHORT_EDGE, 0.0f);
}
void BM_RemoveFacesZeroConversionOnly(benchmark::State& state) {
    runOperation<Cleanup::removeFacesZero>(state, Defect::ZERO_AREA, 0.0f);
}

#define GRID_SIZES ->Arg(250000)->Arg(500000)->Arg(1000000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_RemoveEdgesZero) GRID_SIZES;
BENCHMARK(BM_RemoveFacesZero) GRID_SIZES;
BENCHMARK(BM_RemoveEdgesZeroConversionOnly) GRID_SIZES;
BENCHMARK(BM_RemoveFacesZeroConversionOnly) GRID_SIZES;

}  // namespace

BENCHMARK_MAIN();

// The frame every exported cleanup operation pays for: record -> mesh -> record, and the two
// zero passes as whole calls, on a triangle grid with 1.5 % degenerate triangles. Besides the
// time, each benchmark reports the peak of heap bytes in use during one call (the input record
// included), counted by the allocation hooks below.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"
#include "cleanup/MeshDataConversion.h"

namespace {

// Heap bytes in use and their peak; the benchmarks are single-threaded.
std::size_t gInUse = 0;
std::size_t gPeak = 0;

void* allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    gInUse += malloc_usable_size(p);
    if (gInUse > gPeak) gPeak = gInUse;
    return p;
}

void release(void* p) {
    if (p == nullptr) return;
    gInUse -= malloc_usable_size(p);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }

namespace {

constexpr int DEGENERATE_EVERY = 67;  // about 1.5 % of the triangles
constexpr float THRESHOLD = 1e-3f;
constexpr float SLIVER_OFFSET = 4e-4f;  // below the threshold, representable near 1000

// A host record of a unit grid split into about triangleCount triangles. Every
// DEGENERATE_EVERY-th triangle is replaced by a sliver (a, a', b) whose corner a' lies on the
// edge a-b just beside a: zero area and one edge shorter than the threshold, so both zero
// passes remove it.
class TriangleGrid {
public:
    explicit TriangleGrid(long triangleCount) {
        auto const side = static_cast<int>(std::lround(std::sqrt(triangleCount / 2.0)));
        for (int y = 0; y <= side; ++y)
            for (int x = 0; x <= side; ++x) addVertex(static_cast<float>(x), static_cast<float>(y));
        long triangle = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                int const a = y * (side + 1) + x;
                int const b = a + 1;
                int const c = b + side + 1;
                int const d = a + side + 1;
                addTriangle(triangle++, a, b, c, x, y);
                addTriangle(triangle++, a, c, d, x, y);
            }
        }
        mRecord.mVertexCoords = mCoords.data();
        mRecord.mVCCount = static_cast<int>(mCoords.size());
        mRecord.mIndices = mIndices.data();
        mRecord.mIndexCount = static_cast<int>(mIndices.size());
        mRecord.mCounts = mCounts.data();
        mRecord.mCountCount = static_cast<int>(mCounts.size());
    }

    Cleanup::MeshData const& record() const { return mRecord; }
    double bytes() const {
        return static_cast<double>(4 * (mCoords.size() + mIndices.size() + mCounts.size()));
    }

private:
    int addVertex(float x, float y) {
        mCoords.insert(mCoords.end(), {x, y, 0.0f});
        return static_cast<int>(mCoords.size() / 3 - 1);
    }
    void addTriangle(long triangle, int a, int b, int c, int x, int y) {
        if (triangle % DEGENERATE_EVERY == 0) {
            c = b;
            b = addVertex(static_cast<float>(x) + SLIVER_OFFSET, static_cast<float>(y));
        }
        mCounts.push_back(3);
        mIndices.insert(mIndices.end(), {a, b, c});
    }

    std::vector<float> mCoords;
    std::vector<int> mIndices;
    std::vector<int> mCounts;
    Cleanup::MeshData mRecord{};
};

template <typename Call>
void runCall(benchmark::State& state, Call call) {
    TriangleGrid const grid(state.range(0));
    // One untimed call first: the first touch of memory a process has never used costs a virtual
    // machine far more than reusing it (half a second for the face list of 1M triangles here),
    // and that is the machine's price, not the call's.
    Cleanup::freeMeshData(call(grid.record()));
    std::size_t peak = 0;
    for (auto _ : state) {
        gPeak = gInUse;
        Cleanup::MeshData* result = call(grid.record());
        benchmark::DoNotOptimize(result);
        Cleanup::freeMeshData(result);
        peak = std::max(peak, gPeak);
    }
    state.counters["triangles"] = static_cast<double>(grid.record().mCountCount);
    state.counters["input_MB"] = grid.bytes() / 1e6;
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
}

void BM_RecordRoundTrip(benchmark::State& state) {
    runCall(state, [](Cleanup::MeshData const& record) {
        std::string message;
        std::unique_ptr<util::Mesh> mesh = Cleanup::createMeshFromMeshData(record, message);
        return Cleanup::createMeshDataTakingFaces(*mesh, message);
    });
}

void BM_RemoveFacesZero(benchmark::State& state) {
    runCall(state, [](Cleanup::MeshData const& record) {
        return Cleanup::removeFacesZero(THRESHOLD, record);
    });
}

void BM_RemoveEdgesZero(benchmark::State& state) {
    runCall(state, [](Cleanup::MeshData const& record) {
        return Cleanup::removeEdgesZero(THRESHOLD, record);
    });
}

double fastest(std::vector<double> const& runs) {
    return *std::min_element(runs.begin(), runs.end());
}

// The median of five runs of three calls: now and then this machine takes twice as long over a
// call for reasons of its own, and one such call would move a mean by a fifth. The fastest run
// shows what the code costs when nothing else on the machine gets in the way.
#define TRIANGLE_COUNTS                         \
    ->Arg(250000)                               \
        ->Arg(500000)                           \
        ->Arg(1040000)                          \
        ->Unit(benchmark::kMillisecond)         \
        ->Iterations(3)                         \
        ->Repetitions(5)                        \
        ->ComputeStatistics("fastest", fastest) \
        ->ReportAggregatesOnly(true)
BENCHMARK(BM_RecordRoundTrip) TRIANGLE_COUNTS;
BENCHMARK(BM_RemoveFacesZero) TRIANGLE_COUNTS;
BENCHMARK(BM_RemoveEdgesZero) TRIANGLE_COUNTS;

}  // namespace

BENCHMARK_MAIN();

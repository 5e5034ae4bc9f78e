#include <benchmark/benchmark.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "cleanup/Cleanup.h"

namespace {

constexpr int DOUBLED_EVERY = 100;  // 1 % of the faces get a copy
constexpr float COLINEAR_TOLERANCE = 0.01f;

// A host record that owns its arrays, with UV set 0 following the vertices one to one.
class OwnedRecord {
public:
    int addVertex(float x, float y, float z) {
        mCoords.insert(mCoords.end(), {x, y, z});
        mTexCoords.insert(mTexCoords.end(), {x * 0.01f, y * 0.01f});
        return static_cast<int>(mCoords.size() / 3 - 1);
    }
    void addFace(std::initializer_list<int> corners) {
        mCounts.push_back(static_cast<int>(corners.size()));
        mIndices.insert(mIndices.end(), corners);
    }
    Cleanup::MeshData const& record() {
        mRecord = Cleanup::MeshData{};
        mRecord.mVertexCoords = mCoords.data();
        mRecord.mVCCount = static_cast<int>(mCoords.size());
        mRecord.mIndices = mIndices.data();
        mRecord.mIndexCount = static_cast<int>(mIndices.size());
        mRecord.mTexCoords = mTexCoords.data();
        mRecord.mTCCount = static_cast<int>(mTexCoords.size());
        mRecord.mTCIndices = mIndices.data();
        mRecord.mTCIndexCount = static_cast<int>(mIndices.size());
        mRecord.mCounts = mCounts.data();
        mRecord.mCountCount = static_cast<int>(mCounts.size());
        return mRecord;
    }

private:
    std::vector<float> mCoords;
    std::vector<float> mTexCoords;
    std::vector<int> mIndices;
    std::vector<int> mCounts;
    Cleanup::MeshData mRecord{};
};

int sideFor(double faces) { return static_cast<int>(std::lround(std::sqrt(faces))); }

// A unit quad grid in z = 0 of about faceCount faces, 1 % of them followed by a copy, rotated
// or reversed in turn.
OwnedRecord doubledGrid(long faceCount) {
    int const side = sideFor(static_cast<double>(faceCount) * DOUBLED_EVERY / (DOUBLED_EVERY + 1));
    OwnedRecord r;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            r.addVertex(static_cast<float>(x), static_cast<float>(y), 0);
    for (int q = 0; q < side * side; ++q) {
        int const a = q / side * (side + 1) + q % side;
        int const b = a + 1, c = b + side + 1, d = a + side + 1;
        r.addFace({a, b, c, d});
        if (q % DOUBLED_EVERY != 0) continue;
        if (q / DOUBLED_EVERY % 2 == 0)
            r.addFace({c, d, a, b});
        else
            r.addFace({d, c, b, a});
    }
    return r;
}

// A unit quad grid of faceCount quads, each with a fifth corner in the middle of its lower
// side that the quad below does not share.
OwnedRecord colinearGrid(long faceCount) {
    int const side = sideFor(static_cast<double>(faceCount));
    OwnedRecord r;
    for (int y = 0; y <= side; ++y)
        for (int x = 0; x <= side; ++x)
            r.addVertex(static_cast<float>(x), static_cast<float>(y), 0);
    for (int q = 0; q < side * side; ++q) {
        int const x = q % side, y = q / side;
        int const a = y * (side + 1) + x;
        int const b = a + 1, c = b + side + 1, d = a + side + 1;
        int const middle = r.addVertex(static_cast<float>(x) + 0.5f, static_cast<float>(y), 0);
        r.addFace({a, middle, b, c, d});
    }
    return r;
}

// A closed torus of triangles (two per quad of a rings x segments grid), every second face of a
// random half turned over.
OwnedRecord flippedTorus(int rings, int segments) {
    OwnedRecord r;
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            double const u = 6.283185307179586 * i / rings, v = 6.283185307179586 * j / segments;
            double const radius = 10.0 + 3.0 * std::cos(v);
            r.addVertex(static_cast<float>(radius * std::cos(u)),
                        static_cast<float>(3.0 * std::sin(v)),
                        static_cast<float>(radius * std::sin(u)));
        }
    }
    unsigned int random = 12345;
    auto flip = [&random] {
        random = random * 1103515245u + 12345u;
        return (random >> 16) & 1u;
    };
    for (int i = 0; i < rings; ++i) {
        for (int j = 0; j < segments; ++j) {
            int const a = i * segments + j, b = ((i + 1) % rings) * segments + j;
            int const c = ((i + 1) % rings) * segments + (j + 1) % segments;
            int const d = i * segments + (j + 1) % segments;
            if (flip())
                r.addFace({a, c, b});
            else
                r.addFace({a, b, c});
            if (flip())
                r.addFace({a, d, c});
            else
                r.addFace({a, c, d});
        }
    }
    return r;
}

template <typename Operation>
void runOperation(benchmark::State& state, OwnedRecord record, Operation operation) {
    Cleanup::MeshData const& data = record.record();
    for (auto _ : state) {
        Cleanup::MeshData* result = operation(data);
        benchmark::DoNotOptimize(result);
        Cleanup::freeMeshData(result);
    }
    state.SetItemsProcessed(state.iterations() * data.mCountCount);
}

void BM_RemoveFacesDouble(benchmark::State& state) {
    runOperation(state, doubledGrid(state.range(0)), [](Cleanup::MeshData const& data) {
        return Cleanup::removeFacesDouble(true, data);
    });
}
void BM_RemoveVerticesColinear(benchmark::State& state) {
    runOperation(state, colinearGrid(state.range(0)), [](Cleanup::MeshData const& data) {
        return Cleanup::removeVerticesColinear(COLINEAR_TOLERANCE, true, data);
    });
}

void BM_ConformNormals(benchmark::State& state) {
    runOperation(state, flippedTorus(800, 650),
                 [](Cleanup::MeshData const& data) { return Cleanup::conformNormals(data); });
}

// A host calls these passes again and again. Without a warm-up the largest size, which runs
// about once, also paid for growing the process heap that the smaller sizes then reuse, and
// measured that instead of the call; the minimum time keeps it at several iterations.
#define TIMING ->Unit(benchmark::kMillisecond)->MinWarmUpTime(1.0)->MinTime(2.0)
#define SIZES ->Arg(250000)->Arg(500000)->Arg(1000000) TIMING
BENCHMARK(BM_RemoveFacesDouble) SIZES;
BENCHMARK(BM_RemoveVerticesColinear) SIZES;
BENCHMARK(BM_ConformNormals) TIMING;  // 1,040,000 triangles

}  // namespace

BENCHMARK_MAIN();

// Vertex welding through the host entry point on a large triangle soup, and its phases.
// The phases of one call: conversion in, grouping, the rest of the pass (the weld rules and the
// renumbering), its tidy-up, conversion out. Rules and renumbering = Pass - Grouping - TidyUp.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "cleanup/Cleanup.h"
#include "cleanup/MeshDataConversion.h"
#include "mesh/Mesh.h"
#include "mesh/NearVertexGroups.h"

namespace {

constexpr float TOLERANCE = 0.01f;
constexpr int QUADS_X = 800;
constexpr int QUADS_Y = 650;  // 800 * 650 * 2 = 1,040,000 triangles, 3,120,000 corners

// A rolling height field cut into triangles, each with three vertices of its own, every vertex
// jittered by up to a tenth of the tolerance: what a mesh exported without shared vertices looks
// like. Triangles are in generation order.
struct SoupRecord {
    std::vector<float> coords;
    std::vector<int> indices, counts;
    Cleanup::MeshData data{};

    SoupRecord() {
        std::mt19937 rng(42);
        std::uniform_real_distribution<float> jitter(-TOLERANCE / 10, TOLERANCE / 10);
        auto corner = [&](int x, int y) {
            float const z = 3.0f * static_cast<float>(std::sin(x * 0.05) * std::cos(y * 0.07));
            coords.insert(coords.end(), {static_cast<float>(x) + jitter(rng),
                                         static_cast<float>(y) + jitter(rng), z + jitter(rng)});
            indices.push_back(static_cast<int>(indices.size()));
        };
        for (int y = 0; y < QUADS_Y; ++y)
            for (int x = 0; x < QUADS_X; ++x) {
                for (auto const& [cx, cy] : {std::pair{x, y},
                                             {x + 1, y},
                                             {x + 1, y + 1},
                                             {x, y},
                                             {x + 1, y + 1},
                                             {x, y + 1}})
                    corner(cx, cy);
                counts.insert(counts.end(), {3, 3});
            }
        point();
    }

    void point() {
        data = Cleanup::MeshData{};
        data.mVertexCoords = coords.data();
        data.mVCCount = static_cast<int>(coords.size());
        data.mIndices = indices.data();
        data.mIndexCount = static_cast<int>(indices.size());
        data.mCounts = counts.data();
        data.mCountCount = static_cast<int>(counts.size());
    }
};

SoupRecord const& soup() {
    static SoupRecord const SOUP;
    return SOUP;
}

// The soup after one weld, as a host record that owns its arrays.
struct WeldedRecord {
    WeldedRecord() : data(Cleanup::mergeVertices(TOLERANCE, soup().data)) {}
    ~WeldedRecord() { Cleanup::freeMeshData(data); }
    Cleanup::MeshData* data;
};

long statusKiB(std::string const& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return -1;
}

// Peak resident memory of the call, beyond what was resident before it, per input corner.
// Clearing the high-water mark first keeps the soup's construction out of it.
void recordPeak(benchmark::State& state, Cleanup::MeshData const& input) {
    std::ofstream("/proc/self/clear_refs") << "5";
    long const before = statusKiB("VmRSS");
    Cleanup::freeMeshData(Cleanup::mergeVertices(TOLERANCE, input));
    long const peak = statusKiB("VmHWM");
    double const corners = static_cast<double>(input.mIndexCount);
    state.counters["peak_B_per_corner"] = static_cast<double>(peak - before) * 1024 / corners;
    state.counters["peak_with_input_B_per_corner"] = static_cast<double>(peak) * 1024 / corners;
}

void BM_MergeVerticesSoup(benchmark::State& state) {
    Cleanup::MeshData const& input = soup().data;
    recordPeak(state, input);
    long vertices = 0;
    for (auto _ : state) {
        Cleanup::MeshData* out = Cleanup::mergeVertices(TOLERANCE, input);
        vertices = out->mVCCount / 3;
        Cleanup::freeMeshData(out);
    }
    state.counters["welded_vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_MergeVerticesSoup)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MergeVerticesWelded(benchmark::State& state) {
    WeldedRecord const welded;
    recordPeak(state, *welded.data);
    for (auto _ : state) Cleanup::freeMeshData(Cleanup::mergeVertices(TOLERANCE, *welded.data));
}
BENCHMARK(BM_MergeVerticesWelded)->Unit(benchmark::kMillisecond)->Iterations(3);

std::unique_ptr<util::Mesh> soupMesh() {
    std::string message;
    return Cleanup::createMeshFromMeshData(soup().data, message);
}

void BM_PhaseConversionIn(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(soupMesh());
}
BENCHMARK(BM_PhaseConversionIn)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PhaseGrouping(benchmark::State& state) {
    std::unique_ptr<util::Mesh> const mesh = soupMesh();
    std::size_t const n = mesh->mVertices.size();
    for (auto _ : state) {
        boost::dynamic_bitset<> processed(n);
        benchmark::DoNotOptimize(
            util::detail::findNearVertexGroups(mesh->mVertices, TOLERANCE, 0, 0, processed,
                                               util::detail::chooseNeighbourSearch(n, 0, 0)));
    }
}
BENCHMARK(BM_PhaseGrouping)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PhasePass(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<util::Mesh> mesh = soupMesh();
        state.ResumeTiming();
        mesh->mergeDuplicateVertices(TOLERANCE, 0, 0, false, nullptr, false, false, nullptr);
        state.PauseTiming();
        mesh.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PhasePass)->Unit(benchmark::kMillisecond)->Iterations(3);

// The pass's closing calls, on the welded mesh, where they find as little to do as in the pass.
void BM_PhaseTidyUp(benchmark::State& state) {
    std::string message;
    WeldedRecord const welded;
    std::unique_ptr<util::Mesh> const mesh = Cleanup::createMeshFromMeshData(*welded.data, message);
    for (auto _ : state) {
        mesh->removeCollapsedEdges(false, true, nullptr, true, false);
        mesh->deleteUnusedVertices(nullptr);
        mesh->calcFaceNormals();
    }
}
BENCHMARK(BM_PhaseTidyUp)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PhaseConversionOut(benchmark::State& state) {
    std::string message;
    WeldedRecord const welded;
    std::unique_ptr<util::Mesh> const mesh = Cleanup::createMeshFromMeshData(*welded.data, message);
    for (auto _ : state) Cleanup::freeMeshData(Cleanup::createMeshDataFromMesh(*mesh, message));
}
BENCHMARK(BM_PhaseConversionOut)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();

// Reading and writing a 1,000,000-face mesh in every file format; bytes_per_second is the
// speed over the file's size.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "MeshFile.h"
#include "MeshRecord.h"

namespace util::tool {
namespace {
constexpr int SIDE = 1000;  // SIDE x SIDE quads

// A wavy grid with non-round coordinates, so that the text formats carry realistic numbers.
MeshRecord const& grid() {
    static MeshRecord const GRID = [] {
        MeshRecord mesh;
        int const row = SIDE + 1;
        for (int y = 0; y <= SIDE; ++y)
            for (int x = 0; x <= SIDE; ++x) {
                float const height = 0.37f * std::sin(0.013f * float(x * y));
                mesh.vertexCoords.insert(mesh.vertexCoords.end(),
                                         {0.517f * float(x), 0.731f * float(y), height});
                mesh.texCoords.insert(mesh.texCoords.end(), {float(x) / SIDE, float(y) / SIDE});
            }
        for (int y = 0; y < SIDE; ++y)
            for (int x = 0; x < SIDE; ++x) {
                int const v = y * row + x;
                mesh.indices.insert(mesh.indices.end(), {v, v + 1, v + row + 1, v + row});
                mesh.counts.push_back(4);
            }
        mesh.texCoordIndices = mesh.indices;
        return mesh;
    }();
    return GRID;
}

std::string benchPath(std::string const& extension, bool ascii) {
    return (std::filesystem::temp_directory_path() /
            ("toolbox_bench_" + std::to_string(::getpid()) + (ascii ? "_ascii" : "") + extension))
        .string();
}

void writeFile(benchmark::State& state, std::string const& extension, bool ascii) {
    MeshRecord mesh = grid();
    Cleanup::MeshData const data = mesh.view();
    std::string const path = benchPath(extension, ascii);
    WriteOptions options;
    options.ascii = ascii;
    for (auto _ : state) writeMesh(data, path, options);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

void readFile(benchmark::State& state, std::string const& extension, bool ascii) {
    MeshRecord mesh = grid();
    std::string const path = benchPath(extension, ascii);
    WriteOptions options;
    options.ascii = ascii;
    writeMesh(mesh.view(), path, options);
    for (auto _ : state) benchmark::DoNotOptimize(readMesh(path));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

struct Variant {
    char const* name;
    char const* extension;
    bool ascii;
};
constexpr Variant VARIANTS[]{{"obj", ".obj", false},      {"ply_binary", ".ply", false},
                             {"ply_ascii", ".ply", true}, {"stl_binary", ".stl", false},
                             {"stl_ascii", ".stl", true}, {"off", ".off", false}};

int const REGISTERED = [] {
    for (Variant const& v : VARIANTS) {
        benchmark::RegisterBenchmark((std::string("Write/") + v.name).c_str(), writeFile,
                                     std::string(v.extension), v.ascii)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Read/") + v.name).c_str(), readFile,
                                     std::string(v.extension), v.ascii)
            ->Unit(benchmark::kMillisecond);
    }
    return 0;
}();
}  // namespace
}  // namespace util::tool

BENCHMARK_MAIN();

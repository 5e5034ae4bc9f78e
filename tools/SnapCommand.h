#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace util::tool {

// `toolbox snap`: where a ray snaps on the mesh of an OBJ file, through the library's exported
// intersector, as a host would ask it.
struct SnapOptions {
    std::string input;
    std::vector<float> viewProjection;  // 16 floats, column-major
    std::vector<float> origin;
    std::vector<float> direction;
};

CLI::App* addSnapCommand(CLI::App& app, SnapOptions& options);
// Prints the snap kind and, unless nothing was hit, the point and the triangle's corners.
int runSnap(SnapOptions const& options);

}  // namespace util::tool

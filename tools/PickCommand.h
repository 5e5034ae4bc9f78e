#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace util::tool {

// `toolbox pick`: loads a file as the one entry of one group of a picker and asks the picker
// about it through the host interface only, so that a person can check a file by hand.
struct PickOptions {
    std::string input;
    std::vector<float> transform;       // 16, column-major; empty: identity
    std::vector<float> origin;          // 3
    std::vector<float> direction;       // 3
    std::vector<float> frustum;         // 24: eight corners
    std::vector<float> viewProjection;  // 16, column-major
    bool fullyInside = false;
};

CLI::App* addPickCommand(CLI::App& app, PickOptions& options);
int runPick(PickOptions const& options);

}  // namespace util::tool

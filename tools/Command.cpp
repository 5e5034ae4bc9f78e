#include "Command.h"

#include <filesystem>
#include <iostream>

#include "MeshFile.h"

namespace util::tool {
namespace {
char const* const DEFAULT_INPUT = "building.obj";
}  // namespace

std::string defaultInputPath() {
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    std::filesystem::path const executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back(executable.parent_path() / "../data" / DEFAULT_INPUT);
    candidates.push_back(std::filesystem::path(TOOLBOX_DATA_DIR) / DEFAULT_INPUT);
    for (std::filesystem::path const& candidate : candidates)
        if (std::filesystem::exists(candidate, error)) return candidate.lexically_normal().string();
    return candidates.back().string();  // reading it reports what is missing
}

MeshContents readInput(std::string const& path, bool quiet, Progress& progress) {
    MeshContents contents =
        readMesh(path, progress.percent("reading " + path, Progress::LARGE_FILE_BYTES));
    progress.clear();
    printWarnings(contents.warnings, quiet);
    return contents;
}

void printWarnings(std::vector<std::string> const& warnings, bool quiet) {
    if (quiet) return;
    for (std::string const& warning : warnings)
        std::cerr << "toolbox: warning: " << warning << '\n';
}

}  // namespace util::tool

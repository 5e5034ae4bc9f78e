#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "MeshRecord.h"
#include "Progress.h"

namespace util::tool {

enum ExitCode { SUCCESS = 0, FAILURE = 1, USAGE = 2, NOTHING_LEFT = 3 };

// A subcommand of toolbox: its CLI11 parser and what runs when the command line names it. Each
// add function registers its options on the app; the options live as long as run.
struct Command {
    CLI::App* app;
    std::function<int()> run;
};

Command addCleanCommand(CLI::App& app);
Command addInfoCommand(CLI::App& app);
Command addConvertCommand(CLI::App& app);

// The bundled building, beside a relocated binary first, then in the source tree it was built
// from, so that a run without input works from any working directory.
std::string defaultInputPath();

// Reads a mesh file of any supported format, showing progress for a large one and printing
// the file's warnings on standard error unless quiet.
MeshContents readInput(std::string const& path, bool quiet, Progress& progress);

void printWarnings(std::vector<std::string> const& warnings, bool quiet);

}  // namespace util::tool

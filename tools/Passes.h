#pragma once

#include <functional>
#include <string>
#include <vector>

#include "MeshRecord.h"
#include "cleanup/Cleanup.h"

namespace util::tool {

// A pass with its command-line value bound, ready to run. run returns null when the library
// returns no mesh (everything removed); exceptions of the library propagate.
struct PassCall {
    std::string name;
    std::string value;  // as given, for the report
    std::function<LibraryRecord(Cleanup::MeshData const&)> run;
};

// What applies to every pass of a run.
struct PassSettings {
    bool checkUVs = true;  // passes that can spare a texture do so unless told otherwise
};

// A cleanup pass offered as `--<name> <VALUE>`, or as `--<name>` when valueName is empty. bind
// throws std::invalid_argument with a message for a value the pass cannot take.
struct Pass {
    std::string name;
    std::string valueName;
    std::string help;
    std::string defaultValue;  // used when a run names no pass
    std::function<PassCall(std::string const& value, PassSettings const& settings)> bind;
};

// The passes in the order that a run naming none applies them.
std::vector<Pass> const& cleanupPasses();

}  // namespace util::tool

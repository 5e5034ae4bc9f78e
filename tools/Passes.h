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
    std::string value;       // as given or as computed, for the report
    bool automatic = false;  // the value was computed from the model's size
    std::function<LibraryRecord(Cleanup::MeshData const&)> run;
};

// What a pass's value measures. DISTANCE and AREA values default to AUTO: a fixed fraction of
// the model's bounding-box diagonal (its square for an area), since absolute defaults delete
// real geometry on small models and miss defects on large ones. NONE: a flag without a value.
enum class ValueKind { DISTANCE, AREA, ANGLE, NONE };

inline char const* const AUTO = "auto";
constexpr double AUTO_DISTANCE_FRACTION = 1e-5;

// Choices of a run that every pass taking them follows.
struct PassSettings {
    bool checkUVs = true;  // keep texturing: passes that can compare UVs do
};

// A cleanup pass offered as `--<name> <VALUE>`. bind throws std::invalid_argument with a
// message for a value the pass cannot take; it never sees AUTO, which the frame resolves first.
struct Pass {
    std::string name;
    ValueKind kind;
    std::string help;
    std::string defaultValue;  // used when a run names no pass; AUTO for a distance or area
    std::function<PassCall(std::string const& value, PassSettings const& settings)> bind;
};

// The passes in the order that a run naming none applies them.
std::vector<Pass> const& cleanupPasses();

// The value a pass runs with on a model of the given bounding-box diagonal: AUTO becomes a
// distance or area rounded to two significant digits (so that the printed value reproduces the
// run), anything else stays as given. Throws std::invalid_argument for AUTO on a pass whose
// values are not distances or areas.
PassCall bindPass(Pass const& pass, std::string const& value, double diagonal,
                  PassSettings const& settings);

// The length of the diagonal of the record's bounding box; 0 without vertices.
double boundingBoxDiagonal(Cleanup::MeshData const& data);

// "collapse edges ... (model units; default: auto, 1e-05 of the bounding-box diagonal)"
std::string passDescription(Pass const& pass);

}  // namespace util::tool

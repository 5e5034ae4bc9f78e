#include "Passes.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace util::tool {
namespace {
using ThresholdFunction = Cleanup::MeshData* (*)(float, Cleanup::MeshData const&);

float parseThreshold(std::string const& value) {
    char* end = nullptr;
    float const threshold = std::strtof(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(threshold) ||
        threshold < 0.0f)
        throw std::invalid_argument("'" + value + "' is not a non-negative number");
    return threshold;
}

Pass thresholdPass(std::string name, std::string help, std::string defaultValue,
                   ThresholdFunction function) {
    std::function<PassCall(std::string const&)> bind = [name, function](std::string const& value) {
        float const threshold = parseThreshold(value);
        return PassCall{name, value, [function, threshold](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(threshold, data));
                        }};
    };
    return {std::move(name), "T", std::move(help), std::move(defaultValue), std::move(bind)};
}

Pass withValueName(Pass pass, std::string valueName) {
    pass.valueName = std::move(valueName);
    return pass;
}

// Negative degrees are meaningful here: they merge only holes of one face that touch.
Pass coplanarPass() {
    std::function<PassCall(std::string const&)> bind = [](std::string const& value) {
        char* end = nullptr;
        float const degrees = std::strtof(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(degrees))
            throw std::invalid_argument("'" + value + "' is not a number");
        return PassCall{"remove-edges-coplanar", value, [degrees](Cleanup::MeshData const& data) {
                            return LibraryRecord(Cleanup::removeEdgesCoplanar(degrees, true, data));
                        }};
    };
    return {"remove-edges-coplanar", "DEGREES",
            "merge neighbouring faces whose planes differ by less than DEGREES", "0.1",
            std::move(bind)};
}
}  // namespace

std::vector<Pass> const& cleanupPasses() {
    // Defaults sit well below any real feature of a building model in metres.
    static std::vector<Pass> const PASSES{
        withValueName(thresholdPass("merge-vertices",
                                    "weld vertices at most DISTANCE model units apart",
                                    "0.001", Cleanup::mergeVertices),
                      "DISTANCE"),
        thresholdPass("remove-edges-zero", "collapse edges shorter than T model units", "0.001",
                      Cleanup::removeEdgesZero),
        thresholdPass("remove-faces-zero", "remove faces with an area below T square units",
                      "0.001", Cleanup::removeFacesZero),
        coplanarPass(),
    };
    return PASSES;
}

}  // namespace util::tool

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
    auto bind = [name, function](std::string const& value, PassSettings const&) {
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
    auto bind = [](std::string const& value, PassSettings const& settings) {
        bool const checkUVs = settings.checkUVs;
        char* end = nullptr;
        float const degrees = std::strtof(value.c_str(), &end);
        if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(degrees))
            throw std::invalid_argument("'" + value + "' is not a number");
        return PassCall{"remove-edges-coplanar", value, [degrees, checkUVs](Cleanup::MeshData const& data) {
                            return LibraryRecord(Cleanup::removeEdgesCoplanar(degrees, checkUVs, data));
                        }};
    };
    return {"remove-edges-coplanar", "DEGREES",
            "merge neighbouring faces whose planes differ by less than DEGREES", "0.1",
            std::move(bind)};
using UVFunction = Cleanup::MeshData* (*)(bool, Cleanup::MeshData const&);
using AngleUVFunction = Cleanup::MeshData* (*)(float, bool, Cleanup::MeshData const&);

Pass uvFlagPass(std::string name, std::string help, UVFunction function) {
    auto bind = [name, function](std::string const&, PassSettings const& settings) {
        bool const checkUVs = settings.checkUVs;
        return PassCall{name, "", [function, checkUVs](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(checkUVs, data));
                        }};
    };
    return {std::move(name), "", std::move(help), "", std::move(bind)};
}

Pass flagPass(std::string name, std::string help, Cleanup::MeshData* (*function)(Cleanup::MeshData const&)) {
    auto bind = [name, function](std::string const&, PassSettings const&) {
        return PassCall{name, "", [function](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(data));
                        }};
    };
    return {std::move(name), "", std::move(help), "", std::move(bind)};
}

Pass angleUVPass(std::string name, std::string help, std::string defaultValue,
                 AngleUVFunction function) {
    auto bind = [name, function](std::string const& value, PassSettings const& settings) {
        float const degrees = parseThreshold(value);
        bool const checkUVs = settings.checkUVs;
        return PassCall{name, value, [function, degrees, checkUVs](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(degrees, checkUVs, data));
                        }};
    };
    return {std::move(name), "DEGREES", std::move(help), std::move(defaultValue), std::move(bind)};
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
        uvFlagPass("remove-faces-double", "remove faces that repeat another face's corners",
                   Cleanup::removeFacesDouble),
        flagPass("conform-normals", "wind faces consistently, facing outward",
                 Cleanup::conformNormals),
        angleUVPass("remove-vertices-colinear",
                    "remove corners within DEGREES of a straight line", "0.01",
                    Cleanup::removeVerticesColinear),
    };
    return PASSES;
}

}  // namespace util::tool

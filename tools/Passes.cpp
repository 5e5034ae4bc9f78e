#include "Passes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace util::tool {
namespace {
using ThresholdFunction = Cleanup::MeshData* (*)(float, Cleanup::MeshData const&);
using AngleFunction = Cleanup::MeshData* (*)(float, bool, Cleanup::MeshData const&);

float parseThreshold(std::string const& value) {
    char* end = nullptr;
    float const threshold = std::strtof(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(threshold) ||
        threshold < 0.0f)
        throw std::invalid_argument("'" + value + "' is not a non-negative number");
    return threshold;
}

Pass thresholdPass(std::string name, ValueKind kind, std::string help, std::string defaultValue,
                   ThresholdFunction function) {
    auto bind = [name, function](std::string const& value, PassSettings const&) {
        float const threshold = parseThreshold(value);
        return PassCall{name, value, false, [function, threshold](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(threshold, data));
                        }};
    };
    return {std::move(name), kind, std::move(help), std::move(defaultValue), std::move(bind)};
}

// Negative degrees are meaningful for the coplanar pass: they merge only touching holes.
float parseAngle(std::string const& value, bool negativeAllowed) {
    char* end = nullptr;
    float const degrees = std::strtof(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(degrees))
        throw std::invalid_argument("'" + value + "' is not a number");
    if (degrees < 0.0f && !negativeAllowed)
        throw std::invalid_argument("'" + value + "' is not a non-negative number");
    return degrees;
}

Pass anglePass(std::string name, std::string help, std::string defaultValue, bool negativeAllowed,
               AngleFunction function) {
    auto bind = [name, function, negativeAllowed](std::string const& value,
                                                  PassSettings const& settings) {
        float const degrees = parseAngle(value, negativeAllowed);
        bool const checkUVs = settings.checkUVs;
        return PassCall{name, value, false,
                        [function, degrees, checkUVs](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(degrees, checkUVs, data));
                        }};
    };
    return {std::move(name), ValueKind::ANGLE, std::move(help), std::move(defaultValue),
            std::move(bind)};
}

Pass flagPass(std::string name, std::string help,
              std::function<Cleanup::MeshData*(Cleanup::MeshData const&, bool checkUVs)> function) {
    auto bind = [name, function](std::string const&, PassSettings const& settings) {
        bool const checkUVs = settings.checkUVs;
        return PassCall{name, "", false, [function, checkUVs](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(data, checkUVs));
                        }};
    };
    return {std::move(name), ValueKind::NONE, std::move(help), "", std::move(bind)};
}

std::string twoDigits(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2g", value);
    return buffer;
}
}  // namespace

std::vector<Pass> const& cleanupPasses() {
    // Welding first: the other passes find neighbours and copies by vertex index.
    static std::vector<Pass> const PASSES{
        thresholdPass("merge-vertices", ValueKind::DISTANCE, "weld vertices at most T apart", AUTO,
                      Cleanup::mergeVertices),
        thresholdPass("remove-edges-zero", ValueKind::DISTANCE, "collapse edges shorter than T",
                      AUTO, Cleanup::removeEdgesZero),
        thresholdPass("remove-faces-zero", ValueKind::AREA, "remove faces with an area below T",
                      AUTO, Cleanup::removeFacesZero),
        flagPass("remove-faces-double", "remove faces that repeat another face's corners",
                 [](Cleanup::MeshData const& data, bool checkUVs) {
                     return Cleanup::removeFacesDouble(checkUVs, data);
                 }),
        flagPass("conform-normals", "wind faces consistently, facing outward",
                 [](Cleanup::MeshData const& data, bool) { return Cleanup::conformNormals(data); }),
        anglePass("remove-edges-coplanar",
                  "merge neighbouring faces whose planes differ by less than DEGREES", "0.1", true,
                  Cleanup::removeEdgesCoplanar),
        anglePass("remove-vertices-colinear", "remove corners within DEGREES of a straight line",
                  "0.01", false, Cleanup::removeVerticesColinear),
    };
    return PASSES;
}

PassCall bindPass(Pass const& pass, std::string const& value, double diagonal,
                  PassSettings const& settings) {
    if (value != AUTO) return pass.bind(value, settings);
    double const distance = AUTO_DISTANCE_FRACTION * diagonal;
    if (pass.kind == ValueKind::DISTANCE || pass.kind == ValueKind::AREA) {
        PassCall call =
            pass.bind(twoDigits(pass.kind == ValueKind::DISTANCE ? distance : distance * distance),
                      settings);
        call.automatic = true;
        return call;
    }
    throw std::invalid_argument("'auto' is only for distances and areas");
}

double boundingBoxDiagonal(Cleanup::MeshData const& data) {
    if (data.mVertexCoords == nullptr || data.mVCCount < 3) return 0;
    double low[3]{HUGE_VAL, HUGE_VAL, HUGE_VAL};
    double high[3]{-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (int i = 0; i + 3 <= data.mVCCount; i += 3)
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], double(data.mVertexCoords[i + axis]));
            high[axis] = std::max(high[axis], double(data.mVertexCoords[i + axis]));
        }
    return std::hypot(high[0] - low[0], high[1] - low[1], high[2] - low[2]);
}

std::string passDescription(Pass const& pass) {
    static char const* const UNITS[]{"model units", "square model units", "degrees", ""};
    std::string description = pass.help;
    if (pass.kind == ValueKind::NONE) return description;
    description += std::string(" (") + UNITS[static_cast<int>(pass.kind)] + "; default ";
    if (pass.defaultValue != AUTO) return description + pass.defaultValue + ")";
    description += "auto: " + twoDigits(AUTO_DISTANCE_FRACTION) + " of the bounding-box diagonal";
    return description + (pass.kind == ValueKind::AREA ? ", squared)" : ")");
}

}  // namespace util::tool

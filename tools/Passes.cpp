#include "Passes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

Pass thresholdPass(std::string name, ValueKind kind, std::string help, std::string defaultValue,
                   ThresholdFunction function) {
    std::function<PassCall(std::string const&)> bind = [name, function](std::string const& value) {
        float const threshold = parseThreshold(value);
        return PassCall{name, value, false, [function, threshold](Cleanup::MeshData const& data) {
                            return LibraryRecord(function(threshold, data));
                        }};
    };
    return {std::move(name), kind, std::move(help), std::move(defaultValue), std::move(bind)};
}

std::string twoDigits(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2g", value);
    return buffer;
}
}  // namespace

std::vector<Pass> const& cleanupPasses() {
    static std::vector<Pass> const PASSES{
        thresholdPass("remove-edges-zero", ValueKind::DISTANCE, "collapse edges shorter than T",
                      AUTO, Cleanup::removeEdgesZero),
        thresholdPass("remove-faces-zero", ValueKind::AREA, "remove faces with an area below T",
                      AUTO, Cleanup::removeFacesZero),
    };
    return PASSES;
}

PassCall bindPass(Pass const& pass, std::string const& value, double diagonal) {
    if (value != AUTO) return pass.bind(value);
    double const distance = AUTO_DISTANCE_FRACTION * diagonal;
    if (pass.kind == ValueKind::DISTANCE || pass.kind == ValueKind::AREA) {
        PassCall call =
            pass.bind(twoDigits(pass.kind == ValueKind::DISTANCE ? distance : distance * distance));
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

#pragma once

#include <array>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"

namespace util::tool {

// What `toolbox info` shows of a record: counts, corner histogram, texturing and extent.
struct MeshSummary {
    struct TextureRange {
        unsigned int startFace;
        std::optional<std::string> texture;  // nullopt: untextured
    };

    std::size_t vertexCount = 0;
    std::size_t faceCount = 0;
    std::map<int, std::size_t> facesByCornerCount;
    int uvSetCount = 0;  // a record carries at most UV set 0
    std::size_t texCoordCount = 0;
    std::vector<TextureRange> textureRanges;
    std::array<float, 3> boxMin{};  // both zero without vertices
    std::array<float, 3> boxMax{};
    std::size_t facesToTurn = 0;  // by the orientation pass
    std::size_t components = 0;   // faces joined by edges of two faces
    std::size_t openComponents = 0;
};

MeshSummary summarize(Cleanup::MeshData const& data);

void printSummary(std::ostream& out, MeshSummary const& summary);

}  // namespace util::tool

#pragma once

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "CheckedRecord.h"
#include "InputFile.h"
#include "MeshFile.h"
#include "MeshRecord.h"

namespace util::tool::fuzz {

// The texture coordinate of every corner: what a writer must keep, whichever way it indexes.
inline std::vector<float> cornerUVs(MeshRecord const& mesh) {
    std::vector<float> uvs;
    if (mesh.texCoords.empty()) return uvs;
    for (int const index : mesh.texCoordIndices)
        uvs.insert(uvs.end(), mesh.texCoords.begin() + 2 * index,
                   mesh.texCoords.begin() + 2 * index + 2);
    return uvs;
}

// Reads bytes as the format; what reads must write in that format and read back the same
// (unless the format must change it: then only the writing is checked), and what does not read
// must fail with std::runtime_error, never otherwise.
template <typename WriteText>
void checkFormat(std::uint8_t const* data, std::size_t size, MeshFormat format,
                 WriteText const& writeText, bool (*comesBackAsRead)(MeshRecord const&) = nullptr) {
    std::string_view const bytes(reinterpret_cast<char const*>(data), size);
    MeshContents first;
    try {
        InputFile input("fuzz", bytes);
        first = parseMesh(input, format, nullptr);
    } catch (std::runtime_error const&) {
        return;
    }
    Cleanup::MeshData const record = first.mesh.view();
    std::vector<std::string> warnings;
    std::string const text = writeText(CheckedRecord(record, "fuzz"), warnings);
    if (comesBackAsRead && !comesBackAsRead(first.mesh)) return;
    InputFile again("again", text);
    MeshContents const second = parseMesh(again, format, nullptr);
    if (second.mesh.vertexCoords != first.mesh.vertexCoords ||
        second.mesh.indices != first.mesh.indices || second.mesh.counts != first.mesh.counts ||
        cornerUVs(second.mesh) != cornerUVs(first.mesh))
        std::abort();
}

}  // namespace util::tool::fuzz

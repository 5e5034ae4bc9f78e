#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "InputFile.h"
#include "MeshRecord.h"
#include "cleanup/Cleanup.h"

namespace util::tool {

// Mesh files of every supported format, chosen by extension and, where the extension lies or is
// missing, by content. Readers keep polygons and corners as written; failures throw
// std::runtime_error naming the file (and the line where the format has lines).
enum class MeshFormat { OBJ, PLY, STL, OFF };

std::optional<MeshFormat> formatOfExtension(std::string const& path);
char const* formatName(MeshFormat format);

// The format that input's first bytes show, else the one of its extension, else OBJ.
MeshFormat detectFormat(InputFile& input);

MeshContents readMesh(std::string const& path, ProgressCallback const& progress = {});

// Reads input in the given format; OBJ material libraries are looked up in mtlDirectory, or not
// at all when it is null.
MeshContents parseMesh(InputFile& input, MeshFormat format, std::string const* mtlDirectory);

struct WriteOptions {
    bool ascii = false;  // PLY and STL: text instead of binary
    ProgressCallback progress;
};

// Writes the record in the format of path's extension (OBJ when it has none of ours), aside and
// renamed into place. Returns warnings for what the format cannot hold (texture names in PLY,
// UVs in STL...).
std::vector<std::string> writeMesh(Cleanup::MeshData const& data, std::string const& path,
                                   WriteOptions const& options = {});

// "no faces in NAME" and, when something was skipped, ": 12 lines and 40 points were skipped".
std::runtime_error noFacesError(std::string const& name, std::vector<std::string> const& skipped);

std::string countOf(std::size_t count, std::string const& noun);  // "1 line", "12 lines"

}  // namespace util::tool

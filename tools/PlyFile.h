#pragma once

#include <string>
#include <vector>

#include "CheckedRecord.h"
#include "InputFile.h"
#include "MeshRecord.h"

namespace util::tool {

// PLY in ASCII and binary of either byte order: `vertex` x y z with optional s/t (or u/v,
// texture_u/texture_v) as UV set 0, `face` vertex_indices (or vertex_index) of any list type,
// and an optional face list `texcoord` of u v per corner. Other elements and properties are
// read past.
MeshContents parsePly(InputFile& input);

enum class PlyEncoding { ASCII, BINARY_LITTLE_ENDIAN, BINARY_BIG_ENDIAN };

// UVs go per vertex where every corner of a vertex has the same coordinate, else into a face
// list `texcoord`, so none are lost. Adds a warning when the record names textures.
std::string plyText(CheckedRecord const& record, PlyEncoding encoding,
                    std::vector<std::string>& warnings, ProgressCallback const& progress = {});

}  // namespace util::tool

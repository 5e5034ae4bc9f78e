#pragma once

#include <string>
#include <vector>

#include "CheckedRecord.h"
#include "InputFile.h"
#include "MeshRecord.h"

namespace util::tool {

// STL, ASCII or binary, told apart by content: a binary file's size matches its triangle count
// even when its header starts with "solid". Every facet gets its own corner vertices as
// written, so that welding them stays the user's choice.
MeshContents parseStl(InputFile& input);

// Whether input holds binary STL (its size matches the count in an 84-byte header).
bool looksLikeBinaryStl(InputFile& input);

// Faces of more than three corners are split into triangles (with a warning); UVs and texture
// names are left out (with a warning).
std::string stlText(CheckedRecord const& record, bool ascii, std::vector<std::string>& warnings,
                    ProgressCallback const& progress = {});

}  // namespace util::tool

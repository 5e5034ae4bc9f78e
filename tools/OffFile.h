#pragma once

#include <string>
#include <vector>

#include "CheckedRecord.h"
#include "InputFile.h"
#include "MeshRecord.h"

namespace util::tool {

// OFF text with the header OFF, NOFF, COFF, STOFF or a combination (ST, C, N before OFF):
// positions, faces of any size, and with ST per-vertex texture coordinates as UV set 0. Normals
// and colours are read past.
MeshContents parseOff(InputFile& input);

// Whether the first word of input is an OFF header.
bool looksLikeOff(InputFile& input);

// Writes STOFF when every corner of each vertex has the same texture coordinate, else OFF
// (with a warning when UVs are left out).
std::string offText(CheckedRecord const& record, std::vector<std::string>& warnings,
                    ProgressCallback const& progress = {});

}  // namespace util::tool

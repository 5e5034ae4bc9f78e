#pragma once

#include <string>
#include <vector>

#include "CheckedRecord.h"
#include "InputFile.h"
#include "MeshRecord.h"
#include "cleanup/Cleanup.h"

namespace util::tool {

// Wavefront OBJ files in and out of mesh records: positions, polygon faces as written (never
// triangulated, any number of corners), texture coordinates as UV set 0, and `usemtl` runs as
// texture ranges named after the material's map_Kd (untextured without one). Vertices are never
// joined: a cleanup tool must see the defects it is asked to fix. Normals, groups, lines and
// points are not kept. Every failure throws std::runtime_error whose text names the file and,
// for a malformed line, the line number.

using ObjContents = MeshContents;

// Corners without a texture coordinate in a file that has some get the coordinate (0, 0), since
// a record's UV indices run parallel to all vertex indices.
ObjContents readObj(std::string const& path);

// Reads OBJ text from input; MTL files are looked up in mtlDirectory, or not at all (with a
// warning) when it is null.
ObjContents parseObj(InputFile& input, std::string const* mtlDirectory);

// Writes the record to path and, unless it has at most one untextured range, an MTL file with
// the same stem and one material per range next to it. Both are written aside and renamed into
// place, so a failure never leaves a half-written file.
void writeObj(Cleanup::MeshData const& data, std::string const& path);
// The OBJ text alone; its `usemtl` lines name materials of the MTL file mtlName.
std::string objText(CheckedRecord const& record, std::string const& mtlName);

void writeObjFile(Cleanup::MeshData const& data, std::string const& path,
                  ProgressCallback const& progress);

}  // namespace util::tool

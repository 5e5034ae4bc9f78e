#pragma once

#include <string>
#include <vector>

#include "MeshRecord.h"
#include "cleanup/Cleanup.h"

namespace util::tool {

// Wavefront OBJ files in and out of mesh records: positions, polygon faces as written (never
// triangulated), texture coordinates as UV set 0, and `usemtl` runs as texture ranges named after
// the material's map_Kd (untextured without one). Normals, groups, lines and points are not kept.
// Every failure throws std::runtime_error whose text names the file and, for a malformed line,
// the line number.

struct ObjContents {
    MeshRecord mesh;
    std::vector<std::string> warnings;  // what the file got away with, such as a missing MTL
};

// Corners without a texture coordinate in a file that has some get the coordinate (0, 0), since
// a record's UV indices run parallel to all vertex indices.
ObjContents readObj(std::string const& path);

// Writes the record to path and, unless it has at most one untextured range, an MTL file with
// the same stem and one material per range next to it. Both are written aside and renamed into
// place, so a failure never leaves a half-written file.
void writeObj(Cleanup::MeshData const& data, std::string const& path);

}  // namespace util::tool

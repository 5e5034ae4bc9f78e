#pragma once

#include <string>

#include "cleanup/Cleanup.h"

namespace fuzz {

// What a record returned by a cleanup operation must satisfy: vertices and faces present, counts
// of at least 3 summing to the index count, indices in range, texture indices parallel to the
// vertex indices, holes groups naming existing faces (a group may have no holes). The texture start
// faces of the input are taken as given, so they are required to ascend (below the face count) only
// when startFacesMustAscend says the input's did. Empty when the record is valid, otherwise the
// first violation found.
std::string returnedRecordProblem(Cleanup::MeshData const& record, bool startFacesMustAscend);

}  // namespace fuzz

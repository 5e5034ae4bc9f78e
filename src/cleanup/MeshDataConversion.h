#pragma once

#include <memory>
#include <string>

#include "cleanup/Cleanup.h"
#include "mesh/Mesh.h"

namespace Cleanup {

// Checks everything the inbound conversion reads: counts, array presence, index ranges. A record
// that fails converts to no mesh instead of being read outside its arrays.
bool isReadableMeshData(MeshData const& data);

// Record -> mesh, with texture names as face-range materials and the holes structure repaired.
// Null for a record without vertices or one that fails isReadableMeshData. Dropped faces are
// reported in message. The record is only read. roomToGrow: room for faces a pass will append
// (see Mesh::initFromArrays).
std::unique_ptr<util::Mesh> createMeshFromMeshData(MeshData const& data, std::string& message,
                                                   bool roomToGrow = false);

// Mesh -> new record owned by the caller (release with freeMeshData); null when the mesh has no
// vertices or no faces. A non-empty message becomes mConversionMessage.
MeshData* createMeshDataFromMesh(util::Mesh const& mesh, std::string const& message);

// The same record for a mesh about to go, which is left without faces: each is destroyed once
// written, while it is in cache, which spares a later walk over the face list.
MeshData* createMeshDataTakingFaces(util::Mesh& mesh, std::string const& message);

// The record that removeEmptyFaces and then deleteUnusedVertices would leave the mesh to write,
// for a mesh that a pass has left with emptied faces in place. The faces and vertices of a
// polygon mesh stay where they are, which spares a walk that shifts nearly every face; only
// its holes and material ranges are renumbered. The mesh is left without faces: they are
// destroyed as they are written.
MeshData* createMeshDataDroppingEmptyFaces(util::Mesh& mesh, std::string const& message);

}  // namespace Cleanup

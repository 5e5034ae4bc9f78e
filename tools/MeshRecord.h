#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"

namespace util::tool {

// A mesh record whose arrays the tool owns. view() lends the library a Cleanup::MeshData that
// points into these vectors: it is valid until the next change here and is never passed to
// Cleanup::freeMeshData.
struct MeshRecord {
    std::string name;                                  // empty: no name
    std::vector<float> vertexCoords;                   // x y z per vertex
    std::vector<int> indices;                          // vertex indices, face after face
    std::vector<int> counts;                           // corners per face
    std::vector<float> texCoords;                      // u v per coordinate; empty: no UV set
    std::vector<int> texCoordIndices;                  // parallel to indices when texCoords is set
    std::vector<std::optional<std::string>> textures;  // name per range; nullopt: untextured
    std::vector<unsigned int> textureStartFaces;       // first face of each range

    Cleanup::MeshData view();

private:
    std::vector<char*> mTextureNames;  // the char** that view() hands out
};

// A record read from a file, with what the file got away with (a missing MTL file, an unknown
// material).
struct MeshContents {
    MeshRecord mesh;
    std::vector<std::string> warnings;
};

// A record returned by the library; released with Cleanup::freeMeshData.
struct LibraryRecordDeleter {
    void operator()(Cleanup::MeshData const* record) const { Cleanup::freeMeshData(record); }
};
using LibraryRecord = std::unique_ptr<Cleanup::MeshData, LibraryRecordDeleter>;

}  // namespace util::tool

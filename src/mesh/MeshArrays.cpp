#include <cstdio>

#include "base/HugePages.h"
#include "mesh/Mesh.h"
#include "mesh/MeshUtils.h"
#include "mesh/RemovedFaces.h"

namespace util {

Mesh::Mesh(char const* name, int vcCount, float const* vertexCoords, int /*indexCount*/,
           int const* indices, int countCount, int const* counts, unsigned int const* holes,
           int holesCount, std::vector<Material> const* materials,
           std::vector<unsigned int> const* startIndices, std::string* message)
    : mTexCoords(UV_SET_COUNT) {
    initFromArrays(name, vcCount, vertexCoords, indices, 0, nullptr, nullptr, countCount, counts,
                   holes, holesCount, materials, startIndices, message, false);
}

Mesh::Mesh(char const* name, int vcCount, float const* vertexCoords, int /*indexCount*/,
           int const* indices, int tcCount, float const* texCoords, int const* tcIndices,
           int countCount, int const* counts, unsigned int const* holes, int holesCount,
           std::vector<Material> const* materials, std::vector<unsigned int> const* startIndices,
           std::string* message)
    : mTexCoords(UV_SET_COUNT) {
    initFromArrays(name, vcCount, vertexCoords, indices, tcCount, texCoords, tcIndices, countCount,
                   counts, holes, holesCount, materials, startIndices, message, false);
}

// The per-face counts alone decide how many indices are read; the index counts are not used.
void Mesh::initFromArrays(char const* name, int vcCount, float const* vertexCoords,
                          int const* indices, int tcCount, float const* texCoords,
                          int const* tcIndices, int countCount, int const* counts,
                          unsigned int const* holes, int holesCount,
                          std::vector<Material> const* materials,
                          std::vector<unsigned int> const* startIndices, std::string* message,
                          bool roomToGrow) {
    mName = name != nullptr ? name : "";
    if (vcCount > 2) {
        std::size_t const n = static_cast<std::size_t>(vcCount) / 3;
        reserveAdvised(mVertices, n);
        mVertices.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            mVertices[i] = Vector3<float>(vertexCoords[3 * i], vertexCoords[3 * i + 1],
                                          vertexCoords[3 * i + 2]);
    }
    bool const withUVs = tcIndices != nullptr;
    if (texCoords != nullptr && tcCount > 1) {
        std::size_t const n = static_cast<std::size_t>(tcCount) / 2;
        reserveAdvised(mTexCoords[0], n);
        mTexCoords[0].resize(n);
        for (std::size_t i = 0; i < n; ++i)
            mTexCoords[0][i] = {texCoords[2 * i], texCoords[2 * i + 1]};
    }

    // Faces of fewer than 3 corners are only counted: building them first would size the face
    // list by what the host declares rather than by what survives.
    RemovedFaces illegal;
    std::size_t legalFaces = 0;
    for (int f = 0; f < countCount; ++f)
        if (counts[f] >= 3) ++legalFaces;
    reserveAdvised(mFaces, roomToGrow ? legalFaces + legalFaces / 4 : legalFaces);
    std::size_t p = 0;
    for (int f = 0; f < countCount; ++f) {
        int const c = counts[f];
        illegal.append(c < 3);
        if (c < 3) {
            if (c > 0) p += static_cast<std::size_t>(c);
            continue;
        }
        Polygon& face = mFaces.emplace_back();
        face.vertexIndices.assign(indices + p, indices + p + c);
        if (withUVs) face.uvIndices[0].assign(tcIndices + p, tcIndices + p + c);
        MeshUtils::calcPolyNormal(mVertices, &face.vertexIndices, face.faceNormal);
        p += static_cast<std::size_t>(c);
    }

    if (holes != nullptr && holesCount > 0) mHoles.assign(holes, holes + holesCount);

    if (materials != nullptr && !materials->empty()) {
        mDefaultMaterial = materials->front();
        if (materials->size() >= 2 && startIndices != nullptr) {
            mFaceMaterials = *materials;
            mFaceMaterialStartIndices = *startIndices;
        }
    }

    if (illegal.removedCount() > 0) {
        // What removing the emptied faces would do to the holes and the material ranges.
        illegal.renumberRangesAndHoles(*this);
        deleteUnusedVertices(nullptr);
        if (message != nullptr) {
            char count[16];
            std::snprintf(count, sizeof(count), "%d", static_cast<int>(illegal.removedCount()));
            *message = std::string("Constructing Mesh from array : ") + count +
                       " illegal faces (<3 vertices) were ignored.";
        }
    }
}

}  // namespace util

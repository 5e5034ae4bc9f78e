#include "MeshRecord.h"

namespace util::tool {
namespace {
// The record's arrays are not const, but the library only reads the records it is given.
template <typename T>
T* arrayOrNull(std::vector<T>& values) {
    return values.empty() ? nullptr : values.data();
}
}  // namespace

Cleanup::MeshData MeshRecord::view() {
    mTextureNames.clear();
    for (std::optional<std::string>& texture : textures)
        mTextureNames.push_back(texture ? texture->data() : nullptr);
    Cleanup::MeshData data{};
    data.mName = name.empty() ? nullptr : name.data();
    data.mVertexCoords = arrayOrNull(vertexCoords);
    data.mVCCount = static_cast<int>(vertexCoords.size());
    data.mIndices = arrayOrNull(indices);
    data.mIndexCount = static_cast<int>(indices.size());
    data.mTexCoords = arrayOrNull(texCoords);
    data.mTCCount = static_cast<int>(texCoords.size());
    data.mTCIndices = texCoords.empty() ? nullptr : arrayOrNull(texCoordIndices);
    data.mTCIndexCount = texCoords.empty() ? 0 : static_cast<int>(texCoordIndices.size());
    data.mCounts = arrayOrNull(counts);
    data.mCountCount = static_cast<int>(counts.size());
    data.mTextures = arrayOrNull(mTextureNames);
    data.mTexturesCount = static_cast<int>(mTextureNames.size());
    data.mTexturesStartFaces = arrayOrNull(textureStartFaces);
    data.mTexturesStartFacesCount = static_cast<int>(textureStartFaces.size());
    return data;
}

}  // namespace util::tool

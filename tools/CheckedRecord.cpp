#include "CheckedRecord.h"

#include <algorithm>
#include <stdexcept>

namespace util::tool {

CheckedRecord::CheckedRecord(Cleanup::MeshData const& data, std::string const& path)
    : mData(data), mPath(path) {
    if (data.mVCCount < 0 || (data.mVCCount > 0 && data.mVertexCoords == nullptr) ||
        data.mCountCount < 0 || (data.mCountCount > 0 && data.mCounts == nullptr))
        fail("the mesh record is inconsistent");
    mVertexCount = static_cast<std::size_t>(data.mVCCount / 3);
    std::size_t const indexCount =
        data.mIndices ? static_cast<std::size_t>(std::max(data.mIndexCount, 0)) : 0;
    mHasUVs = data.mTexCoords && data.mTCCount >= 2 && data.mTCIndices;
    std::size_t const uvIndexCount =
        mHasUVs ? static_cast<std::size_t>(std::max(data.mTCIndexCount, 0)) : 0;
    mFirstCorners.reserve(static_cast<std::size_t>(data.mCountCount) + 1);
    std::size_t corner = 0;
    for (int face = 0; face < data.mCountCount; ++face) {
        mFirstCorners.push_back(corner);
        if (data.mCounts[face] < 0)
            fail("the mesh has a bad corner count at face " + std::to_string(face));
        std::size_t const corners = static_cast<std::size_t>(data.mCounts[face]);
        mMaxCornerCount = std::max(mMaxCornerCount, corners);
        for (std::size_t end = corner + corners; corner < end; ++corner) {
            bool const badVertex = corner >= indexCount || data.mIndices[corner] < 0 ||
                                   static_cast<std::size_t>(data.mIndices[corner]) >= mVertexCount;
            bool const badUV = mHasUVs && (corner >= uvIndexCount || data.mTCIndices[corner] < 0 ||
                                           data.mTCIndices[corner] >= data.mTCCount / 2);
            if (badVertex || badUV)
                fail("the mesh has a bad index at corner " + std::to_string(corner));
        }
    }
    mFirstCorners.push_back(corner);
}

void CheckedRecord::fail(std::string const& message) const {
    throw std::runtime_error("cannot write " + mPath + ": " + message);
}

std::optional<std::vector<float>> CheckedRecord::perVertexUVs() const {
    std::vector<float> uvs(2 * mVertexCount, 0.0f);
    std::vector<bool> seen(mVertexCount, false);
    for (std::size_t corner = 0; corner < mFirstCorners.back(); ++corner) {
        std::size_t const vertex = static_cast<std::size_t>(vertexAt(corner));
        float const* const uv = uvAt(corner);
        if (!seen[vertex]) {
            seen[vertex] = true;
            uvs[2 * vertex] = uv[0];
            uvs[2 * vertex + 1] = uv[1];
        } else if (uvs[2 * vertex] != uv[0] || uvs[2 * vertex + 1] != uv[1]) {
            return std::nullopt;
        }
    }
    return uvs;
}

bool CheckedRecord::hasTextureNames() const {
    if (mData.mTextures == nullptr) return false;
    for (int i = 0; i < mData.mTexturesCount; ++i)
        if (mData.mTextures[i] != nullptr) return true;
    return false;
}

void CheckedRecord::warnLostTextures(std::string const& format,
                                     std::vector<std::string>& warnings) const {
    if (hasTextureNames())
        warnings.push_back(mPath + ": " + format + " keeps no texture names; they were left out");
}

void CheckedRecord::warnLostUVs(std::string const& format,
                                std::vector<std::string>& warnings) const {
    if (mHasUVs)
        warnings.push_back(mPath + ": " + format +
                           " keeps no texture coordinates; they were left out");
}

}  // namespace util::tool

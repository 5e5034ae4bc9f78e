#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "InputFile.h"
#include "cleanup/Cleanup.h"

namespace util::tool {

// A record about to be written, checked once so that the writers may index it freely. A record
// from a faulty pass must not turn into a file that other programs misread.
class CheckedRecord {
public:
    // Throws "cannot write PATH: the mesh has a bad index at corner N" (or a bad face size).
    CheckedRecord(Cleanup::MeshData const& data, std::string const& path);

    Cleanup::MeshData const& data() const { return mData; }
    std::string const& path() const { return mPath; }
    std::size_t vertexCount() const { return mVertexCount; }
    std::size_t faceCount() const { return mFirstCorners.size() - 1; }
    float const* position(std::size_t vertex) const { return mData.mVertexCoords + 3 * vertex; }
    std::size_t firstCorner(std::size_t face) const { return mFirstCorners[face]; }
    std::size_t cornerCount(std::size_t face) const {
        return mFirstCorners[face + 1] - mFirstCorners[face];
    }
    std::size_t maxCornerCount() const { return mMaxCornerCount; }
    int vertexAt(std::size_t corner) const { return mData.mIndices[corner]; }
    bool hasUVs() const { return mHasUVs; }
    std::size_t uvCount() const {
        return mHasUVs ? static_cast<std::size_t>(mData.mTCCount / 2) : 0;
    }
    int uvIndexAt(std::size_t corner) const { return mData.mTCIndices[corner]; }
    float const* uvAt(std::size_t corner) const { return mData.mTexCoords + 2 * uvIndexAt(corner); }

    // u v per vertex when every corner of each vertex has the same coordinate; (0, 0) for
    // vertices without a face.
    std::optional<std::vector<float>> perVertexUVs() const;

    // Whether any texture range names a texture.
    bool hasTextureNames() const;

    // The warnings of a format that keeps no texture names or no UVs.
    void warnLostTextures(std::string const& format, std::vector<std::string>& warnings) const;
    void warnLostUVs(std::string const& format, std::vector<std::string>& warnings) const;

private:
    [[noreturn]] void fail(std::string const& message) const;

    Cleanup::MeshData const& mData;
    std::string mPath;
    std::size_t mVertexCount = 0;
    std::vector<std::size_t> mFirstCorners;  // per face, then the corner count
    std::size_t mMaxCornerCount = 0;
    bool mHasUVs = false;
};

// Shortest text that reads back as the same float, after a space unless at a line's start.
inline void appendNumber(std::string& out, float value) {
    char buffer[32];
    std::to_chars_result const result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

inline void appendNumber(std::string& out, long long value) {
    char buffer[24];
    std::to_chars_result const result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

// Reports writing progress every few thousand faces.
inline void reportFaces(ProgressCallback const& progress, std::size_t face, std::size_t faces) {
    if (progress && face % 65536 == 0) progress(face, faces);
}

}  // namespace util::tool

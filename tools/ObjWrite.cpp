#include <charconv>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "AtomicFile.h"
#include "ObjFile.h"

namespace util::tool {
namespace {
struct TextureRange {
    unsigned int startFace;
    char const* texture;  // null: untextured
};

std::vector<TextureRange> textureRanges(Cleanup::MeshData const& data) {
    if (data.mTextures == nullptr || data.mTexturesCount <= 0) return {};
    std::vector<TextureRange> ranges;
    for (int i = 0; i < data.mTexturesCount; ++i)
        ranges.push_back(
            {data.mTexturesStartFaces ? data.mTexturesStartFaces[i] : 0u, data.mTextures[i]});
    // The library reports a mesh without materials as one untextured range.
    if (ranges.size() == 1 && ranges[0].texture == nullptr) return {};
    return ranges;
}

std::string mtlPathFor(std::string const& objPath) {
    std::string const mtlPath = std::filesystem::path(objPath).replace_extension(".mtl").string();
    return mtlPath == objPath ? objPath + ".mtl" : mtlPath;
}

// Shortest text that reads back as the same float.
void writeNumber(std::ostream& out, float value) {
    char buffer[32];
    std::to_chars_result const result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out << ' ' << std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

std::string materialName(std::size_t range) { return "range" + std::to_string(range); }

std::string mtlText(std::vector<TextureRange> const& ranges) {
    std::ostringstream out;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        out << "newmtl " << materialName(i) << '\n';
        if (ranges[i].texture) out << "map_Kd " << ranges[i].texture << '\n';
    }
    return out.str();
}

class ObjText {
public:
    ObjText(Cleanup::MeshData const& data, std::string const& path) : mData(data), mPath(path) {}

    std::string build(std::vector<TextureRange> const& ranges, std::string const& mtlName) {
        if (!ranges.empty()) mOut << "mtllib " << mtlName << '\n';
        if (mData.mName && *mData.mName) mOut << "o " << mData.mName << '\n';
        writeTuples("v", mData.mVertexCoords, mData.mVCCount, 3);
        if (hasTexCoords()) writeTuples("vt", mData.mTexCoords, mData.mTCCount, 2);
        writeFaces(ranges);
        return mOut.str();
    }

private:
    bool hasTexCoords() const {
        return mData.mTexCoords && mData.mTCCount >= 2 && mData.mTCIndices;
    }

    void writeTuples(char const* keyword, float const* values, int count, int width) {
        for (int i = 0; i + width <= count; i += width) {
            mOut << keyword;
            for (int k = 0; k < width; ++k) writeNumber(mOut, values[i + k]);
            mOut << '\n';
        }
    }

    void writeFaces(std::vector<TextureRange> const& ranges) {
        std::size_t nextRange = 0;
        int corner = 0;
        for (int face = 0; face < mData.mCountCount; ++face) {
            bool rangeStarts = false;
            while (nextRange < ranges.size() &&
                   ranges[nextRange].startFace <= static_cast<unsigned int>(face)) {
                ++nextRange;
                rangeStarts = true;
            }
            if (rangeStarts) mOut << "usemtl " << materialName(nextRange - 1) << '\n';
            mOut << 'f';
            for (int k = 0; k < mData.mCounts[face]; ++k, ++corner) writeCorner(corner);
            mOut << '\n';
        }
    }

    // A record from a faulty pass must not turn into a file that other programs misread.
    void writeCorner(int corner) {
        int const vertex =
            checkedIndex(mData.mIndices, mData.mIndexCount, corner, mData.mVCCount / 3);
        mOut << ' ' << vertex + 1;
        if (!hasTexCoords()) return;
        mOut << '/'
             << checkedIndex(mData.mTCIndices, mData.mTCIndexCount, corner, mData.mTCCount / 2) + 1;
    }

    int checkedIndex(int const* indices, int indexCount, int corner, int limit) const {
        if (corner >= indexCount || indices[corner] < 0 || indices[corner] >= limit)
            throw std::runtime_error("cannot write " + mPath +
                                     ": the mesh has a bad index at corner " +
                                     std::to_string(corner));
        return indices[corner];
    }

    Cleanup::MeshData const& mData;
    std::string const& mPath;
    std::ostringstream mOut;
};
}  // namespace

void writeObj(Cleanup::MeshData const& data, std::string const& path) {
    std::vector<TextureRange> const ranges = textureRanges(data);
    std::string const mtlPath = mtlPathFor(path);
    std::string const mtlName = std::filesystem::path(mtlPath).filename().string();
    std::string const objText = ObjText(data, path).build(ranges, mtlName);
    if (ranges.empty()) {
        writeFilesAtomically({{path, objText}});
        return;
    }
    // The MTL goes first so that the OBJ never names a material file that is not there yet.
    writeFilesAtomically({{mtlPath, mtlText(ranges)}, {path, objText}});
}

}  // namespace util::tool

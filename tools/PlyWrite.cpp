#include <cstring>

#include "PlyFile.h"

namespace util::tool {
namespace {
class PlyWriter {
public:
    PlyWriter(CheckedRecord const& record, PlyEncoding encoding)
        : mRecord(record), mEncoding(encoding) {}

    std::string text(ProgressCallback const& progress) {
        if (mRecord.hasUVs()) mVertexUVs = mRecord.perVertexUVs();
        mFaceUVs = mRecord.hasUVs() && !mVertexUVs;
        appendHeader();
        for (std::size_t vertex = 0; vertex < mRecord.vertexCount(); ++vertex) {
            for (int k = 0; k < 3; ++k) put(mRecord.position(vertex)[k]);
            if (mVertexUVs) {
                put((*mVertexUVs)[2 * vertex]);
                put((*mVertexUVs)[2 * vertex + 1]);
            }
            endItem();
        }
        for (std::size_t face = 0; face < mRecord.faceCount(); ++face) {
            reportFaces(progress, face, mRecord.faceCount());
            appendFace(face);
        }
        return std::move(mOut);
    }

private:
    void appendHeader() {
        static char const* const FORMATS[]{"ascii", "binary_little_endian", "binary_big_endian"};
        mOut = "ply\nformat ";
        mOut += FORMATS[static_cast<int>(mEncoding)];
        mOut += " 1.0\nelement vertex " + std::to_string(mRecord.vertexCount()) +
                "\nproperty float x\nproperty float y\nproperty float z\n";
        if (mVertexUVs) mOut += "property float s\nproperty float t\n";
        // Most readers expect a uchar count; larger faces need a wider one.
        mWideCounts = mRecord.maxCornerCount() > 255;
        char const* const countType = mWideCounts ? "uint" : "uchar";
        mOut += "element face " + std::to_string(mRecord.faceCount()) + "\nproperty list " +
                countType + " int vertex_indices\n";
        if (mFaceUVs) mOut += "property list " + std::string(countType) + " float texcoord\n";
        mOut += "end_header\n";
    }

    void appendFace(std::size_t face) {
        std::size_t const first = mRecord.firstCorner(face);
        std::size_t const corners = mRecord.cornerCount(face);
        putCount(corners);
        for (std::size_t corner = first; corner < first + corners; ++corner)
            put(static_cast<std::int32_t>(mRecord.vertexAt(corner)));
        if (mFaceUVs) {
            putCount(2 * corners);
            for (std::size_t corner = first; corner < first + corners; ++corner) {
                put(mRecord.uvAt(corner)[0]);
                put(mRecord.uvAt(corner)[1]);
            }
        }
        endItem();
    }

    void putCount(std::size_t count) {
        if (mWideCounts)
            put(static_cast<std::uint32_t>(count));
        else
            put(static_cast<std::uint8_t>(count));
    }

    template <typename Value>
    void put(Value value) {
        if (mEncoding == PlyEncoding::ASCII) {
            if (!mOut.empty() && mOut.back() != '\n') mOut += ' ';
            if constexpr (std::is_floating_point_v<Value>)
                appendNumber(mOut, value);
            else
                appendNumber(mOut, static_cast<long long>(value));
            return;
        }
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        if (mEncoding == PlyEncoding::BINARY_BIG_ENDIAN) std::reverse(bytes, bytes + sizeof value);
        mOut.append(bytes, sizeof value);
    }

    void endItem() {
        if (mEncoding == PlyEncoding::ASCII) mOut += '\n';
    }

    CheckedRecord const& mRecord;
    PlyEncoding mEncoding;
    std::optional<std::vector<float>> mVertexUVs;
    bool mFaceUVs = false;
    bool mWideCounts = false;
    std::string mOut;
};
}  // namespace

std::string plyText(CheckedRecord const& record, PlyEncoding encoding,
                    std::vector<std::string>& warnings, ProgressCallback const& progress) {
    record.warnLostTextures("PLY", warnings);
    return PlyWriter(record, encoding).text(progress);
}

}  // namespace util::tool

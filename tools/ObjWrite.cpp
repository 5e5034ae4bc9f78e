#include <filesystem>
#include <stdexcept>

#include "AtomicFile.h"
#include "CheckedRecord.h"
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

std::string materialName(std::size_t range) { return "range" + std::to_string(range); }

void appendTuples(std::string& out, char const* keyword, float const* values, std::size_t count,
                  std::size_t width) {
    for (std::size_t i = 0; i < count; ++i) {
        out += keyword;
        for (std::size_t k = 0; k < width; ++k) {
            out += ' ';
            appendNumber(out, values[width * i + k]);
        }
        out += '\n';
    }
}

void appendFaces(std::string& out, CheckedRecord const& record,
                 std::vector<TextureRange> const& ranges, ProgressCallback const& progress) {
    std::size_t nextRange = 0;
    for (std::size_t face = 0; face < record.faceCount(); ++face) {
        reportFaces(progress, face, record.faceCount());
        bool rangeStarts = false;
        while (nextRange < ranges.size() && ranges[nextRange].startFace <= face) {
            ++nextRange;
            rangeStarts = true;
        }
        if (rangeStarts) out += "usemtl " + materialName(nextRange - 1) + '\n';
        out += 'f';
        std::size_t const first = record.firstCorner(face);
        for (std::size_t corner = first; corner < first + record.cornerCount(face); ++corner) {
            out += ' ';
            appendNumber(out, record.vertexAt(corner) + 1LL);
            if (!record.hasUVs()) continue;
            out += '/';
            appendNumber(out, record.uvIndexAt(corner) + 1LL);
        }
        out += '\n';
    }
}

std::string mtlText(std::vector<TextureRange> const& ranges) {
    std::string out;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        out += "newmtl " + materialName(i) + '\n';
        if (ranges[i].texture) out += "map_Kd " + std::string(ranges[i].texture) + '\n';
    }
    return out;
}

std::string rangedObjText(CheckedRecord const& record, std::vector<TextureRange> const& ranges,
                          std::string const& mtlName, ProgressCallback const& progress) {
    Cleanup::MeshData const& data = record.data();
    std::string out;
    if (!ranges.empty()) out += "mtllib " + mtlName + '\n';
    if (data.mName && *data.mName) out += "o " + std::string(data.mName) + '\n';
    appendTuples(out, "v", data.mVertexCoords, record.vertexCount(), 3);
    if (record.hasUVs()) appendTuples(out, "vt", data.mTexCoords, record.uvCount(), 2);
    appendFaces(out, record, ranges, progress);
    return out;
}
}  // namespace

std::string objText(CheckedRecord const& record, std::string const& mtlName) {
    return rangedObjText(record, textureRanges(record.data()), mtlName, {});
}

void writeObj(Cleanup::MeshData const& data, std::string const& path) {
    writeObjFile(data, path, {});
}

void writeObjFile(Cleanup::MeshData const& data, std::string const& path,
                  ProgressCallback const& progress) {
    CheckedRecord const record(data, path);
    std::vector<TextureRange> const ranges = textureRanges(data);
    std::string const mtlPath = mtlPathFor(path);
    std::string const obj =
        rangedObjText(record, ranges, std::filesystem::path(mtlPath).filename().string(), progress);
    if (ranges.empty()) {
        writeFilesAtomically({{path, obj}});
        return;
    }
    // The MTL goes first so that the OBJ never names a material file that is not there yet.
    writeFilesAtomically({{mtlPath, mtlText(ranges)}, {path, obj}});
}

}  // namespace util::tool

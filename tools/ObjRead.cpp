#include <fcntl.h>
#include <tiny_obj_loader.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "ObjFile.h"

namespace util::tool {
namespace {
// tinyobjloader stores a face's corner count in an unsigned char.
constexpr std::size_t MAX_FACE_CORNERS = 255;

std::string readFile(std::string const& path) {
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
    std::string contents;
    char buffer[65536];
    for (;;) {
        ssize_t const n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int const error = errno;
            ::close(fd);
            throw std::runtime_error("cannot read " + path + ": " + std::strerror(error));
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return contents;
}

std::vector<std::string_view> splitTokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t start = line.find_first_not_of(" \t");
    while (start != std::string_view::npos) {
        std::size_t const end = line.find_first_of(" \t", start);
        tokens.push_back(line.substr(start, end == std::string_view::npos ? end : end - start));
        start = line.find_first_not_of(" \t", end);
    }
    return tokens;
}

bool isFiniteNumber(std::string_view token) {
    std::string const text(token);
    char* end = nullptr;
    double const value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

bool parseIndex(std::string_view token, long& index) {
    std::string const text(token);
    char* end = nullptr;
    errno = 0;
    index = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end == text.c_str() + text.size() && errno == 0 && index != 0;
}

// Rejects what tinyobjloader would accept silently or with a warning that has no line number:
// non-numeric coordinates, face indices out of range, faces it cannot hold. It only checks; the
// parsing is left to tinyobjloader.
class ObjSyntaxCheck {
public:
    explicit ObjSyntaxCheck(std::string const& path) : mPath(path) {}

    void checkLine(std::size_t number, std::string_view line) {
        line = line.substr(0, line.find('#'));
        std::vector<std::string_view> const tokens = splitTokens(line);
        if (tokens.empty()) return;
        std::string_view const keyword = tokens[0];
        if (keyword == "v") checkNumbers(number, tokens, 3, 7, VERTEX);
        if (keyword == "vt") checkNumbers(number, tokens, 1, 3, TEXCOORD);
        if (keyword == "vn") checkNumbers(number, tokens, 3, 3, NORMAL);
        if (keyword == "f") checkFace(number, tokens);
    }

    // Indices may refer to elements defined further down, so they are checked at the end.
    void finish() const {
        for (ForwardReference const& reference : mForwardReferences)
            if (reference.index > mCounts[reference.kind])
                fail(reference.line, outOfRange(reference.corner, reference.kind));
    }

private:
    enum Kind { VERTEX, TEXCOORD, NORMAL };
    static constexpr std::array<char const*, 3> KIND_NAMES{"vertex", "texture coordinate",
                                                           "normal"};
    struct ForwardReference {
        long index;
        Kind kind;
        std::size_t line;
        std::string corner;
    };

    [[noreturn]] void fail(std::size_t line, std::string const& message) const {
        throw std::runtime_error(mPath + ":" + std::to_string(line) + ": " + message);
    }

    std::string outOfRange(std::string_view corner, Kind kind) const {
        return "face corner '" + std::string(corner) + "' refers to a " + KIND_NAMES[kind] +
               " that does not exist (the file has " + std::to_string(mCounts[kind]) + ")";
    }

    void checkNumbers(std::size_t line, std::vector<std::string_view> const& tokens,
                      std::size_t minimum, std::size_t maximum, Kind kind) {
        std::size_t const values = tokens.size() - 1;
        std::string const keyword(tokens[0]);
        if (values < minimum || values > maximum)
            fail(line, "'" + keyword + "' needs " + std::to_string(minimum) +
                           (minimum == maximum ? "" : " to " + std::to_string(maximum)) +
                           " numbers, found " + std::to_string(values));
        for (std::size_t i = 1; i < tokens.size(); ++i)
            if (!isFiniteNumber(tokens[i]))
                fail(line, "'" + std::string(tokens[i]) + "' in a '" + keyword +
                               "' line is not a number");
        ++mCounts[kind];
    }

    void checkFace(std::size_t line, std::vector<std::string_view> const& tokens) {
        std::size_t const corners = tokens.size() - 1;
        if (corners < 3)
            fail(line, "a face needs at least 3 corners, found " + std::to_string(corners));
        if (corners > MAX_FACE_CORNERS)
            fail(line, "faces of more than " + std::to_string(MAX_FACE_CORNERS) +
                           " corners are not supported, found " + std::to_string(corners));
        for (std::size_t i = 1; i < tokens.size(); ++i) checkCorner(line, tokens[i]);
    }

    // A corner is v, v/vt, v//vn or v/vt/vn.
    void checkCorner(std::size_t line, std::string_view corner) {
        std::array<std::string_view, 3> parts;
        std::size_t partCount = 0;
        std::size_t start = 0;
        for (;;) {
            std::size_t const slash = corner.find('/', start);
            if (partCount == parts.size()) fail(line, badCorner(corner));
            parts[partCount++] =
                corner.substr(start, slash == std::string_view::npos ? slash : slash - start);
            if (slash == std::string_view::npos) break;
            start = slash + 1;
        }
        bool const normalOnly = partCount == 3 && parts[1].empty();
        for (std::size_t k = 0; k < partCount; ++k) {
            if (k == 1 && normalOnly) continue;
            long index = 0;
            if (!parseIndex(parts[k], index)) fail(line, badCorner(corner));
            checkIndex(line, corner, index, static_cast<Kind>(k));
        }
    }

    std::string badCorner(std::string_view corner) const {
        return "face corner '" + std::string(corner) +
               "' is not v, v/vt, v//vn or v/vt/vn with non-zero indices";
    }

    void checkIndex(std::size_t line, std::string_view corner, long index, Kind kind) {
        if (index < 0 && -index > mCounts[kind]) fail(line, outOfRange(corner, kind));
        if (index > mCounts[kind])
            mForwardReferences.push_back({index, kind, line, std::string(corner)});
    }

    std::string const& mPath;
    std::array<long, 3> mCounts{0, 0, 0};  // elements of each kind defined so far
    std::vector<ForwardReference> mForwardReferences;
};

void checkObjSyntax(std::string const& path, std::string const& contents) {
    ObjSyntaxCheck check(path);
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < contents.size()) {
        std::size_t end = contents.find('\n', start);
        if (end == std::string::npos) end = contents.size();
        std::string_view line(contents.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        check.checkLine(++lineNumber, line);
        start = end + 1;
    }
    check.finish();
}

std::vector<std::string> splitMessages(std::string const& path, std::string const& text) {
    std::vector<std::string> messages;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        if (line.find_first_not_of(" \t.") != std::string::npos)
            messages.push_back(path + ": " + line);
    return messages;
}

// Consecutive faces of one material form a range, so `usemtl` runs become texture ranges.
void addTextureRange(MeshRecord& mesh, std::vector<tinyobj::material_t> const& materials,
                     int materialId) {
    std::optional<std::string> name;
    if (materialId >= 0 && !materials.at(materialId).diffuse_texname.empty())
        name = materials.at(materialId).diffuse_texname;
    mesh.textures.push_back(name);
    mesh.textureStartFaces.push_back(static_cast<unsigned int>(mesh.counts.size()));
}

MeshRecord toRecord(tinyobj::ObjReader const& reader) {
    tinyobj::attrib_t const& attrib = reader.GetAttrib();
    MeshRecord mesh;
    mesh.vertexCoords.assign(attrib.vertices.begin(), attrib.vertices.end());
    mesh.texCoords.assign(attrib.texcoords.begin(), attrib.texcoords.end());
    int const missingTexCoord = static_cast<int>(mesh.texCoords.size() / 2);
    bool usedMissingTexCoord = false;
    bool const anyMaterial = !reader.GetMaterials().empty();
    int currentMaterial = -2;  // no range yet
    for (tinyobj::shape_t const& shape : reader.GetShapes()) {
        if (mesh.name.empty()) mesh.name = shape.name;
        std::size_t offset = 0;
        for (std::size_t face = 0; face < shape.mesh.num_face_vertices.size(); ++face) {
            int const materialId = shape.mesh.material_ids[face];
            if (anyMaterial && materialId != currentMaterial)
                addTextureRange(mesh, reader.GetMaterials(), materialId);
            currentMaterial = materialId;
            std::size_t const corners = shape.mesh.num_face_vertices[face];
            for (std::size_t k = 0; k < corners; ++k) {
                tinyobj::index_t const& index = shape.mesh.indices[offset + k];
                mesh.indices.push_back(index.vertex_index);
                usedMissingTexCoord |= index.texcoord_index < 0;
                mesh.texCoordIndices.push_back(index.texcoord_index < 0 ? missingTexCoord
                                                                        : index.texcoord_index);
            }
            mesh.counts.push_back(static_cast<int>(corners));
            offset += corners;
        }
    }
    if (mesh.texCoords.empty()) mesh.texCoordIndices.clear();
    if (!mesh.texCoords.empty() && usedMissingTexCoord)
        mesh.texCoords.insert(mesh.texCoords.end(), {0.0f, 0.0f});
    return mesh;
}
}  // namespace

ObjContents readObj(std::string const& path) {
    checkObjSyntax(path, readFile(path));
    tinyobj::ObjReaderConfig config;
    config.triangulate = false;  // polygons stay polygons; the passes work on them
    config.vertex_color = false;
    tinyobj::ObjReader reader;
    if (!reader.ParseFromFile(path, config)) {
        std::vector<std::string> const errors = splitMessages(path, reader.Error());
        throw std::runtime_error(errors.empty() ? "cannot read " + path : errors.front());
    }
    // Errors of a successful parse come from the MTL file; the geometry is still good.
    std::vector<std::string> warnings = splitMessages(path, reader.Warning());
    for (std::string& error : splitMessages(path, reader.Error()))
        warnings.push_back(std::move(error));
    return {toRecord(reader), std::move(warnings)};
}

}  // namespace util::tool

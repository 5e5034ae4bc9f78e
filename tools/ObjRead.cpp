#include <array>
#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>

#include "MeshFile.h"
#include "ObjFile.h"
#include "TextScan.h"

namespace util::tool {
namespace {
enum Kind { VERTEX, TEXCOORD, NORMAL };
constexpr std::array<char const*, 3> KIND_NAMES{"vertex", "texture coordinate", "normal"};
constexpr int NO_TEXCOORD = -1;

using MaterialTextures = std::map<std::string, std::optional<std::string>, std::less<>>;

// map_Kd [-option arguments...] file: the options and how many arguments each takes.
std::size_t textureOptionArguments(std::string_view option) {
    static std::map<std::string_view, std::size_t> const ARGUMENTS{
        {"-blendu", 1},  {"-blendv", 1}, {"-bm", 1}, {"-boost", 1}, {"-cc", 1}, {"-clamp", 1},
        {"-imfchan", 1}, {"-mm", 2},     {"-o", 3},  {"-s", 3},     {"-t", 3},  {"-texres", 1}};
    auto const found = ARGUMENTS.find(option);
    return found == ARGUMENTS.end() ? 0 : found->second;
}

std::string_view textureFile(TextScan scan) {
    for (;;) {
        std::string_view const rest = scan.rest();
        std::string_view const token = scan.next();
        std::size_t const arguments = textureOptionArguments(token);
        if (arguments == 0) return rest;  // the file name may hold spaces
        // -o, -s and -t take one to three numbers.
        for (std::size_t k = 0; k < arguments; ++k) {
            TextScan lookahead = scan;
            double number = 0;
            if (k > 0 && !parseNumber(lookahead.next(), number)) break;
            scan.next();
        }
    }
}

void readMtl(std::string const& path, MaterialTextures& materials) {
    InputFile input(path);
    std::string current;
    std::string_view line;
    while (input.readLine(line)) {
        TextScan scan(line);
        std::string_view const keyword = scan.next();
        if (keyword == "newmtl") {
            current = std::string(scan.rest());
            materials.emplace(current, std::nullopt);
        } else if (keyword == "map_Kd" && materials.count(current) > 0) {
            std::string_view const file = textureFile(scan);
            if (!file.empty()) materials[current] = std::string(file);
        }
    }
}

class ObjParser {
public:
    ObjParser(InputFile& input, std::string const* mtlDirectory)
        : mInput(input), mMtlDirectory(mtlDirectory) {}

    ObjContents parse() {
        mInput.expectText();
        std::string joined;  // a line continued with a backslash
        std::string_view line;
        while (mInput.readLine(line)) {
            if (!line.empty() && line.back() == '\\') {
                joined.assign(line.data(), line.size() - 1);
                while (!joined.empty() && joined.back() == '\\' && mInput.readLine(line)) {
                    joined.pop_back();
                    joined += ' ';
                    joined.append(line.data(), line.size());
                }
                if (!joined.empty() && joined.back() == '\\') joined.pop_back();
                mLine = mInput.lineNumber();
                parseLine(joined);
                continue;
            }
            mLine = mInput.lineNumber();
            parseLine(line);
        }
        checkForwardReferences();
        if (mContents.mesh.counts.empty()) throw noFaces();
        finishTexCoords();
        finishMaterials();
        mContents.mesh.name = mObjectName.empty() ? mGroupName : mObjectName;
        return std::move(mContents);
    }

private:
    struct ForwardReference {
        long index;
        Kind kind;
        std::size_t line;
        std::string corner;
    };

    [[noreturn]] void fail(std::string const& message) const { failAt(mLine, message); }
    [[noreturn]] void failAt(std::size_t line, std::string const& message) const {
        throw std::runtime_error(mInput.name() + ":" + std::to_string(line) + ": " + message);
    }

    void parseLine(std::string_view line) {
        std::size_t const comment = line.find('#');
        if (comment != std::string_view::npos) line = line.substr(0, comment);
        TextScan scan(line);
        std::string_view const keyword = scan.next();
        if (keyword.empty()) return;
        if (keyword == "v") {
            parseNumbers(scan, keyword, 3, 7, mContents.mesh.vertexCoords, 3, VERTEX);
        } else if (keyword == "vt") {
            parseNumbers(scan, keyword, 1, 3, mContents.mesh.texCoords, 2, TEXCOORD);
        } else if (keyword == "vn") {
            parseNumbers(scan, keyword, 3, 3, mNormalScratch, 0, NORMAL);
        } else if (keyword == "f") {
            parseFace(scan);
        } else if (keyword == "l") {
            ++mSkippedLines;
        } else if (keyword == "p") {
            while (!scan.next().empty()) ++mSkippedPoints;
        } else if (keyword == "usemtl") {
            mMaterial = std::string(scan.rest());
        } else if (keyword == "mtllib") {
            for (std::string_view name = scan.next(); !name.empty(); name = scan.next())
                loadMtl(std::string(name));
        } else if (keyword == "o" && mObjectName.empty()) {
            mObjectName = std::string(scan.rest());
        } else if (keyword == "g" && mGroupName.empty()) {
            mGroupName = std::string(scan.rest());
        }
    }

    // Keeps the first `kept` numbers (padding with zeros) of a line of minimum to maximum.
    void parseNumbers(TextScan& scan, std::string_view keyword, std::size_t minimum,
                      std::size_t maximum, std::vector<float>& values, std::size_t kept,
                      Kind kind) {
        std::size_t count = 0;
        for (std::string_view token = scan.next(); !token.empty(); token = scan.next(), ++count) {
            float value = 0;
            if (!parseNumber(token, value))
                fail("'" + std::string(token) + "' in a '" + std::string(keyword) +
                     "' line is not a number");
            if (count < kept) values.push_back(value);
        }
        if (count < minimum || count > maximum)
            fail("'" + std::string(keyword) + "' needs " + std::to_string(minimum) +
                 (minimum == maximum ? "" : " to " + std::to_string(maximum)) + " numbers, found " +
                 std::to_string(count));
        for (; count < kept; ++count) values.push_back(0.0f);
        if (values.size() > INT_MAX) fail("the file has too many numbers for a mesh record");
        ++mCounts[kind];
    }

    void parseFace(TextScan& scan) {
        MeshRecord& mesh = mContents.mesh;
        std::size_t corners = 0;
        for (std::string_view corner = scan.next(); !corner.empty(); corner = scan.next()) {
            std::array<long, 3> indices{0, 0, 0};
            std::size_t const parts = splitCorner(corner, indices);
            mesh.indices.push_back(static_cast<int>(resolve(corner, indices[VERTEX], VERTEX)));
            mesh.texCoordIndices.push_back(
                parts > 1 && indices[TEXCOORD] != 0
                    ? static_cast<int>(resolve(corner, indices[TEXCOORD], TEXCOORD))
                    : NO_TEXCOORD);
            if (parts > 2) resolve(corner, indices[NORMAL], NORMAL);
            ++corners;
        }
        if (corners < 3) fail("a face needs at least 3 corners, found " + std::to_string(corners));
        if (mesh.indices.size() > INT_MAX) fail("the file has too many corners for a mesh record");
        startMaterialRange();
        mesh.counts.push_back(static_cast<int>(corners));
    }

    // v, v/vt, v//vn or v/vt/vn; a missing vt is 0. Returns the number of parts.
    std::size_t splitCorner(std::string_view const corner, std::array<long, 3>& indices) const {
        std::size_t parts = 0;
        for (std::string_view rest = corner;;) {
            std::size_t const slash = rest.find('/');
            std::string_view const part = rest.substr(0, slash);
            if (parts == 3) fail(badCorner(corner));
            bool const emptyTexCoord =
                parts == 1 && part.empty() && slash != std::string_view::npos;
            if (!emptyTexCoord && (!parseNumber(part, indices[parts]) || indices[parts] == 0))
                fail(badCorner(corner));
            ++parts;
            if (slash == std::string_view::npos) return parts;
            rest.remove_prefix(slash + 1);
        }
    }

    std::string badCorner(std::string_view corner) const {
        return "face corner '" + std::string(corner) +
               "' is not v, v/vt, v//vn or v/vt/vn with non-zero indices";
    }

    std::string outOfRange(std::string_view corner, Kind kind) const {
        return "face corner '" + std::string(corner) + "' refers to a " + KIND_NAMES[kind] +
               " that does not exist (the file has " + std::to_string(mCounts[kind]) + ")";
    }

    // Negative indices count back from the last element so far; positive ones may refer to
    // elements further down, so those are checked at the end.
    long resolve(std::string_view corner, long index, Kind kind) {
        if (index < 0) {
            if (-index > mCounts[kind]) fail(outOfRange(corner, kind));
            return mCounts[kind] + index;
        }
        if (index > mCounts[kind])
            mForwardReferences.push_back({index, kind, mLine, std::string(corner)});
        return index - 1;
    }

    void checkForwardReferences() const {
        for (ForwardReference const& reference : mForwardReferences)
            if (reference.index > mCounts[reference.kind])
                failAt(reference.line, outOfRange(reference.corner, reference.kind));
    }

    std::runtime_error noFaces() const {
        std::vector<std::string> skipped;
        if (mSkippedLines > 0) skipped.push_back(countOf(mSkippedLines, "line"));
        if (mSkippedPoints > 0) skipped.push_back(countOf(mSkippedPoints, "point"));
        return noFacesError(mInput.name(), skipped);
    }

    void finishTexCoords() {
        MeshRecord& mesh = mContents.mesh;
        if (mesh.texCoords.empty()) {
            mesh.texCoordIndices.clear();
            return;
        }
        int const missing = static_cast<int>(mesh.texCoords.size() / 2);
        bool usedMissing = false;
        for (int& index : mesh.texCoordIndices) {
            if (index != NO_TEXCOORD) continue;
            index = missing;
            usedMissing = true;
        }
        if (usedMissing) mesh.texCoords.insert(mesh.texCoords.end(), {0.0f, 0.0f});
    }

    void loadMtl(std::string const& name) {
        if (mMtlDirectory == nullptr) {
            mContents.warnings.push_back(mInput.name() + ": material library " + name +
                                         " was not read");
            return;
        }
        std::string const path = (std::filesystem::path(*mMtlDirectory) / name).string();
        try {
            readMtl(path, mMaterials);
            mLoadedMtl = true;
        } catch (std::runtime_error const& e) {
            mContents.warnings.push_back(mInput.name() + ": " + e.what());
        }
    }

    // Consecutive faces of one material form a range.
    void startMaterialRange() {
        if (mRangeMaterials.empty() || mRangeMaterials.back() != mMaterial) {
            mRangeMaterials.push_back(mMaterial);
            mContents.mesh.textureStartFaces.push_back(
                static_cast<unsigned int>(mContents.mesh.counts.size()));
        }
    }

    // Ranges need a material library; without one every face is untextured.
    void finishMaterials() {
        MeshRecord& mesh = mContents.mesh;
        if (!mLoadedMtl) {
            mesh.textureStartFaces.clear();
            return;
        }
        for (std::optional<std::string> const& material : mRangeMaterials) {
            auto const found = material ? mMaterials.find(*material) : mMaterials.end();
            if (material && found == mMaterials.end() && mUnknownMaterials.insert(*material).second)
                mContents.warnings.push_back(mInput.name() + ": material '" + *material +
                                             "' is not defined in its material library");
            mesh.textures.push_back(found == mMaterials.end() ? std::nullopt : found->second);
        }
    }

    InputFile& mInput;
    std::string const* mMtlDirectory;
    ObjContents mContents;
    std::size_t mLine = 0;
    std::array<long, 3> mCounts{0, 0, 0};  // elements of each kind defined so far
    std::vector<ForwardReference> mForwardReferences;
    std::vector<float> mNormalScratch;  // normals are counted, not kept
    std::size_t mSkippedLines = 0;
    std::size_t mSkippedPoints = 0;
    std::string mObjectName;  // the first of each names the mesh, an object before a group
    std::string mGroupName;
    MaterialTextures mMaterials;
    bool mLoadedMtl = false;
    std::optional<std::string> mMaterial;  // of the faces that follow
    std::vector<std::optional<std::string>> mRangeMaterials;
    std::set<std::string> mUnknownMaterials;
};
}  // namespace

ObjContents parseObj(InputFile& input, std::string const* mtlDirectory) {
    return ObjParser(input, mtlDirectory).parse();
}

ObjContents readObj(std::string const& path) {
    InputFile input(path);
    std::string const directory = std::filesystem::path(path).parent_path().string();
    return parseObj(input, &directory);
}

}  // namespace util::tool

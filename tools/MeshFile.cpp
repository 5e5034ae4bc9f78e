#include "MeshFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "AtomicFile.h"
#include "CheckedRecord.h"
#include "ObjFile.h"
#include "OffFile.h"
#include "PlyFile.h"
#include "StlFile.h"
#include "TextScan.h"

namespace util::tool {

std::optional<MeshFormat> formatOfExtension(std::string const& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".obj") return MeshFormat::OBJ;
    if (extension == ".ply") return MeshFormat::PLY;
    if (extension == ".stl") return MeshFormat::STL;
    if (extension == ".off") return MeshFormat::OFF;
    return std::nullopt;
}

char const* formatName(MeshFormat format) {
    switch (format) {
        case MeshFormat::OBJ:
            return "OBJ";
        case MeshFormat::PLY:
            return "PLY";
        case MeshFormat::STL:
            return "STL";
        case MeshFormat::OFF:
            return "OFF";
    }
    return "";
}

namespace {
// The first statement of an OBJ file; comments say nothing.
bool looksLikeObj(std::string_view head) {
    static std::string_view const KEYWORDS[]{"v", "vt", "vn", "vp", "f",      "l",
                                             "p", "o",  "g",  "s",  "mtllib", "usemtl"};
    while (!head.empty()) {
        std::size_t const end = head.find('\n');
        TextScan scan(head.substr(0, end));
        std::string_view const word = scan.next();
        if (!word.empty() && word[0] != '#')
            return std::find(std::begin(KEYWORDS), std::end(KEYWORDS), word) != std::end(KEYWORDS);
        if (end == std::string_view::npos) break;
        head.remove_prefix(end + 1);
    }
    return false;
}
}  // namespace

MeshFormat detectFormat(InputFile& input) {
    std::string_view const head = input.peek(256);
    std::string_view const firstWord = TextScan(head.substr(0, head.find('\n'))).next();
    if (firstWord == "ply") return MeshFormat::PLY;
    if (looksLikeOff(input)) return MeshFormat::OFF;
    if (looksLikeBinaryStl(input)) return MeshFormat::STL;
    if (firstWord == "solid" && head.find("facet") != std::string_view::npos)
        return MeshFormat::STL;
    // The signatures above are certain; an extension is not, but it picks the reader whose
    // errors fit best when the content shows nothing known.
    if (looksLikeObj(head)) return MeshFormat::OBJ;
    return formatOfExtension(input.name()).value_or(MeshFormat::OBJ);
}

MeshContents parseMesh(InputFile& input, MeshFormat format, std::string const* mtlDirectory) {
    switch (format) {
        case MeshFormat::OBJ:
            return parseObj(input, mtlDirectory);
        case MeshFormat::PLY:
            return parsePly(input);
        case MeshFormat::STL:
            return parseStl(input);
        case MeshFormat::OFF:
            return parseOff(input);
    }
    return {};
}

MeshContents readMesh(std::string const& path, ProgressCallback const& progress) {
    InputFile input(path, progress);
    if (input.peek(1).empty()) input.fail("the file is empty");
    std::string const directory = std::filesystem::path(path).parent_path().string();
    return parseMesh(input, detectFormat(input), &directory);
}

std::vector<std::string> writeMesh(Cleanup::MeshData const& data, std::string const& path,
                                   WriteOptions const& options) {
    MeshFormat const format = formatOfExtension(path).value_or(MeshFormat::OBJ);
    std::vector<std::string> warnings;
    if (format == MeshFormat::OBJ) {
        writeObjFile(data, path, options.progress);
        return warnings;
    }
    CheckedRecord const record(data, path);
    std::string text;
    if (format == MeshFormat::PLY)
        text =
            plyText(record, options.ascii ? PlyEncoding::ASCII : PlyEncoding::BINARY_LITTLE_ENDIAN,
                    warnings, options.progress);
    if (format == MeshFormat::STL)
        text = stlText(record, options.ascii, warnings, options.progress);
    if (format == MeshFormat::OFF) text = offText(record, warnings, options.progress);
    writeFilesAtomically({{path, text}});
    return warnings;
}

std::runtime_error noFacesError(std::string const& name, std::vector<std::string> const& skipped) {
    std::string message = "no faces in " + name;
    for (std::size_t i = 0; i < skipped.size(); ++i)
        message += (i == 0 ? ": " : " and ") + skipped[i];
    if (!skipped.empty())
        message += skipped.size() == 1 && skipped[0].rfind("1 ", 0) == 0 ? " was skipped"
                                                                         : " were skipped";
    return std::runtime_error(message);
}

std::string countOf(std::size_t count, std::string const& noun) {
    return std::to_string(count) + ' ' + noun + (count == 1 ? "" : "s");
}

}  // namespace util::tool

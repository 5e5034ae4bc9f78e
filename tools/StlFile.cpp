#include "StlFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "FaceTriangles.h"
#include "MeshFile.h"
#include "TextScan.h"

namespace util::tool {
namespace {
constexpr std::size_t HEADER_SIZE = 84;
constexpr std::size_t FACET_SIZE = 50;
constexpr std::size_t MAX_FACETS = INT_MAX / 9;  // 9 floats per facet in the record

std::uint32_t littleEndian32(char const* bytes) {
    unsigned char const* const b = reinterpret_cast<unsigned char const*>(bytes);
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
           std::uint32_t{b[3]} << 24;
}

float littleEndianFloat(char const* bytes) {
    std::uint32_t const bits = littleEndian32(bytes);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void addFace(MeshRecord& mesh, std::size_t corners) {
    int const first = static_cast<int>(mesh.vertexCoords.size() / 3 - corners);
    for (std::size_t k = 0; k < corners; ++k) mesh.indices.push_back(first + static_cast<int>(k));
    mesh.counts.push_back(static_cast<int>(corners));
}

MeshContents parseBinary(InputFile& input) {
    std::string_view bytes;
    if (!input.readBytes(HEADER_SIZE, bytes)) input.fail("the binary STL header is cut short");
    std::string_view name = bytes.substr(0, 80);
    name = name.substr(0, name.find('\0'));
    std::uint32_t const facets = littleEndian32(bytes.data() + 80);
    if (facets > MAX_FACETS) input.fail("too many triangles for a mesh record");
    MeshContents contents;
    MeshRecord& mesh = contents.mesh;
    bool const printable = std::all_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127;
    });
    if (name.substr(0, 5) == "solid") name.remove_prefix(5);
    if (printable) mesh.name = std::string(TextScan(name).rest());
    std::size_t const plausible = std::min<std::size_t>(facets, input.size() / FACET_SIZE + 1);
    mesh.vertexCoords.reserve(9 * plausible);
    mesh.indices.reserve(3 * plausible);
    mesh.counts.reserve(plausible);
    for (std::uint32_t facet = 0; facet < facets; ++facet) {
        if (!input.readBytes(FACET_SIZE, bytes))
            input.fail("the file ends after " + std::to_string(facet) + " of the " +
                       std::to_string(facets) + " triangles its header announces");
        for (std::size_t k = 0; k < 9; ++k) {
            float const value = littleEndianFloat(bytes.data() + 12 + 4 * k);
            if (!std::isfinite(value))
                input.fail("triangle " + std::to_string(facet) +
                           " has a coordinate that is not a finite number");
            mesh.vertexCoords.push_back(value);
        }
        addFace(mesh, 3);
    }
    if (mesh.counts.empty()) throw noFacesError(input.name(), {});
    return contents;
}

// Facets of any number of corners are kept as polygons; normals are recomputed by whoever
// needs them, so they are not checked.
MeshContents parseAscii(InputFile& input) {
    input.expectText();
    MeshContents contents;
    MeshRecord& mesh = contents.mesh;
    std::size_t loopCorners = 0;
    bool inLoop = false;
    bool named = false;
    std::string_view line;
    while (input.readLine(line)) {
        TextScan scan(line);
        std::string_view const keyword = scan.next();
        if (keyword == "solid" && !named) {
            mesh.name = std::string(scan.rest());
            named = true;
        } else if (keyword == "outer") {
            if (inLoop) input.failAtLine("'outer loop' inside a loop");
            inLoop = true;
            loopCorners = 0;
        } else if (keyword == "vertex") {
            if (!inLoop) input.failAtLine("'vertex' outside an 'outer loop'");
            for (int k = 0; k < 3; ++k) {
                std::string_view const token = scan.next();
                float value = 0;
                if (!parseNumber(token, value))
                    input.failAtLine("'" + std::string(token) +
                                     "' in a 'vertex' line is not a number");
                mesh.vertexCoords.push_back(value);
            }
            if (mesh.vertexCoords.size() > INT_MAX - 3)
                input.failAtLine("too many vertices for a mesh record");
            ++loopCorners;
        } else if (keyword == "endloop") {
            if (!inLoop) input.failAtLine("'endloop' without 'outer loop'");
            if (loopCorners < 3)
                input.failAtLine("a facet needs at least 3 vertices, found " +
                                 std::to_string(loopCorners));
            addFace(mesh, loopCorners);
            inLoop = false;
        } else if (!keyword.empty() && keyword != "facet" && keyword != "endfacet" &&
                   keyword != "endsolid" && keyword != "solid") {
            input.failAtLine("unknown STL keyword '" + std::string(keyword) + "'");
        }
    }
    if (inLoop) input.failAtLine("the file ends inside a loop");
    if (mesh.counts.empty()) throw noFacesError(input.name(), {});
    return contents;
}

void appendVector(std::string& out, char const* keyword, std::array<float, 3> const& v) {
    out += keyword;
    for (float value : v) {
        out += ' ';
        appendNumber(out, value);
    }
    out += '\n';
}

std::array<float, 3> unitNormal(std::array<float, 3> const& a, std::array<float, 3> const& b,
                                std::array<float, 3> const& c) {
    double const u[3]{double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    double const v[3]{double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    double const n[3]{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                      u[0] * v[1] - u[1] * v[0]};
    double const length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length == 0) return {0, 0, 0};
    return {float(n[0] / length), float(n[1] / length), float(n[2] / length)};
}
}  // namespace

bool looksLikeBinaryStl(InputFile& input) {
    std::string_view const head = input.peek(HEADER_SIZE);
    if (head.size() < HEADER_SIZE) return false;
    std::uint64_t const facets = littleEndian32(head.data() + 80);
    return input.size() == HEADER_SIZE + FACET_SIZE * facets;
}

MeshContents parseStl(InputFile& input) {
    std::string_view const head = input.peek(HEADER_SIZE);
    if (head.empty()) input.fail("the file is empty");
    bool const text = TextScan(head).next() == "solid" && !looksLikeBinaryStl(input);
    return text ? parseAscii(input) : parseBinary(input);
}

std::string stlText(CheckedRecord const& record, bool ascii, std::vector<std::string>& warnings,
                    ProgressCallback const& progress) {
    record.warnLostTextures("STL", warnings);
    record.warnLostUVs("STL", warnings);
    if (record.maxCornerCount() > 3)
        warnings.push_back(record.path() + ": STL holds only triangles; larger faces were split");
    char const* const name = record.data().mName ? record.data().mName : "";
    std::string out;
    std::uint32_t facets = 0;
    if (ascii) {
        out = "solid " + std::string(name) + '\n';
    } else {
        // A binary header must not start with "solid", or careless readers take it for text.
        std::string const header =
            (std::strncmp(name, "solid", 5) == 0 ? " " : "") + std::string(name);
        out.assign(HEADER_SIZE, '\0');
        out.replace(0, std::min<std::size_t>(header.size(), 80), header.substr(0, 80));
    }
    std::vector<std::array<float, 3>> corners;
    for (std::size_t face = 0; face < record.faceCount(); ++face) {
        reportFaces(progress, face, record.faceCount());
        corners.clear();
        std::size_t const first = record.firstCorner(face);
        for (std::size_t k = 0; k < record.cornerCount(face); ++k) {
            float const* const p =
                record.position(static_cast<std::size_t>(record.vertexAt(first + k)));
            corners.push_back({p[0], p[1], p[2]});
        }
        for (std::array<std::size_t, 3> const& triangle : faceTriangles(corners)) {
            std::array<float, 3> const normal =
                unitNormal(corners[triangle[0]], corners[triangle[1]], corners[triangle[2]]);
            ++facets;
            if (ascii) {
                appendVector(out, "facet normal", normal);
                out += "outer loop\n";
                for (std::size_t k : triangle) appendVector(out, "vertex", corners[k]);
                out += "endloop\nendfacet\n";
                continue;
            }
            char facet[FACET_SIZE] = {};
            std::memcpy(facet, normal.data(), 12);
            for (std::size_t k = 0; k < 3; ++k)
                std::memcpy(facet + 12 + 12 * k, corners[triangle[k]].data(), 12);
            out.append(facet, FACET_SIZE);
        }
    }
    if (ascii) {
        out += "endsolid " + std::string(name) + '\n';
    } else {
        for (int k = 0; k < 4; ++k) out[80 + k] = static_cast<char>(facets >> (8 * k));
    }
    return out;
}

}  // namespace util::tool

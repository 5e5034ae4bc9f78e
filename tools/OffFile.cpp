#include "OffFile.h"

#include <climits>
#include <optional>

#include "MeshFile.h"
#include "TextScan.h"

namespace util::tool {
namespace {
struct OffHeader {
    bool texCoords = false;
    bool colours = false;
    bool normals = false;
};

// [ST][C][N]OFF; the 4-D and n-D variants are recognised so as to refuse them clearly.
std::optional<OffHeader> headerOf(std::string_view word, bool& otherDimension) {
    OffHeader header;
    otherDimension = false;
    if (word.size() < 3 || word.substr(word.size() - 3) != "OFF") return std::nullopt;
    word.remove_suffix(3);
    auto const take = [&word](std::string_view prefix) {
        if (word.substr(0, prefix.size()) != prefix) return false;
        word.remove_prefix(prefix.size());
        return true;
    };
    header.texCoords = take("ST");
    header.colours = take("C");
    header.normals = take("N");
    if (take("4") || take("n")) otherDimension = true;
    if (!word.empty()) return std::nullopt;
    return header;
}

class OffParser {
public:
    explicit OffParser(InputFile& input) : mInput(input) {}

    MeshContents parse() {
        mInput.expectText();
        OffHeader const header = readHeader();
        std::uint64_t vertices = 0;
        std::uint64_t faces = 0;
        std::string_view line =
            mHeaderRest.atEnd() ? nextLine("the vertex and face counts") : mHeaderRest.rest();
        TextScan counts(line);
        if (!parseNumber(counts.next(), vertices) || !parseNumber(counts.next(), faces))
            mInput.failAtLine("an OFF file gives its vertex and face counts after the header");
        if (vertices > INT_MAX / 3) mInput.failAtLine("too many vertices for a mesh record");
        MeshRecord& mesh = mContents.mesh;
        std::uint64_t const plausible = mInput.size() / 6 + 1;
        mesh.vertexCoords.reserve(3 * std::min(vertices, plausible));
        for (std::uint64_t v = 0; v < vertices; ++v) readVertex(header);
        for (std::uint64_t f = 0; f < faces; ++f) readFace(vertices);
        if (mesh.counts.empty()) throw noFacesError(mInput.name(), {});
        if (header.texCoords) mesh.texCoordIndices = mesh.indices;
        return std::move(mContents);
    }

private:
    OffHeader readHeader() {
        TextScan scan(nextLine("the OFF header"));
        std::string_view const word = scan.next();
        bool otherDimension = false;
        std::optional<OffHeader> const header = headerOf(word, otherDimension);
        if (!header) mInput.failAtLine("an OFF file starts with OFF (or STOFF, COFF, NOFF)");
        if (otherDimension) mInput.failAtLine("only three-dimensional OFF files are supported");
        if (scan.rest() == "BINARY") mInput.failAtLine("binary OFF files are not supported");
        mHeaderRest = scan;
        return *header;
    }

    // The next line that holds more than a comment.
    std::string_view nextLine(char const* expected) {
        std::string_view line;
        for (;;) {
            if (!mInput.readLine(line))
                mInput.fail(std::string("the file ends before ") + expected);
            line = line.substr(0, line.find('#'));
            if (!TextScan(line).atEnd()) return line;
        }
    }

    void readVertex(OffHeader const& header) {
        TextScan scan(nextLine("the last vertex"));
        std::vector<float>& values = mTokens;
        values.clear();
        for (std::string_view token = scan.next(); !token.empty(); token = scan.next()) {
            float value = 0;
            if (!parseNumber(token, value))
                mInput.failAtLine("'" + std::string(token) + "' in a vertex line is not a number");
            values.push_back(value);
        }
        // Colours come in several widths, so texture coordinates are the last two numbers.
        std::size_t const needed = 3 + (header.normals ? 3 : 0) + (header.texCoords ? 2 : 0);
        if (values.size() < needed)
            mInput.failAtLine("a vertex line needs " + std::to_string(needed) + " numbers, found " +
                              std::to_string(values.size()));
        MeshRecord& mesh = mContents.mesh;
        mesh.vertexCoords.insert(mesh.vertexCoords.end(), values.begin(), values.begin() + 3);
        if (header.texCoords)
            mesh.texCoords.insert(mesh.texCoords.end(), values.end() - 2, values.end());
    }

    // A face line is its corner count, the corners and optionally a colour.
    void readFace(std::uint64_t vertices) {
        TextScan scan(nextLine("the last face"));
        std::string_view const countToken = scan.next();
        std::uint64_t corners = 0;
        if (!parseNumber(countToken, corners))
            mInput.failAtLine("'" + std::string(countToken) + "' is not a corner count");
        if (corners < 3)
            mInput.failAtLine("a face needs at least 3 corners, found " + std::to_string(corners));
        MeshRecord& mesh = mContents.mesh;
        for (std::uint64_t k = 0; k < corners; ++k) {
            std::string_view const token = scan.next();
            std::uint64_t index = 0;
            if (token.empty())
                mInput.failAtLine("the face has fewer corners than its count " +
                                  std::to_string(corners));
            if (!parseNumber(token, index) || index >= vertices)
                mInput.failAtLine("face corner '" + std::string(token) +
                                  "' is not a vertex of the " + std::to_string(vertices) +
                                  " in the file");
            mesh.indices.push_back(static_cast<int>(index));
        }
        if (mesh.indices.size() > INT_MAX / 2)
            mInput.failAtLine("too many corners for a mesh record");
        mesh.counts.push_back(static_cast<int>(corners));
    }

    InputFile& mInput;
    MeshContents mContents;
    TextScan mHeaderRest{std::string_view()};  // counts may follow the header word on its line
    std::vector<float> mTokens;
};
}  // namespace

MeshContents parseOff(InputFile& input) { return OffParser(input).parse(); }

bool looksLikeOff(InputFile& input) {
    std::string_view head = input.peek(64);
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    bool otherDimension = false;
    return headerOf(TextScan(head).next(), otherDimension).has_value();
}

std::string offText(CheckedRecord const& record, std::vector<std::string>& warnings,
                    ProgressCallback const& progress) {
    record.warnLostTextures("OFF", warnings);
    std::optional<std::vector<float>> const uvs =
        record.hasUVs() ? record.perVertexUVs() : std::nullopt;
    if (record.hasUVs() && !uvs)
        warnings.push_back(record.path() +
                           ": OFF holds one texture coordinate per vertex, and this mesh has "
                           "several at some vertex; they were left out");
    std::string out = uvs ? "STOFF\n" : "OFF\n";
    out += std::to_string(record.vertexCount()) + ' ' + std::to_string(record.faceCount()) + " 0\n";
    for (std::size_t vertex = 0; vertex < record.vertexCount(); ++vertex) {
        for (int k = 0; k < 3; ++k) {
            if (k > 0) out += ' ';
            appendNumber(out, record.position(vertex)[k]);
        }
        for (int k = 0; uvs && k < 2; ++k) {
            out += ' ';
            appendNumber(out, (*uvs)[2 * vertex + k]);
        }
        out += '\n';
    }
    for (std::size_t face = 0; face < record.faceCount(); ++face) {
        reportFaces(progress, face, record.faceCount());
        std::size_t const first = record.firstCorner(face);
        appendNumber(out, static_cast<long long>(record.cornerCount(face)));
        for (std::size_t corner = first; corner < first + record.cornerCount(face); ++corner) {
            out += ' ';
            appendNumber(out, static_cast<long long>(record.vertexAt(corner)));
        }
        out += '\n';
    }
    return out;
}

}  // namespace util::tool

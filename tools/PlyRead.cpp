#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "MeshFile.h"
#include "PlyFile.h"
#include "TextScan.h"

namespace util::tool {
namespace {
enum class Type { INT8, UINT8, INT16, UINT16, INT32, UINT32, FLOAT32, FLOAT64 };

std::optional<Type> typeNamed(std::string_view name) {
    static std::pair<char const*, Type> const NAMES[]{
        {"char", Type::INT8},      {"int8", Type::INT8},       {"uchar", Type::UINT8},
        {"uint8", Type::UINT8},    {"short", Type::INT16},     {"int16", Type::INT16},
        {"ushort", Type::UINT16},  {"uint16", Type::UINT16},   {"int", Type::INT32},
        {"int32", Type::INT32},    {"uint", Type::UINT32},     {"uint32", Type::UINT32},
        {"float", Type::FLOAT32},  {"float32", Type::FLOAT32}, {"double", Type::FLOAT64},
        {"float64", Type::FLOAT64}};
    for (auto const& [typeName, type] : NAMES)
        if (name == typeName) return type;
    return std::nullopt;
}

std::size_t sizeOf(Type type) {
    switch (type) {
        case Type::INT8:
        case Type::UINT8:
            return 1;
        case Type::INT16:
        case Type::UINT16:
            return 2;
        case Type::INT32:
        case Type::UINT32:
        case Type::FLOAT32:
            return 4;
        case Type::FLOAT64:
            return 8;
    }
    return 0;
}

bool isInteger(Type type) { return type != Type::FLOAT32 && type != Type::FLOAT64; }

// What a property means to the record.
enum class Role { NONE, X, Y, Z, U, V, CORNERS, CORNER_UVS };

struct Property {
    std::string name;
    Type type;
    std::optional<Type> countType;  // set for a list
    Role role = Role::NONE;
};

struct Element {
    std::string name;
    std::uint64_t count;
    std::vector<Property> properties;
};

enum class Encoding { ASCII, LITTLE, BIG };

Role roleOf(std::string const& element, Property const& property) {
    std::string const& name = property.name;
    if (element == "vertex" && !property.countType) {
        if (name == "x") return Role::X;
        if (name == "y") return Role::Y;
        if (name == "z") return Role::Z;
        if (name == "s" || name == "u" || name == "texture_u" || name == "texture_s")
            return Role::U;
        if (name == "t" || name == "v" || name == "texture_v" || name == "texture_t")
            return Role::V;
    }
    if (element == "face" && property.countType) {
        if (name == "vertex_indices" || name == "vertex_index") return Role::CORNERS;
        if (name == "texcoord") return Role::CORNER_UVS;
    }
    return Role::NONE;
}

class PlyParser {
public:
    explicit PlyParser(InputFile& input) : mInput(input) {}

    MeshContents parse() {
        readHeader();
        for (Element const& element : mElements) readElement(element);
        finish();
        return std::move(mContents);
    }

private:
    [[noreturn]] void failInHeader(std::string const& message) const { mInput.failAtLine(message); }
    [[noreturn]] void failInBody(std::string const& message) const {
        if (mEncoding == Encoding::ASCII) mInput.failAtLine(message);
        mInput.fail(message);
    }

    std::string_view headerLine() {
        std::string_view line;
        if (!mInput.readLine(line)) failInHeader("the PLY header has no end_header line");
        return line;
    }

    void readHeader() {
        if (mInput.peek(1).empty()) mInput.fail("the file is empty");
        if (TextScan(headerLine()).next() != "ply") failInHeader("a PLY file starts with 'ply'");
        for (;;) {
            TextScan scan(headerLine());
            std::string_view const keyword = scan.next();
            if (keyword == "end_header") break;
            if (keyword == "format")
                readFormat(scan);
            else if (keyword == "element")
                readElementLine(scan);
            else if (keyword == "property")
                readProperty(scan);
            else if (keyword != "comment" && keyword != "obj_info" && !keyword.empty())
                failInHeader("unknown PLY header line '" + std::string(keyword) + "'");
        }
        if (!mFormatSeen) failInHeader("the PLY header has no format line");
        Element const* const vertex = findElement("vertex");
        if (vertex == nullptr || !hasRole(*vertex, Role::X) || !hasRole(*vertex, Role::Y) ||
            !hasRole(*vertex, Role::Z))
            failInHeader("the PLY header has no vertex element with x, y and z");
        mVertexUVs = hasRole(*vertex, Role::U) && hasRole(*vertex, Role::V);
        Element const* const face = findElement("face");
        mHasFaceUVs = face != nullptr && hasRole(*face, Role::CORNER_UVS);
        if (vertex->count > INT_MAX / 3) failInHeader("too many vertices for a mesh record");
    }

    void readFormat(TextScan& scan) {
        std::string_view const format = scan.next();
        if (format == "ascii")
            mEncoding = Encoding::ASCII;
        else if (format == "binary_little_endian")
            mEncoding = Encoding::LITTLE;
        else if (format == "binary_big_endian")
            mEncoding = Encoding::BIG;
        else
            failInHeader("unknown PLY format '" + std::string(format) + "'");
        mFormatSeen = true;
    }

    void readElementLine(TextScan& scan) {
        std::string const name(scan.next());
        std::uint64_t count = 0;
        if (name.empty() || !parseNumber(scan.next(), count))
            failInHeader("a PLY element line is 'element NAME COUNT'");
        if (findElement(name) != nullptr)
            failInHeader("the PLY element '" + name + "' is declared twice");
        mElements.push_back({name, count, {}});
    }

    void readProperty(TextScan& scan) {
        if (mElements.empty()) failInHeader("a PLY property comes before any element");
        Property property{};
        std::string_view typeName = scan.next();
        if (typeName == "list") {
            property.countType = typeNamed(scan.next());
            if (!property.countType || !isInteger(*property.countType))
                failInHeader("a PLY list needs an integer count type");
            typeName = scan.next();
        }
        std::optional<Type> const type = typeNamed(typeName);
        if (!type) failInHeader("unknown PLY property type '" + std::string(typeName) + "'");
        property.type = *type;
        property.name = std::string(scan.next());
        if (property.name.empty()) failInHeader("a PLY property needs a name");
        property.role = roleOf(mElements.back().name, property);
        if (property.role == Role::CORNERS && !isInteger(property.type))
            failInHeader("PLY vertex indices must be integers");
        mElements.back().properties.push_back(std::move(property));
    }

    Element const* findElement(std::string const& name) const {
        for (Element const& element : mElements)
            if (element.name == name) return &element;
        return nullptr;
    }

    static bool hasRole(Element const& element, Role role) {
        return std::any_of(element.properties.begin(), element.properties.end(),
                           [role](Property const& p) { return p.role == role; });
    }

    // One value of a property, as a double: every PLY type converts exactly.
    double readValue(Type type) {
        if (mEncoding == Encoding::ASCII) return readAsciiValue(type);
        std::size_t const size = sizeOf(type);
        std::string_view bytes;
        if (!mInput.readBytes(size, bytes)) failInBody("the file ends inside a " + mElementName);
        unsigned char raw[8];
        std::memcpy(raw, bytes.data(), size);
        if (mEncoding == Encoding::BIG) std::reverse(raw, raw + size);
        return decode(type, raw);
    }

    static double decode(Type type, unsigned char const* raw) {
        auto const as = [raw](auto value) {
            std::memcpy(&value, raw, sizeof value);
            return static_cast<double>(value);
        };
        switch (type) {
            case Type::INT8:
                return as(std::int8_t{});
            case Type::UINT8:
                return as(std::uint8_t{});
            case Type::INT16:
                return as(std::int16_t{});
            case Type::UINT16:
                return as(std::uint16_t{});
            case Type::INT32:
                return as(std::int32_t{});
            case Type::UINT32:
                return as(std::uint32_t{});
            case Type::FLOAT32:
                return as(float{});
            case Type::FLOAT64:
                return as(double{});
        }
        return 0;
    }

    double readAsciiValue(Type type) {
        std::string_view token = mScan.next();
        while (token.empty()) {
            std::string_view line;
            if (!mInput.readLine(line)) failInBody("the file ends inside a " + mElementName);
            mScan = TextScan(line);
            token = mScan.next();
        }
        double value = 0;
        bool ok = false;
        if (isInteger(type)) {
            long long integer = 0;
            ok = parseNumber(token, integer);
            value = static_cast<double>(integer);
        } else {
            ok = parseNumber(token, value);
        }
        if (!ok)
            failInBody("'" + std::string(token) + "' is not a " +
                       (isInteger(type) ? "whole number" : "number"));
        return value;
    }

    void readElement(Element const& element) {
        mElementName = element.name;
        MeshRecord& mesh = mContents.mesh;
        bool const isVertex = element.name == "vertex";
        bool const isFace = element.name == "face";
        // Items without properties take no bytes: a huge count would spin without reading.
        if (element.properties.empty()) {
            if ((isVertex || isFace) && element.count > 0)
                failInBody("the " + element.name + " element has no properties");
            return;
        }
        // A header can claim more than the file holds; reserve only what the file could hold.
        std::uint64_t const plausible =
            std::min<std::uint64_t>(element.count, mInput.size() / 4 + 1);
        if (isVertex) mesh.vertexCoords.reserve(3 * plausible);
        if (isFace) mesh.counts.reserve(plausible);
        for (std::uint64_t i = 0; i < element.count; ++i) {
            mCorners = 0;
            mCornerUVs = 0;
            float position[3] = {0, 0, 0};
            float uv[2] = {0, 0};
            for (Property const& property : element.properties) {
                if (property.countType) {
                    readList(property, i);
                    continue;
                }
                double const value = readValue(property.type);
                if (property.role == Role::NONE) continue;
                float const single = static_cast<float>(value);
                if (!std::isfinite(single))
                    failInBody(element.name + " " + std::to_string(i) +
                               " has a value that is not a finite float");
                if (property.role <= Role::Z)
                    position[static_cast<int>(property.role) - 1] = single;
                else
                    uv[property.role == Role::U ? 0 : 1] = single;
            }
            if (isVertex) {
                mesh.vertexCoords.insert(mesh.vertexCoords.end(), position, position + 3);
                if (mVertexUVs) mesh.texCoords.insert(mesh.texCoords.end(), uv, uv + 2);
            }
            if (isFace) finishFace(i);
        }
    }

    void readList(Property const& property, std::uint64_t item) {
        double const count = readValue(*property.countType);
        if (count < 0)
            failInBody(mElementName + " " + std::to_string(item) +
                       " has a list of negative length");
        MeshRecord& mesh = mContents.mesh;
        for (double k = 0; k < count; ++k) {
            double const value = readValue(property.type);
            if (property.role == Role::CORNERS) {
                if (value < 0 || value >= static_cast<double>(mElementCount("vertex")))
                    failInBody("face " + std::to_string(item) + " refers to vertex " +
                               std::to_string(static_cast<long long>(value)) +
                               ", but the file has " + std::to_string(mElementCount("vertex")) +
                               " vertices");
                mesh.indices.push_back(static_cast<int>(value));
                ++mCorners;
            } else if (property.role == Role::CORNER_UVS) {
                float const single = static_cast<float>(value);
                if (!std::isfinite(single))
                    failInBody("face " + std::to_string(item) +
                               " has a texture coordinate that is not a finite float");
                mFaceUVs.push_back(single);
                ++mCornerUVs;
            }
        }
    }

    std::uint64_t mElementCount(std::string const& name) const {
        Element const* const element = findElement(name);
        return element ? element->count : 0;
    }

    void finishFace(std::uint64_t item) {
        MeshRecord& mesh = mContents.mesh;
        if (mCorners < 3)
            failInBody("face " + std::to_string(item) + " has " + std::to_string(mCorners) +
                       " corners; a face needs at least 3");
        if (mHasFaceUVs && mCornerUVs != 2 * mCorners)
            failInBody("face " + std::to_string(item) + " has " + std::to_string(mCornerUVs) +
                       " texture coordinate numbers for " + std::to_string(mCorners) + " corners");
        if (mesh.indices.size() > INT_MAX / 2) failInBody("too many corners for a mesh record");
        mesh.counts.push_back(static_cast<int>(mCorners));
    }

    void finish() {
        MeshRecord& mesh = mContents.mesh;
        if (mesh.counts.empty()) throw noFacesError(mInput.name(), {});
        if (mHasFaceUVs) {
            mesh.texCoords = std::move(mFaceUVs);
            mesh.texCoordIndices.resize(mesh.indices.size());
            for (std::size_t k = 0; k < mesh.indices.size(); ++k)
                mesh.texCoordIndices[k] = static_cast<int>(k);
        } else if (mVertexUVs) {
            mesh.texCoordIndices = mesh.indices;
        }
    }

    InputFile& mInput;
    MeshContents mContents;
    Encoding mEncoding = Encoding::ASCII;
    bool mFormatSeen = false;
    std::vector<Element> mElements;
    bool mVertexUVs = false;
    bool mHasFaceUVs = false;
    std::string mElementName;            // for messages
    TextScan mScan{std::string_view()};  // the rest of the current ASCII line
    std::size_t mCorners = 0;            // of the face being read
    std::size_t mCornerUVs = 0;
    std::vector<float> mFaceUVs;
};
}  // namespace

MeshContents parsePly(InputFile& input) { return PlyParser(input).parse(); }

}  // namespace util::tool

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FaceTriangles.h"
#include "MeshFile.h"
#include "ToolTestSupport.h"

namespace util::tool {
namespace {
using namespace test;

std::string errorOf(std::string const& path) {
    try {
        readMesh(path);
    } catch (std::runtime_error const& e) {
        return e.what();
    }
    return "(no error)";
}

// The UV of every corner: what each format must keep, however it indexes coordinates.
std::vector<float> cornerUVs(MeshRecord const& mesh) {
    std::vector<float> uvs;
    for (std::size_t k = 0; k < mesh.texCoordIndices.size(); ++k)
        for (int axis = 0; axis < 2; ++axis)
            uvs.push_back(mesh.texCoords.at(2 * mesh.texCoordIndices[k] + axis));
    return uvs;
}

// Faces of 3, 4 and 1000 corners around a ring, with floats that only survive exact writing
// and a UV per corner. perVertexUVs: each vertex keeps one coordinate wherever it is used.
MeshRecord ringRecord(bool perVertexUVs) {
    MeshRecord mesh;
    constexpr int RING = 1000;
    for (int i = 0; i < RING; ++i) {
        float const angle = 2.0f * float(M_PI) * float(i) / RING;
        mesh.vertexCoords.insert(mesh.vertexCoords.end(),
                                 {1e-7f + std::cos(angle), std::sin(angle), 0.333333343f});
        mesh.texCoords.insert(mesh.texCoords.end(), {float(i) / RING, 0.7f});
    }
    mesh.vertexCoords.insert(mesh.vertexCoords.end(), {0, 0, -3.4e38f});  // apex
    for (int i = 0; i < RING; ++i) mesh.indices.push_back(i);
    mesh.indices.insert(mesh.indices.end(), {0, RING, 1, 1, RING, 2, 500});
    mesh.counts = {RING, 3, 4};
    mesh.texCoordIndices = mesh.indices;
    mesh.texCoords.insert(mesh.texCoords.end(), {0.5f, 0.5f});
    if (!perVertexUVs) mesh.texCoordIndices.back() = 0;  // vertex 500 with the UV of vertex 0
    return mesh;
}

class MeshFileTest : public ::testing::Test {
protected:
    MeshContents readText(std::string const& name, std::string const& text) {
        writeText(mDir.path(name), text);
        return readMesh(mDir.path(name));
    }

    TempDir mDir;
};

TEST_F(MeshFileTest, EveryFormatKeepsPositionsFacesAndUVsOfLargeFaces) {
    struct Case {
        char const* file;
        bool ascii;
        bool perVertexUVs;
        bool keepsUVs;
    };
    for (Case const& c : {Case{"r.obj", false, false, true}, Case{"r.ply", false, false, true},
                          Case{"r.ply", true, true, true}, Case{"r.off", false, true, true},
                          Case{"r.off", false, false, false}}) {
        MeshRecord original = ringRecord(c.perVertexUVs);
        WriteOptions options;
        options.ascii = c.ascii;
        std::vector<std::string> const warnings =
            writeMesh(original.view(), mDir.path(c.file), options);
        MeshRecord const read = readMesh(mDir.path(c.file)).mesh;
        SCOPED_TRACE(std::string(c.file) + (c.ascii ? " ascii" : "") +
                     (c.perVertexUVs ? " per-vertex UVs" : ""));
        EXPECT_EQ(read.vertexCoords, original.vertexCoords);
        EXPECT_EQ(read.indices, original.indices);
        EXPECT_EQ(read.counts, original.counts);
        EXPECT_EQ(cornerUVs(read), c.keepsUVs ? cornerUVs(original) : std::vector<float>());
        EXPECT_EQ(warnings.empty(), c.keepsUVs);
    }
}

TEST_F(MeshFileTest, BigEndianPlyWithOtherTypesAndElements) {
    std::string text =
        "ply\nformat binary_big_endian 1.0\ncomment made by hand\nelement vertex 3\n"
        "property double x\nproperty short y\nproperty uchar z\nproperty float u\n"
        "property float v\nelement edge 1\nproperty int a\nproperty list uchar int b\n"
        "element face 1\nproperty list ushort uint vertex_indices\nproperty uchar flags\n"
        "end_header\n";
    auto const put = [&text](auto value) {
        char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        std::reverse(bytes, bytes + sizeof value);
        text.append(bytes, sizeof value);
    };
    for (int i = 0; i < 3; ++i) {
        put(double(i) + 0.5);
        put(std::int16_t(-i));
        put(std::uint8_t(200 + i));
        put(float(i) / 4);
        put(1.0f);
    }
    put(std::int32_t(7));
    put(std::uint8_t(2));
    put(std::int32_t(1));
    put(std::int32_t(2));
    put(std::uint16_t(3));
    for (std::uint32_t i : {2u, 1u, 0u}) put(i);
    put(std::uint8_t(9));
    MeshRecord const mesh = readText("be.ply", text).mesh;
    EXPECT_EQ(mesh.vertexCoords, (std::vector<float>{0.5f, 0, 200, 1.5f, -1, 201, 2.5f, -2, 202}));
    EXPECT_EQ(mesh.indices, (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(cornerUVs(mesh), (std::vector<float>{0.5f, 1, 0.25f, 1, 0, 1}));
}

TEST_F(MeshFileTest, StlKeepsEveryCornerAsWrittenInBothEncodings) {
    MeshRecord quad;
    quad.name = "solid part";  // must not make the binary header pass for text
    quad.vertexCoords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    quad.indices = {0, 1, 2, 3};
    quad.counts = {4};
    for (bool const ascii : {false, true}) {
        WriteOptions options;
        options.ascii = ascii;
        std::vector<std::string> const warnings =
            writeMesh(quad.view(), mDir.path("q.stl"), options);
        ASSERT_EQ(warnings.size(), 1u);  // the quad was split
        MeshRecord const read = readMesh(mDir.path("q.stl")).mesh;
        EXPECT_EQ(read.counts, (std::vector<int>{3, 3}));
        EXPECT_EQ(read.indices, (std::vector<int>{0, 1, 2, 3, 4, 5}));  // nothing welded
        EXPECT_EQ(read.vertexCoords,
                  (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 1, 0}));
        EXPECT_EQ(read.name, "solid part");
    }
    MeshRecord const polygon = readText("p.stl",
                                        "solid\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\n"
                                        "vertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\n"
                                        "endfacet\nendsolid\n")
                                   .mesh;
    EXPECT_EQ(polygon.counts, (std::vector<int>{4}));
}

// A non-convex face must become triangles that cover exactly its area, all facing its way.
TEST(FaceTrianglesTest, ConcaveFaceIsCoveredByTrianglesFacingItsWay) {
    std::vector<std::array<float, 3>> const shape{{0, 0, 0}, {4, 0, 0}, {4, 1, 0}, {1, 1, 0},
                                                  {1, 3, 0}, {4, 3, 0}, {4, 4, 0}, {0, 4, 0}};
    std::vector<std::array<std::size_t, 3>> const triangles = faceTriangles(shape);
    ASSERT_EQ(triangles.size(), shape.size() - 2);
    double area = 0;
    for (auto const& [a, b, c] : triangles) {
        double const twice = (shape[b][0] - shape[a][0]) * (shape[c][1] - shape[a][1]) -
                             (shape[b][1] - shape[a][1]) * (shape[c][0] - shape[a][0]);
        EXPECT_GT(twice, 0);
        area += twice / 2;
    }
    EXPECT_DOUBLE_EQ(area, 4 * 4 - 3 * 2);
}

TEST_F(MeshFileTest, OffVariantsWithCommentsColoursAndNormals) {
    MeshRecord const coloured =
        readText("c.off",
                 "# made by hand\nCOFF 4 1 0\n0 0 0 255 0 0\n1 0 0 0.5 0.5 0.5 1\n\n"
                 "1 1 0 1 2 3\n0 1 0 4 5 6 # comment\n4 0 1 2 3 255 0 0\n")
            .mesh;
    EXPECT_EQ(coloured.counts, (std::vector<int>{4}));
    EXPECT_EQ(coloured.vertexCoords, (std::vector<float>{0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}));
    MeshRecord const textured = readText("t.off",
                                         "STNOFF\n3 1 3\n0 0 0 0 0 1 0.5 0.25\n1 0 0 0 0 1 1 0\n"
                                         "0 1 0 0 0 1 0 1\n3 2 1 0\n")
                                    .mesh;
    EXPECT_EQ(cornerUVs(textured), (std::vector<float>{0, 1, 1, 0, 0.5f, 0.25f}));
}

// The extension picks the format only where the content shows none.
TEST_F(MeshFileTest, ContentWinsOverAnExtensionThatLies) {
    MeshRecord mesh = ringRecord(true);
    writeMesh(mesh.view(), mDir.path("real.ply"));
    std::filesystem::rename(mDir.path("real.ply"), mDir.path("fake.obj"));
    EXPECT_EQ(readMesh(mDir.path("fake.obj")).mesh.counts, mesh.counts);
    writeText(mDir.path("tri.ply"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    EXPECT_EQ(readMesh(mDir.path("tri.ply")).mesh.counts, (std::vector<int>{3}));
    writeText(mDir.path("bad.ply"), "not a mesh\n");
    EXPECT_EQ(errorOf(mDir.path("bad.ply")),
              mDir.path("bad.ply") + ":1: a PLY file starts with 'ply'");
}

TEST_F(MeshFileTest, ReadErrorsNameTheFileAndTheCause) {
    std::vector<std::pair<std::string, std::string>> const cases{
        {"lines.obj", "no faces in F: 2 lines and 3 points were skipped"},
        {"empty.off", "F: the file is empty"},
        {"utf16.obj", "F: the file is UTF-16 text; save it as UTF-8 or ASCII"},
        {"nobom.obj", "F: the file looks like UTF-16 text; save it as UTF-8 or ASCII"},
        {"cut.stl", "F: the file ends after 1 of the 2 triangles its header announces"},
        {"index.ply", "F:13: face 0 refers to vertex 3, but the file has 3 vertices"},
        {"index.off", "F:4: face corner '1' is not a vertex of the 1 in the file"},
        {"dims.off", "F:1: only three-dimensional OFF files are supported"},
        {"emptyitems.ply", "no faces in F"},  // billions of items of no bytes: no spinning
    };
    writeText(mDir.path("lines.obj"), "v 0 0 0\nv 1 0 0\nl 1 2\nl 2 1\np 1 2\np 1\n");
    writeText(mDir.path("empty.off"), "");
    writeText(mDir.path("utf16.obj"), std::string("\xFF\xFEv\0 \0", 6));
    writeText(mDir.path("nobom.obj"), std::string("v\0 \0"
                                                  "1\0 \0"
                                                  "2\0",
                                                  10));
    std::string cut(80, ' ');
    cut += std::string("\2\0\0\0", 4) + std::string(50, '\0');
    writeText(mDir.path("cut.stl"), cut);
    writeText(mDir.path("index.ply"),
              "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
              "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
              "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n");
    writeText(mDir.path("index.off"), "OFF\n1 1 0\n0 0 0\n3 0 0 1\n");
    writeText(mDir.path("dims.off"), "4OFF\n");
    writeText(mDir.path("emptyitems.ply"),
              "ply\nformat binary_big_endian 1.0\nelement vertex 0\nproperty float x\n"
              "property float y\nproperty float z\nelement junk 369999999999\nend_header\n");
    for (auto const& [file, expected] : cases) {
        std::string message = expected;
        message.replace(message.find('F'), 1, mDir.path(file));
        EXPECT_EQ(errorOf(mDir.path(file)), message);
    }
}

}  // namespace
}  // namespace util::tool

#include <gtest/gtest.h>

#include "BuildingMesh.h"
#include "ObjFile.h"
#include "ToolTestSupport.h"

namespace util::tool {
namespace {
using test::readText;
using test::TempDir;
using test::writeText;

std::string errorOf(std::string const& path) {
    try {
        readObj(path);
    } catch (std::runtime_error const& e) {
        return e.what();
    }
    return "(no error)";
}

// Floats that only survive as text with enough digits; a pentagon that must stay one face.
MeshRecord texturedRecord() {
    MeshRecord mesh;
    mesh.name = "sample";
    mesh.vertexCoords = {0.1f, -3.4e38f, 1e-7f, 1, 0,    0,    1,           1,
                         0,    0,        1,     0, 0.5f, 1.5f, 0.333333343f};
    mesh.indices = {0, 1, 2, 3, 4, 0, 1, 2, 0, 2, 3};
    mesh.counts = {5, 3, 3};
    mesh.texCoords = {0, 0, 1, 0, 1, 1, 0.7f, 0.1f};
    mesh.texCoordIndices = {0, 1, 2, 3, 0, 3, 2, 1, 0, 0, 0};
    mesh.textures = {"wall.png", std::nullopt, "wall.png"};
    mesh.textureStartFaces = {0, 1, 2};
    return mesh;
}

TEST(ObjFileTest, WriteThenReadKeepsEveryFieldOfTheRecord) {
    TempDir dir;
    MeshRecord original = texturedRecord();
    writeObj(original.view(), dir.path("mesh.obj"));
    ObjContents const read = readObj(dir.path("mesh.obj"));
    EXPECT_TRUE(read.warnings.empty());
    EXPECT_EQ(read.mesh.name, original.name);
    EXPECT_EQ(read.mesh.vertexCoords, original.vertexCoords);  // exact: shortest exact text
    EXPECT_EQ(read.mesh.indices, original.indices);
    EXPECT_EQ(read.mesh.counts, original.counts);
    EXPECT_EQ(read.mesh.texCoords, original.texCoords);
    EXPECT_EQ(read.mesh.texCoordIndices, original.texCoordIndices);
    EXPECT_EQ(read.mesh.textures, original.textures);  // same texture twice stays two ranges
    EXPECT_EQ(read.mesh.textureStartFaces, original.textureStartFaces);
}

TEST(ObjFileTest, ReadsUsemtlRunsAsRangesNamedAfterMapKd) {
    TempDir dir;
    writeText(dir.path("m.mtl"), "newmtl red\nKd 1 0 0\nnewmtl tiles\nmap_Kd tiles.png\n");
    writeText(dir.path("m.obj"),
              "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n"
              "f 1 2 3 4\ng second\nusemtl tiles\nf 1//1 2//1 3//1\nf -4 -3 -1\n"
              "usemtl red\nf 1 3 4\nusemtl tiles\nf 2 3 4\n");
    MeshRecord const mesh = readObj(dir.path("m.obj")).mesh;
    EXPECT_EQ(mesh.counts, (std::vector<int>{4, 3, 3, 3, 3}));
    EXPECT_EQ(mesh.indices, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 0, 1, 3, 0, 2, 3, 1, 2, 3}));
    EXPECT_TRUE(mesh.texCoords.empty());
    EXPECT_TRUE(mesh.texCoordIndices.empty());
    std::vector<std::optional<std::string>> const textures{std::nullopt, "tiles.png", std::nullopt,
                                                           "tiles.png"};
    EXPECT_EQ(mesh.textures, textures);
    EXPECT_EQ(mesh.textureStartFaces, (std::vector<unsigned int>{0, 1, 3, 4}));
}

TEST(ObjFileTest, FaceWithoutUVsGetsAZeroCoordinateWhenOthersHaveThem) {
    TempDir dir;
    writeText(dir.path("m.obj"), "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.5 0.5\nf 1/1 2/1 3/1\nf 1 2 3\n");
    MeshRecord const mesh = readObj(dir.path("m.obj")).mesh;
    EXPECT_EQ(mesh.texCoords, (std::vector<float>{0.5f, 0.5f, 0, 0}));
    EXPECT_EQ(mesh.texCoordIndices, (std::vector<int>{0, 0, 0, 1, 1, 1}));
}

TEST(ObjFileTest, MissingMtlFileIsAWarningAndLeavesNoRanges) {
    TempDir dir;
    writeText(dir.path("m.obj"), "mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl a\nf 1 2 3\n");
    ObjContents const contents = readObj(dir.path("m.obj"));
    ASSERT_FALSE(contents.warnings.empty());
    EXPECT_NE(contents.warnings[0].find("gone.mtl"), std::string::npos);
    EXPECT_TRUE(contents.mesh.textures.empty());
    EXPECT_EQ(contents.mesh.counts.size(), 1u);
}

TEST(ObjFileTest, MalformedLineIsReportedWithFileAndLine) {
    struct Case {
        std::string body;  // follows three vertices and a texture coordinate on lines 1-4
        std::string expected;
    };
    std::string const head = "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\n";
    std::string manyCorners = "f";
    for (int i = 0; i < 256; ++i) manyCorners += " 1";
    std::vector<Case> const cases{
        {"v 1 abc 3\n", ":5: 'abc' in a 'v' line is not a number"},
        {"v 1 2\n", ":5: 'v' needs 3 to 7 numbers, found 2"},
        {"vt 0.5 nan\n", ":5: 'nan' in a 'vt' line is not a number"},
        {"f 1 2\n", ":5: a face needs at least 3 corners, found 2"},
        {"# comment\nf 1 2 4\n", ":6: face corner '4' refers to a vertex that does not exist"},
        {"f 1 2 -4\n", ":5: face corner '-4' refers to a vertex"},
        {"f 1/2 2/1 3/1\n", ":5: face corner '1/2' refers to a texture coordinate"},
        {"f 0 1 2\n", ":5: face corner '0' is not v, v/vt, v//vn or v/vt/vn"},
        {"f 1/1/1/1 2 3\n", ":5: face corner '1/1/1/1'"},
        {"f 1 2 3x\n", ":5: face corner '3x'"},
        {manyCorners + "\n", ":5: faces of more than 255 corners are not supported"},
    };
    TempDir dir;
    for (Case const& c : cases) {
        writeText(dir.path("bad.obj"), head + c.body);
        std::string const message = errorOf(dir.path("bad.obj"));
        EXPECT_EQ(message.rfind(dir.path("bad.obj") + c.expected, 0), 0u)
            << c.body << " gave: " << message;
    }
}

TEST(ObjFileTest, UnreadableFileIsNamed) {
    TempDir dir;
    EXPECT_EQ(errorOf(dir.path("none.obj")),
              "cannot read " + dir.path("none.obj") + ": No such file or directory");
    EXPECT_EQ(errorOf(dir.path()), "cannot read " + dir.path() + ": Is a directory");
}

TEST(ObjFileTest, SingleUntexturedRangeIsWrittenWithoutMaterials) {
    TempDir dir;
    MeshRecord mesh = texturedRecord();
    mesh.textures = {std::nullopt};
    mesh.textureStartFaces.clear();
    writeObj(mesh.view(), dir.path("plain.obj"));
    EXPECT_EQ(readText(dir.path("plain.obj")).find("mtllib"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path("plain.mtl")));
    EXPECT_TRUE(readObj(dir.path("plain.obj")).mesh.textures.empty());
}

TEST(ObjFileTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    writeText(dir.path("out.obj"), "old");
    MeshRecord mesh = texturedRecord();
    mesh.indices.back() = 99;
    EXPECT_THROW(writeObj(mesh.view(), dir.path("out.obj")), std::runtime_error);
    EXPECT_EQ(readText(dir.path("out.obj")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_THROW(writeObj(texturedRecord().view(), dir.path("missing/out.obj")),
                 std::runtime_error);
}

// The bundled file must be what the generator makes, or regenerating it would change the input.
TEST(ObjFileTest, BundledBuildingIsTheGeneratorOutput) {
    TempDir dir;
    MeshRecord building = makeBuildingMesh();
    writeObj(building.view(), dir.path("building.obj"));
    EXPECT_EQ(readText(dir.path("building.obj")), readText(TOOLBOX_DATA_DIR "/building.obj"));
    EXPECT_EQ(readText(dir.path("building.mtl")), readText(TOOLBOX_DATA_DIR "/building.mtl"));
}

}  // namespace
}  // namespace util::tool

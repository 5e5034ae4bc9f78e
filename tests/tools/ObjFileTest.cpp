#include <gtest/gtest.h>

#include <filesystem>

#include "BuildingMesh.h"
#include "ObjFile.h"
#include "ToolTestSupport.h"

namespace util::tool {
namespace {
using namespace test;

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
    mesh.textures = {"wall.png", std::nullopt, "wall.png"};  // same texture twice: two ranges
    mesh.textureStartFaces = {0, 1, 2};
    return mesh;
}

class ObjFileTest : public ::testing::Test {
protected:
    ObjContents readObjText(std::string const& text) {
        writeText(mDir.path("m.obj"), text);
        return readObj(mDir.path("m.obj"));
    }

    TempDir mDir;
};

TEST_F(ObjFileTest, WriteThenReadKeepsEveryFieldOfTheRecord) {
    MeshRecord original = texturedRecord();
    writeObj(original.view(), mDir.path("mesh.obj"));
    ObjContents const read = readObj(mDir.path("mesh.obj"));
    EXPECT_EQ(read.mesh.name, original.name);
    EXPECT_EQ(contentOf(read.mesh), contentOf(original));  // floats exact: shortest exact text
}

TEST_F(ObjFileTest, ReadsUsemtlRunsAsRangesNamedAfterMapKd) {
    writeText(mDir.path("m.mtl"), "newmtl red\nKd 1 0 0\nnewmtl tiles\nmap_Kd tiles.png\n");
    MeshRecord const mesh = readObjText(
                                "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n"
                                "f 1 2 3 4\ng second\nusemtl tiles\nf 1//1 2//1 3//1\n"
                                "f -4 -3 -1\nusemtl red\nf 1 3 4\nusemtl tiles\nf 2 3 4\n")
                                .mesh;
    EXPECT_EQ(mesh.counts, (std::vector<int>{4, 3, 3, 3, 3}));
    EXPECT_EQ(mesh.indices, (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 0, 1, 3, 0, 2, 3, 1, 2, 3}));
    EXPECT_TRUE(mesh.texCoords.empty() && mesh.texCoordIndices.empty());
    EXPECT_EQ(mesh.textures, (std::vector<std::optional<std::string>>{std::nullopt, "tiles.png",
                                                                      std::nullopt, "tiles.png"}));
    EXPECT_EQ(mesh.textureStartFaces, (std::vector<unsigned int>{0, 1, 3, 4}));
}

TEST_F(ObjFileTest, FaceWithoutUVsGetsAZeroCoordinateWhenOthersHaveThem) {
    MeshRecord const mesh =
        readObjText("v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0.5 0.5\nf 1/1 2/1 3/1\nf 1 2 3\n").mesh;
    EXPECT_EQ(mesh.texCoords, (std::vector<float>{0.5f, 0.5f, 0, 0}));
    EXPECT_EQ(mesh.texCoordIndices, (std::vector<int>{0, 0, 0, 1, 1, 1}));
}

TEST_F(ObjFileTest, MissingMtlFileIsAWarningAndLeavesNoRanges) {
    ObjContents const contents =
        readObjText("mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nusemtl a\nf 1 2 3\n");
    ASSERT_FALSE(contents.warnings.empty());
    EXPECT_NE(contents.warnings[0].find("gone.mtl"), std::string::npos);
    EXPECT_TRUE(contents.mesh.textures.empty());
}

TEST_F(ObjFileTest, BadInputIsReportedWithFileAndLine) {
    std::string const head = "v 0 0 0\nv 1 0 0\nv 1 1 0\nvt 0 0\n";  // lines 1-4
    std::vector<std::pair<std::string, std::string>> const cases{
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
    };
    std::string const bad = mDir.path("bad.obj");
    for (auto const& [body, expected] : cases) {
        writeText(bad, head + body);
        std::string const message = errorOf(bad);
        EXPECT_EQ(message.rfind(bad + expected, 0), 0u) << body << " gave: " << message;
    }
    EXPECT_EQ(errorOf(mDir.path("none.obj")),
              "cannot read " + mDir.path("none.obj") + ": No such file or directory");
    EXPECT_EQ(errorOf(mDir.path()), "cannot read " + mDir.path() + ": Is a directory");
}

TEST_F(ObjFileTest, SingleUntexturedRangeIsWrittenWithoutMaterials) {
    MeshRecord mesh = texturedRecord();
    mesh.textures = {std::nullopt};
    mesh.textureStartFaces.clear();
    writeObj(mesh.view(), mDir.path("plain.obj"));
    EXPECT_EQ(readText(mDir.path("plain.obj")).find("mtllib"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(mDir.path("plain.mtl")));
}

TEST_F(ObjFileTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    writeText(mDir.path("out.obj"), "old");
    MeshRecord mesh = texturedRecord();
    mesh.indices.back() = 99;
    EXPECT_THROW(writeObj(mesh.view(), mDir.path("out.obj")), std::runtime_error);
    EXPECT_EQ(readText(mDir.path("out.obj")), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mDir.path()), {}), 1);
    EXPECT_THROW(writeObj(texturedRecord().view(), mDir.path("missing/out.obj")),
                 std::runtime_error);
}

// The bundled file must be what the generator makes, or regenerating it would change the input.
TEST_F(ObjFileTest, BundledBuildingIsTheGeneratorOutput) {
    MeshRecord building = makeBuildingMesh();
    writeObj(building.view(), mDir.path("building.obj"));
    for (char const* name : {"building.obj", "building.mtl"})
        EXPECT_EQ(readText(mDir.path(name)), readText(std::string(TOOLBOX_DATA_DIR "/") + name));
}

}  // namespace
}  // namespace util::tool

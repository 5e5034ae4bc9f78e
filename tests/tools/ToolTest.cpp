#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <tuple>
#include <vector>

#include "MeshFile.h"
#include "ObjFile.h"
#include "ToolTestSupport.h"

namespace util::tool {
namespace {
using namespace test;

std::vector<nlohmann::json> jsonLines(std::string const& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeText(mDir.path("in.mtl"),
                  "newmtl a\nmap_Kd a.png\nnewmtl plain\nnewmtl b\nmap_Kd b.png\n");
        writeText(mDir.path("in.obj"),
                  "mtllib in.mtl\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\nv 1 2 0\nv 3 1 0\n"
                  "vt 0 0\nvt 1 0\nvt 1 1\nvt 0.25 0.75\nusemtl a\nf 1/1 2/2 3/3 5/4 4/4\n"
                  "usemtl plain\nf 2/1 6/2 3/3\nusemtl b\nf 3/1 6/2 5/3\n");
    }

    ToolRun run(std::string const& arguments) const { return runTool(arguments, mDir.path()); }

    TempDir mDir;
};

TEST_F(ToolTest, PassesThatRemoveNothingKeepPositionsUVsAndTextures) {
    ToolRun const result =
        run("clean --merge-vertices 0 --remove-edges-zero 0 --remove-faces-zero 0 in.obj -o out.obj");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(contentOf(readObj(mDir.path("out.obj")).mesh),
              contentOf(readObj(mDir.path("in.obj")).mesh));
}

TEST_F(ToolTest, ReportsEachPassInTheOrderGiven) {
    std::string const passes = "--remove-faces-zero 0 --remove-edges-zero 0 --remove-faces-zero 0";
    std::vector<nlohmann::json> const lines = jsonLines(run("clean --json in.obj " + passes).out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["pass"], "remove-faces-zero");
    EXPECT_EQ(lines[1]["pass"], "remove-edges-zero");
    EXPECT_EQ(lines[0]["before"], (nlohmann::json{{"vertices", 6}, {"faces", 3}}));
    EXPECT_EQ(lines[2]["after"], (nlohmann::json{{"vertices", 6}, {"faces", 3}}));
    EXPECT_TRUE(lines[2]["milliseconds"].is_number());

    ToolRun const text = run("clean in.obj --remove-edges-zero 0");
    EXPECT_EQ(
        text.out.rfind("remove-edges-zero 0: 6 vertices, 3 faces -> 6 vertices, 3 faces, ", 0), 0u);
    EXPECT_EQ(std::count(text.out.begin(), text.out.end(), '\n'), 1);
    EXPECT_EQ(run("clean --quiet in.obj " + passes).out, "");
}

TEST_F(ToolTest, ErrorsNameTheirCauseAndSetTheExitCode) {
    writeText(mDir.path("bad.obj"), "v 0 0 0\nv 1 0 0\nf 1 2 3\n");
    writeText(mDir.path("out.obj"), "old");
    std::vector<std::tuple<std::string, int, std::string>> const cases{
        {"clean none.obj", 1, "toolbox: cannot read none.obj: No such file or directory\n"},
        {"clean bad.obj", 1, "toolbox: bad.obj:3: face corner '3' refers to a vertex"},
        {"clean in.obj -o nodir/out.obj", 1, "toolbox: cannot write nodir/out."},
        {"clean in.obj --remove-edges-zero x", 2, "toolbox: --remove-edges-zero: 'x' is not a"},
        {"clean in.obj --remove-faces-zero", 2, "toolbox: --remove-faces-zero:"},
        {"clean in.obj --merge-vertices -1", 2, "toolbox: --merge-vertices: '-1' is not a"},
        {"clean in.obj --merge-everything", 2, "toolbox: The following argument was not expected"},
        {"", 2, "toolbox: A subcommand is required"},
        {"clean in.obj --remove-faces-zero 1e9 -o out.obj", 3,
         "toolbox: remove-faces-zero left no mesh; nothing written\n"},
    };
    for (auto const& [arguments, exitCode, message] : cases) {
        ToolRun const result = run(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << arguments;
        EXPECT_EQ(result.err.rfind(message, 0), 0u) << arguments << " gave: " << result.err;
    }
    EXPECT_EQ(readText(mDir.path("out.obj")), "old");
}

// Two copies of a square whose texture coordinates differ, and a straight corner whose texture
// coordinate is not interpolated: both survive unless UVs are ignored.
TEST_F(ToolTest, PassesSpareTexturesUnlessToldToIgnoreThem) {
    writeText(mDir.path("uv.obj"),
              "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\nvt 0 0\nvt 0.6 0\nvt 1 0\n"
              "vt 1 1\nvt 0 1\nf 1/1 2/2 3/3 4/4 5/5\nf 1/1 2/2 3/3 4/4 5/4\n");
    std::string const passes = " --remove-faces-double --remove-vertices-colinear 0.1";
    std::vector<nlohmann::json> const spared = jsonLines(run("clean --json uv.obj" + passes).out);
    ASSERT_EQ(spared.size(), 2u);
    EXPECT_EQ(spared[0]["pass"], "remove-faces-double");
    EXPECT_EQ(spared[1]["after"], (nlohmann::json{{"vertices", 5}, {"faces", 2}}));
    std::vector<nlohmann::json> const ignored =
        jsonLines(run("clean --json --ignore-uvs uv.obj" + passes).out);
    ASSERT_EQ(ignored.size(), 2u);
    EXPECT_EQ(ignored[1]["after"], (nlohmann::json{{"vertices", 4}, {"faces", 1}}));
}

// Relative defaults: a copy of the building at 1:1000 and one at 1000:1 clean to the same
// topology, each with thresholds printed for its own size.
TEST(ToolAutoThresholdTest, TinyAndHugeCopiesCleanAlike) {
    TempDir dir;
    std::vector<std::vector<int>> results;
    for (float const scale : {0.001f, 1000.0f}) {
        MeshContents building = readMesh(TOOLBOX_DATA_DIR "/building.obj");
        for (float& coordinate : building.mesh.vertexCoords) coordinate *= scale;
        writeObj(building.mesh.view(), dir.path("b.obj"));
        ToolRun const result = runTool("clean b.obj -o c.obj", dir.path());
        ASSERT_EQ(result.exitCode, 0) << result.err;
        std::string const edges = scale < 1 ? "1.2e-07" : "0.12";
        EXPECT_EQ(result.out.rfind("merge-vertices " + edges + " (auto): 36 vertices", 0), 0u)
            << result.out;
        MeshRecord const cleaned = readObj(dir.path("c.obj")).mesh;
        results.push_back(cleaned.counts);
        results.push_back(cleaned.indices);
    }
    EXPECT_EQ(results[0], results[2]);
    EXPECT_EQ(results[1], results[3]);
}

// One broken file among good ones: the good ones are written, the exit code tells.
TEST(ToolFolderTest, BrokenFileFailsAloneAndSetsTheExitCode) {
    TempDir dir;
    std::filesystem::create_directory(dir.path("in"));
    writeText(dir.path("in/lines.obj"), "v 0 0 0\nv 1 0 0\nl 1 2\n");
    ASSERT_EQ(runTool("convert " TOOLBOX_DATA_DIR "/building.obj in/a.ply", dir.path()).exitCode,
              0);
    ASSERT_EQ(runTool("convert " TOOLBOX_DATA_DIR "/building.obj in/c.off", dir.path()).exitCode,
              0);
    writeText(dir.path("in/notes.txt"), "not a mesh");
    ToolRun const result = runTool("clean in -o out -j 2", dir.path());
    EXPECT_EQ(result.exitCode, 1);
    std::vector<std::string> lines;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);)
        lines.push_back(line.substr(0, line.rfind(',')));
    EXPECT_EQ(lines,
              (std::vector<std::string>{"a.ply: 36 vertices, 9 faces -> 8 vertices, 6 faces",
                                        "c.off: 36 vertices, 9 faces -> 8 vertices, 6 faces",
                                        "lines.obj: failed", "3 files: 2 cleaned, 1 failed"}));
    EXPECT_NE(result.err.find("no faces in in/lines.obj: 1 line was skipped"), std::string::npos);
    EXPECT_EQ(readMesh(dir.path("out/c.off")).mesh.counts.size(), 6u);
    EXPECT_FALSE(std::filesystem::exists(dir.path("out/lines.obj")));
}

// Without an input file both commands use the bundled building, whatever the directory.
TEST(ToolBundledBuildingTest, InfoCountsItAndCleanFixesItsRoof) {
    TempDir elsewhere;
    ToolRun const info = runTool("info", elsewhere.path());
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out,
              "file: " TOOLBOX_DATA_DIR
              "/building.obj\nvertices: 36\n"
              "faces: 9 (3 with 3 corners, 4 with 4 corners, 1 with 5 corners, 1 with 6 corners)\n"
              "UV sets: 1 (36 coordinates)\ntexture ranges: 3\n  from face 0: brick.png\n"
              "  from face 6: roof.png\n  from face 7: (untextured)\n"
              "orientation: 4 faces to turn, 9 components, 9 open\n"  // not welded: all apart
              "bounding box: (0, 0, 0) to (10, 4, 6)\n");

    ToolRun const clean = runTool("clean --json -o cleaned.obj", elsewhere.path());
    ASSERT_EQ(clean.exitCode, 0) << clean.err;
    std::vector<nlohmann::json> const lines = jsonLines(clean.out);
    EXPECT_EQ(lines[0]["auto"], true);
    EXPECT_EQ(lines[0]["before"], (nlohmann::json{{"vertices", 36}, {"faces", 9}}));
    // Welded corners, then the sliver, the floor's copy, the front wall's split and a straight
    // roof corner go.
    std::vector<std::string> steps;
    for (nlohmann::json const& line : lines)
        steps.push_back(line["pass"].get<std::string>() + " " + line["after"]["vertices"].dump() +
                        "/" + line["after"]["faces"].dump());
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "merge-vertices 10/9", "remove-edges-zero 10/9", "remove-faces-zero 9/8",
                         "remove-faces-double 9/7", "conform-normals 9/7",
                         "remove-edges-coplanar 9/6", "remove-vertices-colinear 8/6"}));
    EXPECT_EQ(readObj(elsewhere.path("cleaned.obj")).mesh.counts.size(), 6u);
}

}  // namespace
}  // namespace util::tool

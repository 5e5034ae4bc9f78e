#include <gtest/gtest.h>

#include "ToolTestSupport.h"

namespace util::tool::test {
namespace {

// The bundled building spans (0, 0, 0) to (10, 4, 6) with a flat roof at z = 6.
std::string const BUILDING = "'" TOOLBOX_DATA_DIR "/building.obj'";

TEST(PickCommandTest, RayPrintsDistanceInDirectionLengthsAndNormalOrNoHit) {
    TempDir dir;
    ToolRun const hit =
        runTool("pick " + BUILDING + " --origin 3,2,100 --direction 0,0,-2", dir.path());
    EXPECT_EQ(hit.exitCode, 0) << hit.err;
    EXPECT_EQ(hit.out, "hit distance 47 normal 0 0 1\n");
    ToolRun const moved = runTool("pick " + BUILDING +
                                      " --transform 1,0,0,0,0,1,0,0,0,0,1,0,100,0,0,1"
                                      " --origin 3,2,100 --direction 0,0,-1",
                                  dir.path());
    EXPECT_EQ(moved.out, "no hit\n");
}

TEST(PickCommandTest, FrustumReportsTheEntryWhenVisible) {
    TempDir dir;
    // The box [-1, 11] x [-1, 5] x [-1, 7] and its orthographic view-projection.
    std::string const box =
        " --frustum -1,5,-1,11,5,-1,11,-1,-1,-1,-1,-1,-1,5,7,11,5,7,11,-1,7,-1,-1,7"
        " --view-projection 0.16666667,0,0,0,0,0.33333334,0,0,0,0,0.25,0,-0.8333333,-0.6666667,"
        "-0.75,1";
    ToolRun const inside = runTool("pick " + BUILDING + box + " --fully-inside", dir.path());
    EXPECT_EQ(inside.exitCode, 0) << inside.err;
    EXPECT_EQ(inside.out, "entry 1 visible\n");
    ToolRun const away = runTool(
        "pick " + BUILDING + box + " --transform 1,0,0,0,0,1,0,0,0,0,1,0,100,0,0,1", dir.path());
    EXPECT_EQ(away.out, "not visible\n");
}

TEST(PickCommandTest, MissingOrIncompleteQueriesAreUsageErrors) {
    TempDir dir;
    EXPECT_EQ(runTool("pick " + BUILDING, dir.path()).exitCode, 2);
    EXPECT_EQ(runTool("pick " + BUILDING + " --origin 0,0 --direction 0,0,1", dir.path()).exitCode,
              2);
    EXPECT_EQ(runTool("pick missing.obj --origin 0,0,1 --direction 0,0,1", dir.path()).exitCode, 1);
}

}  // namespace
}  // namespace util::tool::test

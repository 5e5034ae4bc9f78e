#include <gtest/gtest.h>

#include <string>

#include "ToolTestSupport.h"

namespace util::tool {
namespace {
using namespace test;

// A square far larger than the view, so only its face can be visible; then the same square seen
// from ten times further away, where its corners come into view.
TEST(SnapCommandTest, PrintsKindPointAndTriangleOrOnlyTheKind) {
    TempDir dir;
    writeText(dir.path("quad.obj"), "v -5 -5 0\nv 5 -5 0\nv 5 5 0\nv -5 5 0\nf 1 2 3 4\n");
    std::string const ray = " --origin 0.5,-0.25,10 --direction 0,0,-1";
    ToolRun const face = runTool(
        "snap quad.obj --view-projection 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1" + ray, dir.path());
    EXPECT_EQ(face.exitCode, 0) << face.err;
    EXPECT_EQ(face.out, "kind: 3 (face)\npoint: 0.5 -0.25 0\ntriangle: -5 -5 0, 5 -5 0, 5 5 0\n");

    ToolRun const corner = runTool(
        "snap quad.obj --view-projection 0.1 0 0 0 0 0.1 0 0 0 0 0.1 0 0 0 0 1" + ray, dir.path());
    EXPECT_EQ(corner.out, "kind: 1 (vertex)\npoint: -5 -5 0\ntriangle: -5 -5 0, 5 -5 0, 5 5 0\n");

    ToolRun const miss = runTool(
        "snap quad.obj --view-projection 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 --origin 20,0,10 "
        "--direction 0,0,-1",
        dir.path());
    EXPECT_EQ(miss.out, "kind: 0 (nothing)\n");

    EXPECT_EQ(runTool("snap quad.obj --view-projection 1 0 0 1" + ray, dir.path()).exitCode, 2);
}

}  // namespace
}  // namespace util::tool

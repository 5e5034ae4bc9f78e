#include <gtest/gtest.h>

#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

// Two textured triangles of the unit square; the texture names decide whether they may merge.
RecordBuilder texturedSquare(char* first, char* second) {
    RecordBuilder b;
    b.coords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
    b.addFace({0, 1, 2});
    b.addFace({0, 2, 3});
    b.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    b.tcIndices = {0, 1, 2, 0, 2, 3};
    b.withTexCoords = true;
    b.textures = {first, second};
    b.startFaces = {0, 1};
    b.withStartFaces = true;
    return b;
}

TEST(CleanupRemoveEdgesCoplanarTest, MergesTheSquareAndKeepsItsUVs) {
    char brick[] = "brick.png";
    RecordBuilder b = texturedSquare(brick, brick);
    b.textures.pop_back();  // one range for both faces
    b.startFaces.pop_back();
    Record const out(removeEdgesCoplanar(0.1f, true, b.record()));
    ASSERT_TRUE(out);
    EXPECT_EQ(values(out->mCounts, out->mCountCount), (std::vector<int>{4}));
    EXPECT_EQ(out->mTCIndexCount, 4);
    EXPECT_EQ(out->mTexturesCount, 1);
}

TEST(CleanupRemoveEdgesCoplanarTest, CheckUVsKeepsTheEdgeBetweenTextures) {
    char brick[] = "brick.png";
    char glass[] = "glass.png";
    RecordBuilder b = texturedSquare(brick, glass);
    Record const kept(removeEdgesCoplanar(0.1f, true, b.record()));
    ASSERT_TRUE(kept);
    EXPECT_EQ(values(kept->mCounts, kept->mCountCount), (std::vector<int>{3, 3}));
    Record const merged(removeEdgesCoplanar(0.1f, false, b.record()));
    ASSERT_TRUE(merged);
    EXPECT_EQ(values(merged->mCounts, merged->mCountCount), (std::vector<int>{4}));
    EXPECT_EQ(removeEdgesCoplanar(0.1f, false, RecordBuilder().record()), nullptr);
}

}  // namespace
}  // namespace Cleanup

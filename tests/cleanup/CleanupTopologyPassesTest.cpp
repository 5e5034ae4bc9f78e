#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::BRICK;
using util::test::Record;
using util::test::RecordBuilder;
using util::test::ROOF;
using util::test::values;

// Face 0 (brick) encircles hole 1; face 2 (roof) repeats face 0 backwards; face 3 is a line
// that the conversion drops. Every corner has its own texture coordinate, equal to its position.
RecordBuilder doubledRecord() {
    RecordBuilder b;
    b.addSquare(0, 0, 10, 10);
    b.addSquare(2, 2, 4, 4, true);
    b.addFace({3, 2, 1, 0});
    b.addFace({0, 1});
    for (std::size_t v = 0; v < b.coords.size(); v += 3)
        b.texCoords.insert(b.texCoords.end(), {b.coords[v], b.coords[v + 1]});
    b.tcIndices = b.indices;
    b.withTexCoords = true;
    b.textures = {BRICK, ROOF};
    b.startFaces = {0, 2};
    b.withStartFaces = true;
    b.holes = {0, 1, util::Mesh::HOLES_END};
    return b;
}

TEST(CleanupRemoveFacesDoubleTest, CopyGoesOnlyWhenItsTextureDoesNotCount) {
    RecordBuilder b = doubledRecord();
    MeshData const input = b.record();
    Record const kept(removeFacesDouble(true, input));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->mCountCount, 3);
    EXPECT_EQ(kept->mTexturesCount, 2);

    Record const out(removeFacesDouble(false, input));
    ASSERT_TRUE(out);
    EXPECT_EQ(values(out->mCounts, out->mCountCount), (std::vector<int>{4, 4}));
    EXPECT_EQ(values(out->mHoles, out->mHolesCount),
              (std::vector<unsigned int>{0, 1, util::Mesh::HOLES_END}));
    ASSERT_EQ(out->mTexturesCount, 1);  // the roof range went with its only face
    EXPECT_EQ(std::string(out->mTextures[0]), "brick.png");
    // The caller's record is only read.
    EXPECT_EQ(values(input.mIndices, input.mIndexCount), doubledRecord().indices);
    EXPECT_EQ(input.mCountCount, 4);
}

// A pass that leaves no face returns no record rather than an empty one.
TEST(CleanupPassesTest, NothingLeftGivesNull) {
    RecordBuilder square;
    square.addSquare(0, 0, 1, 1);
    RecordBuilder tiny;  // a triangle within the weld tolerance collapses entirely
    tiny.coords = {0, 0, 0, 0.01f, 0, 0, 0, 0.01f, 0};
    tiny.addFace({0, 1, 2});
    RecordBuilder line;  // one straight corner: the triangle is emptied
    line.coords = {0, 0, 0, 1, 0, 0, 2, 0, 0};
    line.addFace({0, 1, 2});
    EXPECT_EQ(removeEdgesZero(2.0f, square.record()), nullptr);
    EXPECT_EQ(removeFacesZero(2.0f, square.record()), nullptr);
    EXPECT_EQ(mergeVertices(0.1f, tiny.record()), nullptr);
    EXPECT_EQ(removeVerticesColinear(0.01f, false, line.record()), nullptr);
}

}  // namespace
}  // namespace Cleanup

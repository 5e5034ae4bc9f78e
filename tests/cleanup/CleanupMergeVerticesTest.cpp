#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

// A strip of unit squares along x, each with its own four vertices and UVs, in two texture
// ranges: welding joins the squares but must keep every corner's UV index.
RecordBuilder texturedStrip(int squares) {
    RecordBuilder b;
    for (int s = 0; s < squares; ++s) {
        b.addSquare(static_cast<float>(s), 0, static_cast<float>(s + 1), 1);
        for (int k = 0; k < 4; ++k) {
            b.texCoords.insert(b.texCoords.end(), {static_cast<float>(s), static_cast<float>(k)});
            b.tcIndices.push_back(4 * s + k);
        }
    }
    b.withTexCoords = true;
    return b;
}

TEST(CleanupMergeVerticesTest, WeldsTheStripAndKeepsUVsAndTextureRanges) {
    RecordBuilder b = texturedStrip(3);
    char brick[] = "brick.png";
    char roof[] = "roof.png";
    b.textures = {brick, roof};
    b.startFaces = {0, 2};
    b.withStartFaces = true;
    Record const out(mergeVertices(0.001f, b.record()));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->mVCCount, 3 * 8);
    EXPECT_EQ(values(out->mIndices, out->mIndexCount),
              (std::vector<int>{0, 1, 2, 3, 1, 4, 5, 2, 4, 6, 7, 5}));
    EXPECT_EQ(values(out->mTCIndices, out->mTCIndexCount), b.tcIndices);
    EXPECT_EQ(values(out->mTexCoords, out->mTCCount), b.texCoords);
    ASSERT_EQ(out->mTexturesCount, 2);
    EXPECT_STREQ(out->mTextures[0], "brick.png");
    EXPECT_STREQ(out->mTextures[1], "roof.png");
    EXPECT_EQ(values(out->mTexturesStartFaces, out->mTexturesStartFacesCount),
              (std::vector<unsigned int>{0, 2}));
}

// From 1000 vertices on, the octree search cannot find a NaN vertex: the host gets the
// exception, and nothing leaked.
TEST(CleanupMergeVerticesTest, NaNCoordinatesInALargeRecordThrowCleanly) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    RecordBuilder large = texturedStrip(250);
    large.coords[3 * 600 + 2] = nan;
    try {
        mergeVertices(0.001f, large.record());
        ADD_FAILURE() << "no exception";
    } catch (std::runtime_error const& e) {
        EXPECT_STREQ(e.what(), "Merge failed : Vertex (150, 0, nan) not found in octree.");
    }
}

}  // namespace
}  // namespace Cleanup

#include <gtest/gtest.h>

#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

char BRICK[] = "brick.png";
char GLASS[] = "glass.png";

// Two textured triangles of the unit square: they merge unless checkUVs sees two textures, and
// the merged quad keeps one UV index per corner and the texture range.
TEST(CleanupRemoveEdgesCoplanarTest, MergesTheSquareUnlessTexturesDiffer) {
    struct Case {
        std::vector<char*> textures;
        bool checkUVs;
        std::vector<int> counts;
    } const cases[] = {
        {{BRICK}, true, {4}},
        {{BRICK, GLASS}, true, {3, 3}},
        {{BRICK, GLASS}, false, {4}},
    };
    for (Case const& c : cases) {
        RecordBuilder b;
        b.coords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
        b.addFace({0, 1, 2});
        b.addFace({0, 2, 3});
        b.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
        b.tcIndices = b.indices;
        b.withTexCoords = true;
        b.textures = c.textures;
        b.startFaces = {0, 1};
        b.startFaces.resize(c.textures.size());
        b.withStartFaces = true;
        Record const out(removeEdgesCoplanar(0.1f, c.checkUVs, b.record()));
        ASSERT_TRUE(out);
        EXPECT_EQ(values(out->mCounts, out->mCountCount), c.counts);
        EXPECT_EQ(out->mTCIndexCount, out->mIndexCount);
        EXPECT_EQ(out->mTexturesCount, static_cast<int>(c.counts.size()));
    }
}

}  // namespace
}  // namespace Cleanup

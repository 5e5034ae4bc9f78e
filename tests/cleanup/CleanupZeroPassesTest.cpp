#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

TEST(CleanupRemoveEdgesZeroTest, CollapsesTheShortEdgeAndDropsItsVertex) {
    RecordBuilder b;
    b.coords = {0, 0, 0, 0.5f, 0, 0, 2, 1, 0, 0, 1, 0};  // edges from corner 0: 0.5 and exactly 1
    b.addFace({0, 1, 2, 3});
    Record const out(removeEdgesZero(1.0f, b.record()));
    ASSERT_TRUE(out);
    EXPECT_EQ(values(out->mCounts, out->mCountCount), (std::vector<int>{3}));
    EXPECT_EQ(values(out->mIndices, out->mIndexCount), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(values(out->mVertexCoords, out->mVCCount),
              (std::vector<float>{0, 0, 0, 2, 1, 0, 0, 1, 0}));
}

TEST(CleanupZeroPassesTest, NothingLeftOrAnUnusableRecordGivesNull) {
    RecordBuilder b;
    b.addSquare(0, 0, 1, 1);
    EXPECT_EQ(removeEdgesZero(2.0f, b.record()), nullptr);
    EXPECT_EQ(removeFacesZero(2.0f, b.record()), nullptr);
    MeshData broken = b.record();
    broken.mCountCount = -1;
    EXPECT_EQ(removeEdgesZero(0.1f, broken), nullptr);
    EXPECT_EQ(removeFacesZero(0.1f, broken), nullptr);
    Record const kept(removeFacesZero(1.0f, b.record()));  // area 1 is not below 1
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->mCountCount, 1);
}

}  // namespace
}  // namespace Cleanup

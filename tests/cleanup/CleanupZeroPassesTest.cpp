#include <gtest/gtest.h>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;

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

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::RecordBuilder;
constexpr unsigned int END = util::Mesh::HOLES_END;

struct RecordDeleter {
    void operator()(MeshData* data) const { freeMeshData(data); }
};
using Record = std::unique_ptr<MeshData, RecordDeleter>;

template <typename T>
std::vector<T> values(T const* array, int count) {
    return array == nullptr ? std::vector<T>() : std::vector<T>(array, array + count);
}

TEST(CleanupRemoveEdgesZeroTest, CollapsesTheShortEdgeAndDropsItsVertex) {
    RecordBuilder b;
    b.addVertex(0, 0, 0);
    b.addVertex(0.5f, 0, 0);  // 0.5 from the first corner
    b.addVertex(2, 1, 0);
    b.addVertex(0, 1, 0);  // exactly 1 from the first corner
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

TEST(CleanupRemoveFacesZeroTest, RenumbersHolesAndDropsUnusedVertices) {
    RecordBuilder b;
    b.addSquare(20, 0, 20.1f, 0.1f);
    b.addSquare(0, 0, 10, 10);
    b.addSquare(2, 2, 3, 3, true);
    b.holes = {1, 2, END};
    Record const out(removeFacesZero(0.5f, b.record()));
    ASSERT_TRUE(out);
    EXPECT_EQ(values(out->mCounts, out->mCountCount), (std::vector<int>{4, 4}));
    EXPECT_EQ(out->mVCCount, 24);
    EXPECT_EQ(out->mVertexCoords[0], 0.0f);
    EXPECT_EQ(values(out->mHoles, out->mHolesCount), (std::vector<unsigned int>{0, 1, END}));
}

TEST(CleanupRemoveFacesZeroTest, TextureRangeOfTheRemovedFaceDisappears) {
    RecordBuilder b;
    b.addSquare(0, 0, 10, 10);
    b.addSquare(20, 0, 20.1f, 0.1f);
    b.addSquare(30, 0, 40, 10);
    b.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    for (int f = 0; f < 3; ++f) b.tcIndices.insert(b.tcIndices.end(), {0, 1, 2, 3});
    b.withTexCoords = true;
    char wall[] = "wall.png";
    char dirt[] = "dirt.png";
    b.textures = {wall, dirt, wall};
    b.startFaces = {0, 1, 2};
    b.withStartFaces = true;
    Record const out(removeFacesZero(0.5f, b.record()));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->mCountCount, 2);
    ASSERT_EQ(out->mTexturesCount, 2);  // equal names still give two materials
    EXPECT_STREQ(out->mTextures[0], "wall.png");
    EXPECT_STREQ(out->mTextures[1], "wall.png");
    EXPECT_EQ(values(out->mTexturesStartFaces, out->mTexturesStartFacesCount),
              (std::vector<unsigned int>{0, 1}));
    EXPECT_EQ(values(out->mTCIndices, out->mTCIndexCount), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
}

}  // namespace
}  // namespace Cleanup

#include "cleanup/MeshDataConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>

#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

Record roundTrip(MeshData const& input) {
    std::string message;
    std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(input, message);
    return mesh ? Record(createMeshDataFromMesh(*mesh, message)) : nullptr;
}

// A triangle and a quad sharing an edge, with UV set 0.
RecordBuilder texturedStrip() {
    RecordBuilder b;
    for (float x : {0.0f, 1.0f, 2.0f}) {
        b.addVertex(x, 0, 0);
        b.addVertex(x, 1, 0);
    }
    b.addFace({0, 2, 1});
    b.addFace({2, 4, 5, 3});
    b.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    b.tcIndices = {0, 1, 3, 0, 1, 2, 3};
    b.withTexCoords = true;
    return b;
}

TEST(MeshDataConversionTest, RoundTripKeepsGeometryUVsAndName) {
    RecordBuilder b = texturedStrip();
    char name[] = "strip";
    MeshData input = b.record();
    input.mName = name;
    Record const out = roundTrip(input);
    ASSERT_TRUE(out);
    EXPECT_STREQ(out->mName, "strip");
    EXPECT_EQ(values(out->mVertexCoords, out->mVCCount), b.coords);
    EXPECT_EQ(values(out->mIndices, out->mIndexCount), b.indices);
    EXPECT_EQ(values(out->mCounts, out->mCountCount), b.counts);
    EXPECT_EQ(values(out->mTexCoords, out->mTCCount), b.texCoords);
    EXPECT_EQ(values(out->mTCIndices, out->mTCIndexCount), b.tcIndices);
    EXPECT_EQ(out->mHoles, nullptr);
    EXPECT_EQ(out->mConversionMessage, nullptr);
    ASSERT_EQ(out->mTexturesCount, 1);  // always at least one texture entry
    EXPECT_EQ(out->mTextures[0], nullptr);
    EXPECT_EQ(out->mTexturesStartFaces, nullptr);
}

// The writer sizes its corner arrays for triangles and grows them at the first larger face,
// wherever that comes: records of random face sizes must come back unchanged.
TEST(MeshDataConversionTest, RoundTripOfMixedFaceSizesIsExact) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 40; ++trial) {
        RecordBuilder b;
        int const vertexCount = 12;
        for (int v = 0; v < vertexCount; ++v)
            b.addVertex(static_cast<float>(v), static_cast<float>(v * v % 7), 0);
        int const faceCount = 1 + static_cast<int>(random() % 6);
        for (int f = 0; f < faceCount; ++f) {
            int const n = random() % 3 == 0 ? 3 + static_cast<int>(random() % 4) : 3;
            b.counts.push_back(n);
            for (int k = 0; k < n; ++k) {
                b.indices.push_back(static_cast<int>(random() % vertexCount));
                b.tcIndices.push_back(static_cast<int>(random() % 3));
            }
        }
        b.withTexCoords = trial % 2 == 0;
        b.texCoords = {0, 0, 1, 0, 1, 1};
        Record const out = roundTrip(b.record());
        ASSERT_TRUE(out);
        EXPECT_EQ(values(out->mCounts, out->mCountCount), b.counts);
        EXPECT_EQ(values(out->mIndices, out->mIndexCount), b.indices);
        if (b.withTexCoords)
            EXPECT_EQ(values(out->mTCIndices, out->mTCIndexCount), b.tcIndices);
        else
            EXPECT_EQ(out->mTCIndices, nullptr);
    }
}

// Emptied faces are written as faces without corners. Both writers size their corner arrays
// for three a face, so these leave room over; with all faces emptied there are no UV indices.
TEST(MeshDataConversionTest, EmptiedFacesWriteNoCorners) {
    for (std::size_t emptied : {1u, 2u}) {
        SCOPED_TRACE(emptied);
        std::string message;
        std::unique_ptr<util::Mesh> mesh =
            createMeshFromMeshData(texturedStrip().record(), message);
        ASSERT_TRUE(mesh);
        for (std::size_t f = 0; f < emptied; ++f) mesh->mFaces[f].clearIndices();
        Record const out(createMeshDataFromMesh(*mesh, message));
        Record const taken(createMeshDataTakingFaces(*mesh, message));
        ASSERT_TRUE(out && taken);
        EXPECT_EQ(values(taken->mCounts, taken->mCountCount),
                  values(out->mCounts, out->mCountCount));
        EXPECT_EQ(values(taken->mIndices, taken->mIndexCount),
                  values(out->mIndices, out->mIndexCount));
        EXPECT_EQ(values(taken->mTCIndices, taken->mTCIndexCount),
                  values(out->mTCIndices, out->mTCIndexCount));
        if (emptied == 2) {
            EXPECT_EQ(values(out->mCounts, out->mCountCount), (std::vector<int>{0, 0}));
            EXPECT_EQ(out->mIndexCount, 0);
            EXPECT_EQ(out->mTCIndices, nullptr);
            EXPECT_EQ(taken->mTCIndices, nullptr);
        }
    }
}

TEST(MeshDataConversionTest, FacesWithFewerThanThreeCornersAreDroppedAndReported) {
    RecordBuilder b;
    for (int i = 0; i < 7; ++i) b.addVertex(static_cast<float>(i), static_cast<float>(i * i), 0);
    b.addFace({0, 1, 2});
    b.addFace({5, 6});  // only vertices 5 and 6 use this face
    b.addFace({0, 2, 3, 4});
    Record const out = roundTrip(b.record());
    ASSERT_TRUE(out);
    EXPECT_EQ(out->mVCCount, 15);
    EXPECT_EQ(values(out->mIndices, out->mIndexCount), (std::vector<int>{0, 1, 2, 0, 2, 3, 4}));
    EXPECT_STREQ(out->mConversionMessage,
                 "Constructing Mesh from array : 1 illegal faces (<3 vertices) were ignored.");
}

TEST(MeshDataConversionTest, NoVerticesOrNoFacesGiveNoRecordAndOtherCoordinatesAreKept) {
    RecordBuilder b;
    EXPECT_FALSE(roundTrip(b.record()));
    float const nan = std::numeric_limits<float>::quiet_NaN();
    b.coords = {0, 0, 0, nan, 0, 0, 0, std::numeric_limits<float>::infinity(), 0, 7};
    b.addFace({0, 1});
    EXPECT_FALSE(roundTrip(b.record()));  // the only face is dropped
    b.addFace({0, 1, 2});
    Record const out = roundTrip(b.record());
    ASSERT_TRUE(out);
    EXPECT_EQ(out->mVCCount, 9);  // the surplus float is ignored, the non-finite ones kept
    EXPECT_TRUE(std::isnan(out->mVertexCoords[3]));
    EXPECT_TRUE(std::isinf(out->mVertexCoords[7]));
    EXPECT_EQ(out->mName, nullptr);
}

TEST(MeshDataConversionTest, HolesSurviveAndAreSanitised) {
    RecordBuilder b;
    b.addSquare(0, 0, 10, 10);
    b.addSquare(2, 2, 4, 4, true);
    b.holes = {0, 1, 1, 0, 7, util::Mesh::HOLES_END};
    Record const out = roundTrip(b.record());
    ASSERT_TRUE(out);
    EXPECT_EQ(values(out->mHoles, out->mHolesCount),
              (std::vector<unsigned int>{0, 1, util::Mesh::HOLES_END}));
}

TEST(MeshDataConversionTest, TextureNamesBecomeRangesAndComeBack) {
    RecordBuilder b;
    for (int f = 0; f < 8; ++f) b.addSquare(static_cast<float>(f), 0, f + 1.0f, 1);
    b.texCoords = {0, 0};
    b.tcIndices.assign(32, 0);
    b.withTexCoords = true;
    char a[] = "A.png";
    char bName[] = "B \xC3\xA9.png";  // bytes widen one by one and come back as UTF-8
    b.textures = {a, nullptr, bName};
    b.startFaces = {0, 2, 5};
    b.withStartFaces = true;
    Record const out = roundTrip(b.record());
    ASSERT_TRUE(out);
    ASSERT_EQ(out->mTexturesCount, 3);
    EXPECT_STREQ(out->mTextures[0], "A.png");
    EXPECT_EQ(out->mTextures[1], nullptr);
    EXPECT_STREQ(out->mTextures[2], "B \xC3\x83\xC2\xA9.png");
    EXPECT_EQ(values(out->mTexturesStartFaces, out->mTexturesStartFacesCount),
              (std::vector<unsigned int>{0, 2, 5}));
}

TEST(MeshDataConversionTest, SingleTextureBecomesTheDefaultMaterial) {
    RecordBuilder b = texturedStrip();
    char name[] = "wall.jpg";
    b.textures = {name};
    std::string message;
    std::unique_ptr<util::Mesh> const mesh = createMeshFromMeshData(b.record(), message);
    ASSERT_TRUE(mesh);
    EXPECT_TRUE(mesh->mFaceMaterials.empty());
    EXPECT_NE(mesh->mDefaultMaterial, util::Material(util::Shader::getDefault()));
    Record const out(createMeshDataFromMesh(*mesh, message));
    ASSERT_EQ(out->mTexturesCount, 1);
    EXPECT_STREQ(out->mTextures[0], "wall.jpg");
    EXPECT_EQ(out->mTexturesStartFaces, nullptr);
}

TEST(MeshDataConversionTest, TexturesNeedTexCoordsAndEachRangeGetsItsOwnTexture) {
    RecordBuilder b = texturedStrip();
    char name[] = "same.png";
    b.textures = {name, name};
    b.withTexCoords = false;
    std::string message;
    std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(b.record(), message);
    mesh->mTexCoords[1] = {{0.5f, 0.5f}};  // only set 0 is written
    Record const plain(createMeshDataFromMesh(*mesh, message));
    ASSERT_EQ(plain->mTexturesCount, 1);
    EXPECT_EQ(plain->mTextures[0], nullptr);
    EXPECT_EQ(plain->mTexCoords, nullptr);
    EXPECT_EQ(plain->mTCIndices, nullptr);

    b.withTexCoords = true;  // no start faces: both ranges start at 0
    mesh = createMeshFromMeshData(b.record(), message);
    EXPECT_EQ(mesh->mFaceMaterialStartIndices, (std::vector<unsigned int>{0, 0}));
    ASSERT_EQ(mesh->mFaceMaterials.size(), 2u);
    EXPECT_NE(mesh->mFaceMaterials[0], mesh->mFaceMaterials[1]);
}

// Null names and texture entries print as null pointers; the message is not printed.
TEST(MeshDataPrintTest, NullEntriesPrintAsNullPointers) {
    RecordBuilder b = texturedStrip();
    char a[] = "A";
    b.textures = {a, nullptr};
    std::wostringstream os;
    os << b.record();
    std::wstring const text = os.str();
    EXPECT_EQ(text.rfind(L"MeshData, \nmName: 0x0\nmVertexCoords: ", 0), 0u);
    EXPECT_NE(text.find(L" [ A, 0x0,  ] \nmTexturesCount: 2\n"), std::wstring::npos);
    EXPECT_EQ(text.find(L"mConversionMessage"), std::wstring::npos);
}

}  // namespace
}  // namespace Cleanup

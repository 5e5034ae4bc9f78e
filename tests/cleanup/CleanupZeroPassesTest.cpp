// The zero operations write their record straight from the mesh, with the faces the pass emptied
// still in it. These compare that with the plain order on random meshes: the pass takes the faces
// out, the unused vertices are dropped, the mesh is written.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"
#include "cleanup/MeshDataConversion.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

using util::test::BRICK;
using util::test::GLASS;
using util::test::Record;
using util::test::RecordBuilder;
using util::test::ROOF;

// A jittered grid of quads and triangles in which some vertices sit a hair from a neighbour, so
// that faces of zero area and edges of zero length turn up at random; some faces are lines that
// the conversion drops. Last, a square with a square hole, whose indices the removals shift; its
// hole is sometimes a sliver that goes. Texture coordinates and ranges on some records.
RecordBuilder randomRecord(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    RecordBuilder b;
    int const side = 4 + static_cast<int>(random() % 6);
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            bool const pinched = x > 0 && unit(random) < 0.2f;
            float const px = pinched ? static_cast<float>(x) - 1.0f + 1e-4f : static_cast<float>(x);
            b.addVertex(px + 0.1f * unit(random), static_cast<float>(y), 0.01f * unit(random));
        }
    }
    auto at = [side](int x, int y) { return y * (side + 1) + x; };
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int const a = at(x, y), c = at(x + 1, y), d = at(x + 1, y + 1), e = at(x, y + 1);
            float const kind = unit(random);
            if (kind < 0.4f) {
                b.addFace({a, c, d, e});
            } else if (kind < 0.9f) {
                b.addFace({a, c, d});
                b.addFace({a, d, e});
            } else {
                b.addFace({a, c});
            }
        }
    }
    auto const outer = static_cast<unsigned int>(b.counts.size());
    b.addSquare(100, 100, 110, 110);
    if (unit(random) < 0.5f)
        b.addSquare(102, 102, 104, 104, true);
    else
        b.addSquare(102, 102, 104, 102.0001f, true);
    b.holes = {outer, outer + 1, util::Mesh::HOLES_END};
    if (unit(random) < 0.5f) {
        for (std::size_t v = 0; v < b.coords.size(); v += 3)
            b.texCoords.insert(b.texCoords.end(), {b.coords[v], b.coords[v + 1]});
        b.tcIndices = b.indices;
        b.withTexCoords = true;
        b.textures = {BRICK, ROOF, GLASS};
        auto const faces = static_cast<unsigned int>(b.counts.size());
        b.startFaces = {0, static_cast<unsigned int>(random() % faces), faces - 1};
        std::sort(b.startFaces.begin(), b.startFaces.end());
        b.withStartFaces = true;
    }
    return b;
}

template <typename T>
void expectSameBits(T const* expected, T const* actual, int count, char const* field) {
    ASSERT_EQ(expected == nullptr, actual == nullptr) << field;
    if (count > 0) {
        EXPECT_EQ(std::memcmp(expected, actual, sizeof(T) * count), 0) << field;
    }
}

void expectSameRecord(MeshData const* expected, MeshData const* actual) {
    ASSERT_EQ(expected == nullptr, actual == nullptr);
    if (expected == nullptr) return;
    ASSERT_EQ(expected->mVCCount, actual->mVCCount);
    ASSERT_EQ(expected->mIndexCount, actual->mIndexCount);
    ASSERT_EQ(expected->mCountCount, actual->mCountCount);
    ASSERT_EQ(expected->mTCCount, actual->mTCCount);
    ASSERT_EQ(expected->mTCIndexCount, actual->mTCIndexCount);
    ASSERT_EQ(expected->mHolesCount, actual->mHolesCount);
    ASSERT_EQ(expected->mTexturesCount, actual->mTexturesCount);
    ASSERT_EQ(expected->mTexturesStartFacesCount, actual->mTexturesStartFacesCount);
    expectSameBits(expected->mVertexCoords, actual->mVertexCoords, expected->mVCCount, "coords");
    expectSameBits(expected->mIndices, actual->mIndices, expected->mIndexCount, "indices");
    expectSameBits(expected->mCounts, actual->mCounts, expected->mCountCount, "counts");
    expectSameBits(expected->mTexCoords, actual->mTexCoords, expected->mTCCount, "uvs");
    expectSameBits(expected->mTCIndices, actual->mTCIndices, expected->mTCIndexCount, "uv indices");
    expectSameBits(expected->mHoles, actual->mHoles, expected->mHolesCount, "holes");
    expectSameBits(expected->mTexturesStartFaces, actual->mTexturesStartFaces,
                   expected->mTexturesStartFacesCount, "start faces");
    for (int i = 0; i < expected->mTexturesCount; ++i) {
        ASSERT_EQ(expected->mTextures[i] == nullptr, actual->mTextures[i] == nullptr);
        if (expected->mTextures[i] != nullptr) {
            EXPECT_STREQ(expected->mTextures[i], actual->mTextures[i]);
        }
    }
    ASSERT_EQ(expected->mConversionMessage == nullptr, actual->mConversionMessage == nullptr);
    if (expected->mConversionMessage != nullptr) {
        EXPECT_STREQ(expected->mConversionMessage, actual->mConversionMessage);
    }
}

template <typename Pass>
Record plainly(MeshData const& input, Pass pass) {
    std::string message;
    std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(input, message);
    if (!mesh) return nullptr;
    pass(*mesh);
    return Record(createMeshDataFromMesh(*mesh, message));
}

TEST(CleanupZeroPassesTest, RecordsEqualThoseOfThePlainRemovalOnRandomMeshes) {
    std::mt19937 random(11);
    float const thresholds[] = {1e-3f, 0.05f, 0.3f, 2.0f};
    int removedSome = 0;
    for (int trial = 0; trial < 300; ++trial) {
        RecordBuilder b = randomRecord(random);
        MeshData const input = b.record();
        float const threshold = thresholds[trial % 4];
        SCOPED_TRACE(trial);

        Record const faces(removeFacesZero(threshold, input));
        Record const plainFaces = plainly(
            input, [threshold](util::Mesh& mesh) { mesh.removeZeroFaces(threshold, false); });
        expectSameRecord(plainFaces.get(), faces.get());

        Record const edges(removeEdgesZero(threshold, input));
        Record const plainEdges = plainly(input, [threshold](util::Mesh& mesh) {
            if (mesh.removeZeroEdges(threshold) != 0) mesh.deleteUnusedVertices(nullptr);
        });
        expectSameRecord(plainEdges.get(), edges.get());
        if (plainEdges && plainEdges->mVCCount < input.mVCCount) ++removedSome;
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(removedSome, 100);  // the records do lose vertices, or this compared little
}

// The frame's writer destroys the faces as it writes them, from the last to the first.
TEST(CleanupFrameTest, WriterTakingTheFacesWritesWhatTheConstWriterWrites) {
    std::mt19937 random(12);
    for (int trial = 0; trial < 100; ++trial) {
        RecordBuilder b = randomRecord(random);
        MeshData const input = b.record();
        SCOPED_TRACE(trial);
        std::string message;
        std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(input, message);
        ASSERT_TRUE(mesh);
        Record const plain(createMeshDataFromMesh(*mesh, message));
        Record const taken(createMeshDataTakingFaces(*mesh, message));
        expectSameRecord(plain.get(), taken.get());
        EXPECT_TRUE(mesh->mFaces.empty());
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace Cleanup

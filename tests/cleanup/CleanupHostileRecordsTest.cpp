#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

// Records a hostile host might hand over, at sizes where work quadratic in the record would take
// minutes and memory sized by the declared face count gigabytes.
namespace Cleanup {
namespace {

using util::Mesh;
using util::test::Record;
using util::test::RecordBuilder;
using util::test::values;

using Operation = MeshData* (*)(MeshData const&);
MeshData* facesZero(MeshData const& data) { return removeFacesZero(1e-3f, data); }
MeshData* edgesZero(MeshData const& data) { return removeEdgesZero(1e-3f, data); }
Operation const OPERATIONS[] = {facesZero, edgesZero};

RecordBuilder unitTriangle() {
    RecordBuilder b;
    b.addVertex(0, 0, 0);
    b.addVertex(1, 0, 0);
    b.addVertex(0, 1, 0);
    return b;
}

// The one triangle survives and the message counts the dropped faces (none: no message).
void expectUnitTriangle(MeshData const* out, int droppedFaces) {
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::vector<float>(out->mVertexCoords, out->mVertexCoords + out->mVCCount),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(values(out->mIndices, out->mIndexCount), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(out->mHoles, nullptr);
    std::string const message = "Constructing Mesh from array : " + std::to_string(droppedFaces) +
                                " illegal faces (<3 vertices) were ignored.";
    EXPECT_EQ(out->mConversionMessage ? out->mConversionMessage : "",
              droppedFaces == 0 ? "" : message);
}

// Every empty face renumbers every holes entry in a face-by-face removal.
TEST(CleanupHostileRecordsTest, EmptyFacesWithALongHolesArray) {
    int const emptyFaces = 200000;
    RecordBuilder b = unitTriangle();
    b.addFace({0, 1, 2});
    b.counts.resize(1 + emptyFaces, 0);
    for (unsigned int g = 0; b.holes.size() + 3 <= static_cast<std::size_t>(emptyFaces); ++g)
        b.holes.insert(b.holes.end(), {g % 2 == 0 ? 0u : 1 + g, 2 + g, Mesh::HOLES_END});
    MeshData const record = b.record();
    for (Operation const operation : OPERATIONS)
        expectUnitTriangle(Record(operation(record)).get(), emptyFaces);
}

// The sanitiser's repeat detection and the removal of the rejected holes both used to be
// quadratic in the group's size.
TEST(CleanupHostileRecordsTest, EveryTriangleARejectedHoleOfTheFirst) {
    int const triangles = 160000;
    RecordBuilder b = unitTriangle();
    b.holes.push_back(0);
    for (int f = 0; f < triangles; ++f) {
        b.addFace({0, 1, 2});
        if (f > 0) b.holes.push_back(static_cast<unsigned int>(f));
    }
    b.holes.push_back(Mesh::HOLES_END);
    MeshData const record = b.record();
    for (Operation const operation : OPERATIONS)
        expectUnitTriangle(Record(operation(record)).get(), 0);
}

// Memory must follow the faces that survive, not the declared count.
TEST(CleanupHostileRecordsTest, TenMillionEmptyFaces) {
    int const emptyFaces = 10000000;
    RecordBuilder b = unitTriangle();
    b.counts.assign(emptyFaces, 0);
    b.addFace({0, 1, 2});
    expectUnitTriangle(Record(facesZero(b.record())).get(), emptyFaces);
    b.counts.pop_back();
    b.indices.clear();
    EXPECT_EQ(facesZero(b.record()), nullptr);
}

// From 1000 vertices on, the weld's octree search cannot find a NaN vertex: the host gets the
// exception, and nothing leaked (textured, so that the UV arrays are released too).
TEST(CleanupHostileRecordsTest, NaNVertexInALargeRecordThrowsOutOfTheWeld) {
    RecordBuilder b;
    for (int s = 0; s < 250; ++s) b.addSquare(static_cast<float>(s), 0, s + 1.0f, 1);
    b.texCoords = {0, 0};
    b.tcIndices.assign(b.indices.size(), 0);
    b.withTexCoords = true;
    b.coords[3 * 600 + 2] = std::numeric_limits<float>::quiet_NaN();
    try {
        mergeVertices(0.001f, b.record());
        ADD_FAILURE() << "no exception";
    } catch (std::runtime_error const& e) {
        EXPECT_STREQ(e.what(), "Merge failed : Vertex (150, 0, nan) not found in octree.");
    }
}

}  // namespace
}  // namespace Cleanup

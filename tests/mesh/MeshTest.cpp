#include "mesh/Mesh.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "mesh/BasicEdgeMap.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::V3;

TEST(MeshTest, HoleQueriesUseTheFirstGroupOfAFace) {
    Mesh mesh("holes");
    mesh.mHoles = {4, 7, 9, Mesh::HOLES_END, 2, 5, Mesh::HOLES_END, 4, 8, Mesh::HOLES_END};
    EXPECT_EQ(mesh.getFaceHolesCount(4), 2u);
    EXPECT_EQ(mesh.getFaceHole(4, 1), 9u);
    EXPECT_EQ(mesh.getFaceHolesCount(2), 1u);
    EXPECT_EQ(mesh.getFaceHolesCount(3), 0u);
    for (unsigned int const face : {2, 4, 5, 8}) EXPECT_EQ(mesh.faceIsHole(face), face > 4);
    try {
        mesh.getFaceHole(3, 0);
        FAIL() << "no exception";
    } catch (std::runtime_error const& e) {
        EXPECT_STREQ(e.what(), "illegal hole index.");
    }
    mesh.dropHoleInfo();
    EXPECT_EQ(mesh.getFaceHolesCount(4), 0u);
}

TEST(MeshCacheTest, NearlyFlatExtentsCollapseToTheirMiddle) {
    Mesh thin = test::makeMesh({V3(1.0f, 0, 0), V3(1.0003f, 2, 0), V3(1.0f, 0, 5)}, {{0, 1, 2}});
    BasicBoundingBox<float> const* box = thin.getCache().getBoundingBox(thin);
    EXPECT_FLOAT_EQ(box->min.x, 1.00015f);
    EXPECT_EQ(box->min.x, box->max.x);
    EXPECT_EQ(box->min.y, 0.0f);
    EXPECT_EQ(box->max.y, 2.0f);
    EXPECT_EQ(box->max.z, 5.0f);
    Mesh wide = test::makeMesh({V3(0, 0, 0), V3(0.0004f, 1, 1)}, {});
    EXPECT_EQ(wide.getCache().getBoundingBox(wide)->max.x, 0.0004f);
    Mesh empty("empty");
    EXPECT_TRUE(empty.getCache().getBoundingBox(empty)->isEmpty());
}

TEST(MeshCacheTest, ClosedSurfaceAndEdgeMapAreDroppedByChanges) {
    Mesh cube = test::makeCube();
    EXPECT_TRUE(cube.getCache().isClosedSurface(cube));
    EXPECT_EQ(cube.getCache().getEdgeMap(cube)->getEdgeCounts().size(), 12u);
    cube.mFaces.pop_back();
    cube.mFaces.front().clearIndices();
    cube.removeEmptyFaces(nullptr);  // an edit clears the cache
    EXPECT_FALSE(cube.getCache().isClosedSurface(cube));
    Mesh copy("copy");
    copy = cube;
    EXPECT_EQ(copy.mFaces.size(), 4u);
    EXPECT_FALSE(copy.getCache().isClosedSurface(copy));
}

TEST(MeshTest, FaceEdgeModeNumbersEdgesAcrossFaces) {
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                               {{0, 1, 2}, {0, 2, 3}});
    mesh.setFaceEdgeIndices(10);
    EXPECT_EQ(mesh.mFaces[0].normalIndices, (std::vector<unsigned int>{10, 11, 12}));
    EXPECT_EQ(mesh.mFaces[1].normalIndices, (std::vector<unsigned int>{13, 14, 15}));
    mesh.clearFaceEdgeIndices();
    EXPECT_FALSE(mesh.hasFaceEdgeIndicesSet());
    EXPECT_TRUE(mesh.mFaces[1].normalIndices.empty());
}

TEST(MeshTest, TransformedCopyKeepsUnitNormalsAndMirrorsConsistently) {
    Mesh source = test::makeCube();
    source.mNormals = {V3(0, 0, 1)};
    Mesh const scaled(source, Matrix<float>::scaling(2, 2, 2), nullptr);
    EXPECT_EQ(scaled.mVertices[6], V3(2, 2, 2));
    EXPECT_NEAR(scaled.mNormals[0].length(), 1.0f, 1e-6);
    EXPECT_NEAR(scaled.mFaces[1].faceNormal.z, 1.0f, 1e-6);
    // Mirroring keeps the corner order, so face normals follow the flipped winding and now
    // point into the mirrored cube.
    Mesh const mirrored(source, Matrix<float>::scaling(-1, 1, 1), nullptr);
    EXPECT_NEAR(mirrored.mFaces[3].faceNormal.x, 1.0f, 1e-6);  // the face now at x = -1
    EXPECT_NEAR(mirrored.mFaces[1].faceNormal.z, -1.0f, 1e-6);
}

TEST(MeshTest, BasicTransformedCopyDropsEverythingButGeometryAndHoles) {
    Mesh source = test::makeFaceWithHoles({{2, 2, 4, 4}});
    source.mNormals = {V3(0, 0, 1)};
    for (auto& face : source.mFaces) face.normalIndices.assign(face.vertexIndices.size(), 0);
    source.mTexCoords[0] = {{0, 0}};
    for (auto& face : source.mFaces) face.uvIndices[0].assign(face.vertexIndices.size(), 0);
    source.mFaceMaterials = {Material(Shader(L"A")), Material(Shader(L"B"))};
    source.mFaceMaterialStartIndices = {0, 1};
    std::unique_ptr<Mesh> const copy(source.getTransformedCopyBasic(Matrix<float>::translation(0, 0, 3)));
    EXPECT_TRUE(copy->mNormals.empty() && copy->mTexCoords[0].empty());
    EXPECT_TRUE(copy->mFaceMaterials.empty());
    EXPECT_FALSE(copy->mFaces[0].hasUVs() || !copy->mFaces[0].normalIndices.empty());
    EXPECT_EQ(copy->mHoles, source.mHoles);
    EXPECT_EQ(copy->mVertices[0], V3(0, 0, 3));
    EXPECT_NEAR(copy->mFaces[1].faceNormal.z, -1.0f, 1e-6);
}

}  // namespace
}  // namespace util

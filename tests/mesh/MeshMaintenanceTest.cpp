#include <gtest/gtest.h>

#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;

TEST(MeshDeleteUnusedVerticesTest, CompactsVerticesFacesAndFlags) {
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(9, 9, 9), V3(1, 0, 0), V3(0, 1, 0)}, {{0, 2, 3}});
    boost::dynamic_bitset<> flags(4);
    flags.set(0).set(2).set(3);
    EXPECT_EQ(mesh.deleteUnusedVertices(&flags), 1u);
    EXPECT_EQ(mesh.mVertices.size(), 3u);
    EXPECT_EQ(mesh.mVertices[1], V3(1, 0, 0));
    EXPECT_EQ(mesh.mFaces[0].vertexIndices, (Corners{0, 1, 2}));
    EXPECT_EQ(flags.size(), 3u);
    EXPECT_TRUE(flags.all());
}

TEST(MeshDeleteUnusedVerticesTest, AllUsedKeepsTheCacheAndLineMeshesUseTheirEdgeFaces) {
    Mesh full = test::makeCube();
    full.getCache().getOrSetCacheKey(Mesh::KEY_PICKER, 7);
    EXPECT_EQ(full.deleteUnusedVertices(nullptr), 0u);
    EXPECT_EQ(full.getCache().getOrSetCacheKey(Mesh::KEY_PICKER, 8), 7u);  // cache kept
    Mesh lines("lines", {V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0)}, {Mesh::Polygon({2, 0})}, {},
               Material(Shader::getDefault()));
    EXPECT_EQ(lines.deleteUnusedVertices(nullptr), 1u);
    EXPECT_EQ(lines.mEdgeFaces[0].vertexIndices, (Corners{1, 0}));
}

// Six faces side by side. Holes and the removed list are compared with the plain removal on
// random meshes; here the material ranges, whose merging and dropping that comparison leaves out.
TEST(MeshRemoveEmptyFacesTest, MaterialRangesShiftMergeOrGo) {
    std::vector<V3> vertices;
    std::vector<Corners> faces;
    for (int f = 0; f < 6; ++f)
        faces.push_back(test::addSquare(vertices, static_cast<float>(f), 0, f + 1.0f, 1));
    Mesh const six = test::makeMesh(vertices, faces);
    Material const a{Shader(L"A")}, b{Shader(L"B")}, c{Shader(L"C")};

    Mesh merged = six;
    merged.mFaceMaterials = {a, b, a};
    merged.mFaceMaterialStartIndices = {0, 2, 3};
    merged.mFaces[2].clearIndices();  // the only face of range b: the two a ranges merge
    merged.removeEmptyFaces(nullptr);
    EXPECT_TRUE(merged.mFaceMaterials.empty());
    EXPECT_TRUE(merged.mFaceMaterialStartIndices.empty());
    EXPECT_EQ(merged.mDefaultMaterial, a);

    Mesh shifted = six;
    shifted.mFaceMaterials = {a, b, c};
    shifted.mFaceMaterialStartIndices = {0, 2, 4};
    shifted.mFaces[1].clearIndices();  // b starts one lower
    shifted.mFaces[4].clearIndices();
    shifted.mFaces[5].clearIndices();  // range c loses every face
    shifted.removeEmptyFaces(nullptr);
    EXPECT_EQ(shifted.mFaceMaterialStartIndices, (std::vector<unsigned int>{0, 1}));
    EXPECT_EQ(shifted.mFaceMaterials, (std::vector<Material>{a, b}));
}

// Large enough that the emptied slack (over 8 MB) is given back page by page instead of moved.
TEST(MeshRemoveEmptyFacesLargeTest, SurvivorsStayIntactAndTheListGrowsAgain) {
    std::vector<V3> vertices{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)};
    Mesh mesh = test::makeMesh(vertices, std::vector<Corners>(40000, Corners{0, 1, 2}));
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        mesh.mFaces[f].uvIndices[3] = {static_cast<unsigned int>(f), 0, 0};
        if (f % 10 != 0) mesh.mFaces[f].clearIndices();
    }
    mesh.removeEmptyFaces(nullptr);
    ASSERT_EQ(mesh.mFaces.size(), 4000u);
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        ASSERT_EQ(mesh.mFaces[f].vertexIndices, (Corners{0, 1, 2}));
        ASSERT_EQ(mesh.mFaces[f].uvIndices[3][0], 10 * f);
    }
    mesh.mFaces.resize(30000, mesh.mFaces[0]);  // into the room given back
    EXPECT_EQ(mesh.mFaces.back().uvIndices[3], (Corners{0, 0, 0}));
    EXPECT_TRUE(mesh.mFaces.back().normalIndices.empty());
}

TEST(MeshPolygonTest, InvertInFaceEdgeModeKeepsEachEdgeItsNumber) {
    Mesh::Polygon face({0, 1, 2, 3});
    face.normalIndices = {10, 11, 12, 13};  // edge k runs from corner k to corner k+1
    face.faceEdgeIndicesSet = true;
    face.invert();
    // New edge 0 runs 1 -> 0, the old edge 0 reversed.
    EXPECT_EQ(face.vertexIndices, (Corners{1, 0, 3, 2}));
    EXPECT_EQ(face.normalIndices, (Corners{10, 13, 12, 11}));
}

TEST(MeshPolygonTest, InsertIndexKeepsListsAlignedAndTheCycleIntact) {
    Mesh::Polygon source({9});
    source.uvIndices[0] = {90};
    Mesh::Polygon face({5, 6, 7});
    face.uvIndices[0] = {50, 60, 70};
    EXPECT_EQ(face.insertIndex(source, 0, 0), 3u);  // before corner 0 is after the last
    EXPECT_EQ(face.vertexIndices, (Corners{5, 6, 7, 9}));
    EXPECT_EQ(face.uvIndices[0], (Corners{50, 60, 70, 90}));
    // In face-edge mode the split edge keeps its number on both halves.
    Mesh::Polygon edges({5, 6, 7});
    edges.normalIndices = {1, 2, 3};
    edges.faceEdgeIndicesSet = true;
    Mesh::Polygon edgeSource({9});
    edgeSource.normalIndices = {77};
    edgeSource.faceEdgeIndicesSet = true;
    edges.insertIndex(edgeSource, 0, 2);
    EXPECT_EQ(edges.vertexIndices, (Corners{5, 6, 9, 7}));
    EXPECT_EQ(edges.normalIndices, (Corners{1, 2, 2, 3}));
}

TEST(MeshPolygonTest, EraseIndexInFaceEdgeModeKeepsTheLongerEdge) {
    std::vector<V3> const vertices{V3(0, 0, 0), V3(1, 0, 0), V3(5, 0, 0), V3(5, 5, 0)};
    Mesh::Polygon face({0, 1, 2, 3});
    face.normalIndices = {10, 11, 12, 13};
    face.faceEdgeIndicesSet = true;
    Mesh::Polygon atStart = face;
    face.eraseIndex(1, vertices);  // edge 1->2 (16) is longer than 0->1 (1)
    EXPECT_EQ(face.vertexIndices, (Corners{0, 2, 3}));
    EXPECT_EQ(face.normalIndices, (Corners{11, 12, 13}));
    atStart.eraseIndex(0, vertices);  // 0->1 (1) is shorter than 3->0 (50): keep 13
    EXPECT_EQ(atStart.vertexIndices, (Corners{1, 2, 3}));
    EXPECT_EQ(atStart.normalIndices, (Corners{11, 12, 13}));
    Mesh::Polygon plain({0, 1, 2, 3});
    plain.normalIndices = {10, 11, 12, 13};
    plain.eraseIndex(2, vertices);
    EXPECT_EQ(plain.normalIndices, (Corners{10, 11, 13}));
}

TEST(MeshPolygonTest, PushBackSkipsDuplicatesOfTheEnds) {
    Mesh::Polygon source({4, 5, 6});
    Mesh::Polygon face({4, 8});
    face.pushBackIndices(source, 0, true);  // equals the first
    face.pushBackIndices(source, 1, true);
    face.pushBackIndices(source, 1, true);  // equals the last
    EXPECT_EQ(face.vertexIndices, (Corners{4, 8, 5}));
    face.pushBackIndices(source, 1, false);
    EXPECT_EQ(face.vertexIndices, (Corners{4, 8, 5, 5}));
}

}  // namespace
}  // namespace util

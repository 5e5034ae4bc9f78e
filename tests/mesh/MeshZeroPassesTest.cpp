#include <gtest/gtest.h>

#include <tuple>

#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;
constexpr unsigned int END = Mesh::HOLES_END;

Material material(wchar_t const* shaderName) { return Material(Shader(shaderName)); }

// A quad whose edge 0 -> 1 is 0.5 long and edge 3 -> 0 exactly 1; only edges below go.
TEST(MeshRemoveZeroEdgesTest, EdgesShorterThanTheThresholdCollapse) {
    std::vector<V3> const quad{V3(0, 0, 0), V3(0.5f, 0, 0), V3(2, 1, 0), V3(0, 1, 0)};
    std::vector<std::tuple<float, std::vector<V3>, Corners>> const cases{
        {0.5f, quad, {0, 1, 2, 3}},
        {1.0f, {quad[0], quad[2], quad[3]}, {0, 1, 2}},
        {1.0001f, {quad[1], quad[2], quad[3]}, {2, 0, 1}},  // now corner 0 merges into 3
    };
    for (auto const& [threshold, vertices, corners] : cases) {
        Mesh mesh = test::makeMesh(quad, {{0, 1, 2, 3}});
        EXPECT_EQ(mesh.removeZeroEdges(threshold), quad.size() - vertices.size()) << threshold;
        EXPECT_EQ(mesh.mVertices, vertices) << threshold;
        EXPECT_EQ(mesh.mFaces.at(0).vertexIndices, corners) << threshold;
        EXPECT_EQ(mesh.mFaces[0].faceNormal, V3(0, 0, 1));
    }
    // Even an edge of length 0 is not below a threshold of 0.
    Mesh doubled =
        test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}, {{0, 1, 2, 3}});
    EXPECT_EQ(doubled.removeZeroEdges(0.0f), 0u);
    EXPECT_EQ(doubled.mFaces[0].vertexIndices, (Corners{0, 1, 2, 3}));
}

TEST(MeshRemoveZeroEdgesTest, SliversAndHolesOutsideTheirFaceGoAsWell) {
    std::vector<V3> vertices;
    std::vector<Corners> faces{test::addSquare(vertices, 0, 0, 10, 10),
                               test::addSquare(vertices, 2, 2, 3, 3, true),
                               test::addSquare(vertices, 8, 8, 12, 12, true),  // pokes out
                               {}};
    auto const sliver = static_cast<unsigned int>(vertices.size());
    vertices.insert(vertices.end(), {V3(20, 0, 0), V3(30, 0, 0), V3(40, 1e-8f, 0)});
    faces[3] = {sliver, sliver + 1, sliver + 2};  // area 5e-8, every edge long
    faces.push_back(test::addSquare(vertices, 50, 0, 51, 1));
    vertices.back().x = 50.95f;  // a 0.05 edge from (51, 1)
    Mesh mesh = test::makeMesh(vertices, faces, {0, 1, 2, END});
    EXPECT_EQ(mesh.removeZeroEdges(0.1f), 1u);
    ASSERT_EQ(mesh.mFaces.size(), 3u);
    EXPECT_EQ(mesh.mFaces[2].vertexIndices.size(), 3u);
    EXPECT_EQ(mesh.mHoles, (Corners{0, 1, END}));
    EXPECT_EQ(mesh.mVertices.size(), 11u);
}

TEST(MeshRemoveZeroEdgesTest, LineElementsShorterThanTheThresholdAreRemoved) {
    Mesh lines("lines", {V3(0, 0, 0), V3(1, 0, 0), V3(1, 0.01f, 0), V3(3, 0, 0)},
               {Mesh::Polygon({0, 1}), Mesh::Polygon({1, 2}), Mesh::Polygon({2, 3})}, {},
               material(L"A"));
    lines.mFaceMaterials = {material(L"A"), material(L"B"), material(L"A")};
    lines.mFaceMaterialStartIndices = {0, 1, 2};
    EXPECT_EQ(lines.removeZeroEdges(0.1f), 1u);
    ASSERT_EQ(lines.mEdgeFaces.size(), 2u);
    EXPECT_TRUE(lines.mFaceMaterials.empty());  // a, a merge into the default material
    EXPECT_EQ(lines.mDefaultMaterial, material(L"A"));
    EXPECT_EQ(lines.mVertices.size(), 4u);
}

TEST(MeshRemoveZeroFacesTest, ThresholdEqualToTheAreaKeepsTheFace) {
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}, {{0, 1, 2}});  // area 0.5
    EXPECT_EQ(mesh.removeZeroFaces(0.5f, false), 0u);
    EXPECT_EQ(mesh.mFaces.size(), 1u);
    EXPECT_EQ(mesh.removeZeroFaces(0.50001f, true), 1u);
    ASSERT_EQ(mesh.mFaces.size(), 1u);  // kept in place, emptied
    EXPECT_TRUE(mesh.mFaces[0].vertexIndices.empty());
    EXPECT_EQ(mesh.mVertices.size(), 3u);
}

TEST(MeshRemoveZeroFacesTest, HoleGroupsAndMaterialRangesFollowTheRemovedFaces) {
    std::vector<V3> vertices;
    std::vector<Corners> faces{test::addSquare(vertices, 20, 0, 20.5f, 0.5f),  // 0.25
                               test::addSquare(vertices, 20.1f, 0.1f, 20.2f, 0.2f, true),
                               test::addSquare(vertices, 0, 0, 10, 10),
                               test::addSquare(vertices, 1, 1, 2, 2, true),         // 1
                               test::addSquare(vertices, 4, 4, 4.5f, 4.5f, true)};  // 0.25
    Mesh mesh = test::makeMesh(vertices, faces, {0, 1, END, 2, 3, 4, END});
    mesh.mFaceMaterials = {material(L"B"), material(L"A")};
    mesh.mFaceMaterialStartIndices = {0, 2};
    EXPECT_EQ(mesh.removeZeroFaces(0.3f, false), 3u);
    ASSERT_EQ(mesh.mFaces.size(), 2u);
    EXPECT_EQ(mesh.mHoles, (Corners{0, 1, END}));
    EXPECT_EQ(mesh.mVertices.size(), 8u);
    EXPECT_EQ(mesh.mVertices[0], V3(0, 0, 0));
    EXPECT_TRUE(mesh.mFaceMaterials.empty());  // range b lost all its faces
    EXPECT_EQ(mesh.mDefaultMaterial, material(L"A"));
}

TEST(MeshRemoveCollapsedEdgesTest, LoopSplitMakesFacesWithTheirCornersAndMaterial) {
    // Two triangles touching at vertex 0, as one face 0, 1, 2, 0, 3, 4; then a face of b.
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(0.5f, 1, 0), V3(-1, 0, 0),
                                V3(-0.5f, -1, 0), V3(5, 0, 0), V3(6, 0, 0), V3(5, 1, 0)},
                               {{0, 1, 2, 0, 3, 4}, {5, 6, 7}});
    mesh.mFaces[0].uvIndices[2] = {10, 11, 12, 13, 14, 15};
    mesh.mFaces[1].uvIndices[2] = {16, 17, 18};
    mesh.mFaceMaterials = {material(L"A"), material(L"B")};
    mesh.mFaceMaterialStartIndices = {0, 1};
    std::vector<unsigned int> removed;
    EXPECT_TRUE(mesh.removeCollapsedEdges(false, false, &removed, false, false));
    EXPECT_EQ(removed, (Corners{0}));
    ASSERT_EQ(mesh.mFaces.size(), 3u);
    EXPECT_EQ(mesh.mFaces[1].vertexIndices, (Corners{0, 1, 2}));
    EXPECT_EQ(mesh.mFaces[1].uvIndices[2], (Corners{10, 11, 12}));
    EXPECT_EQ(mesh.mFaces[2].vertexIndices, (Corners{0, 3, 4}));
    EXPECT_EQ(mesh.mFaces[2].uvIndices[2], (Corners{13, 14, 15}));
    EXPECT_EQ(mesh.mFaces[2].faceNormal, V3(0, 0, 1));
    for (unsigned int const face : {1u, 2u}) EXPECT_EQ(mesh.getFaceMaterial(face), material(L"A"));
    EXPECT_EQ(mesh.getFaceMaterial(0), material(L"B"));
}

}  // namespace
}  // namespace util

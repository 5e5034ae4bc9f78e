#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"
#include "support/MeshInvariants.h"

namespace util {
namespace {

using test::Corners;
using test::V3;
constexpr unsigned int END = Mesh::HOLES_END;

// Triangle 0-1-2, a copy given as corners, and a neighbour 2-1-3 that must always survive.
Mesh withCopy(Corners const& copy) {
    return test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0), V3(1, 1, 0)},
                          {{0, 1, 2}, copy, {2, 1, 3}});
}

Material material(wchar_t const* shaderName) { return Material(Shader(shaderName)); }

TEST(MeshRemoveFacesDoubleTest, EachModeFindsItsDirections) {
    using Mode = Mesh::RemoveFacesDoubleMode;
    Corners const rotated{1, 2, 0}, reversed{2, 1, 0};
    std::vector<std::tuple<Mode, Corners, unsigned long, std::vector<Corners>>> const cases{
        {Mesh::RFD_ANY_ORIENTATION, rotated, 1, {{0, 1, 2}, {2, 1, 3}}},
        {Mesh::RFD_ANY_ORIENTATION, reversed, 1, {{0, 1, 2}, {2, 1, 3}}},
        {Mesh::RFD_SAME_ORIENTATION, rotated, 1, {{0, 1, 2}, {2, 1, 3}}},
        {Mesh::RFD_SAME_ORIENTATION, reversed, 0, {{0, 1, 2}, reversed, {2, 1, 3}}},
        {Mesh::RFD_BOTH_OPPOSITE, rotated, 0, {{0, 1, 2}, rotated, {2, 1, 3}}},
        {Mesh::RFD_BOTH_OPPOSITE, reversed, 2, {{1, 0, 2}}},  // vertex 0 went unused
        {static_cast<Mode>(3), rotated, 0, {{0, 1, 2}, rotated, {2, 1, 3}}},
    };
    for (auto const& [mode, copy, count, faces] : cases) {
        Mesh mesh = withCopy(copy);
        EXPECT_EQ(mesh.removeFacesDouble(mode, false, nullptr), count) << mode;
        std::vector<Corners> left;
        for (Mesh::Polygon const& face : mesh.mFaces) left.push_back(face.vertexIndices);
        EXPECT_EQ(left, faces) << mode;
        EXPECT_TRUE(test::isConsistent(mesh));
    }
}

TEST(MeshRemoveFacesDoubleTest, OnlyTheSameCyclicSequenceIsACopy) {
    Mesh three = withCopy({0, 1, 2});
    three.mFaces.push_back(three.mFaces[1]);
    three.mFaces.back().vertexIndices = {2, 0, 1};
    EXPECT_EQ(three.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, false, nullptr), 2u);
    ASSERT_EQ(three.mFaces.size(), 2u);
    EXPECT_EQ(three.mFaces[0].vertexIndices, (Corners{0, 1, 2}));

    std::vector<V3> const square{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)};
    Mesh shuffled = test::makeMesh(square, {{0, 1, 2, 3}, {0, 2, 1, 3}});
    EXPECT_EQ(shuffled.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, false, nullptr), 0u);
    Mesh larger = test::makeMesh(square, {{0, 1, 2}, {0, 1, 2, 3}});
    EXPECT_EQ(larger.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, false, nullptr), 0u);
}

// Face 0 and its reversed copy 1 over a square; the copy's corners read face 0's backwards from
// corner 1, so its UVs must be face 0's read the same way to count as equal.
TEST(MeshRemoveFacesDoubleTest, WithUVsCopiesMustAgreeInTextureAndCoordinates) {
    Mesh copies = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                                 {{0, 1, 2, 3}, {1, 0, 3, 2}});
    copies.mTexCoords[1] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}};
    copies.mFaces[0].uvIndices[1] = {0, 1, 2, 3};
    copies.mFaces[1].uvIndices[1] = {5, 4, 7, 6};
    std::vector<Mesh> cases(4, copies);
    cases[0].mTexCoords[1][6].u = 1.0009f;  // within 0.001: still a copy
    cases[1].mTexCoords[1][6].v = 1.0011f;
    cases[2].mFaces[1].uvIndices[1] = {4, 5, 6, 7};  // corners shifted
    cases[3].mFaceMaterials = {material(L"A"), material(L"B")};
    cases[3].mFaceMaterialStartIndices = {0, 1};
    for (std::size_t c = 0; c < cases.size(); ++c) {
        Mesh unchecked = cases[c];
        EXPECT_EQ(cases[c].removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, true, nullptr),
                  c == 0 ? 1u : 0u)
            << c;
        EXPECT_EQ(unchecked.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, false, nullptr), 1u);
        EXPECT_TRUE(test::isConsistent(unchecked)) << c;  // one material left: the default
    }
}

TEST(MeshRemoveFacesDoubleTest, RemovedCopyTakesItsHolesAndTheSurvivorKeepsItsOwn) {
    std::vector<V3> vertices;
    Corners const outline = test::addSquare(vertices, 0, 0, 10, 10);
    std::vector<Corners> const faces{outline,
                                     test::addSquare(vertices, 1, 1, 2, 2, true),
                                     {outline[2], outline[3], outline[0], outline[1]},
                                     test::addSquare(vertices, 5, 5, 6, 6, true)};
    Mesh mesh = test::makeMesh(vertices, faces, {0, 1, END, 2, 3, END});
    EXPECT_EQ(mesh.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, false, nullptr), 1u);
    ASSERT_EQ(mesh.mFaces.size(), 2u);
    EXPECT_EQ(mesh.mHoles, (Corners{0, 1, END}));
    EXPECT_EQ(mesh.mVertices[mesh.mFaces[1].vertexIndices[0]], V3(1, 1, 0));
    EXPECT_EQ(mesh.mVertices.size(), 8u);
    EXPECT_TRUE(test::isConsistent(mesh));

    Mesh both = test::makeMesh(vertices, {faces[0], faces[1], {3, 2, 1, 0}, faces[3]},
                               {0, 1, END, 2, 3, END});
    EXPECT_EQ(both.removeFacesDouble(Mesh::RFD_BOTH_OPPOSITE, false, nullptr), 2u);
    EXPECT_TRUE(both.mFaces.empty());
    EXPECT_TRUE(both.mHoles.empty());
}

}  // namespace
}  // namespace util

#include <gtest/gtest.h>

#include <boost/dynamic_bitset.hpp>
#include <algorithm>
#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "mesh/HoleRelation.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/MeshUtils.h"
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
    struct Case {
        char const* what;
        std::function<void(Mesh&)> change;
        unsigned long withUVs;
    };
    std::vector<Case> const cases{
        {"within 0.001", [](Mesh& m) { m.mTexCoords[1][6].u = 1.0009f; }, 1},
        {"0.0011 apart", [](Mesh& m) { m.mTexCoords[1][6].v = 1.0011f; }, 0},
        {"corners shifted",
         [](Mesh& m) {
             m.mFaces[1].uvIndices[1] = {4, 5, 6, 7};
         },
         0},
        {"other material",
         [](Mesh& m) {
             m.mFaceMaterials = {material(L"A"), material(L"B")};
             m.mFaceMaterialStartIndices = {0, 1};
         },
         0},
    };
    for (Case const& c : cases) {
        for (bool const compareUVs : {true, false}) {
            Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                                       {{0, 1, 2, 3}, {1, 0, 3, 2}});
            mesh.mTexCoords[1] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}};
            mesh.mFaces[0].uvIndices[1] = {0, 1, 2, 3};
            mesh.mFaces[1].uvIndices[1] = {5, 4, 7, 6};
            c.change(mesh);
            EXPECT_EQ(mesh.removeFacesDouble(Mesh::RFD_ANY_ORIENTATION, compareUVs, nullptr),
                      compareUVs ? c.withUVs : 1u)
                << c.what;
            EXPECT_TRUE(test::isConsistent(mesh)) << c.what;  // one material left: the default
        }
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

// The pass as first written: every pair of faces around every vertex, compared in both asked
// directions from the first corner of b found in a.
unsigned long plainRemoveFacesDouble(Mesh& mesh, Mesh::RemoveFacesDoubleMode mode,
                                     bool compareUVs, boost::dynamic_bitset<>* selection) {
    std::vector<bool> const reversed = mode == Mesh::RFD_SAME_ORIENTATION ? std::vector<bool>{false}
                                       : mode == Mesh::RFD_BOTH_OPPOSITE  ? std::vector<bool>{true}
                                                                          : std::vector<bool>{false, true};
    auto isCopy = [&](unsigned int a, unsigned int b) {
        Corners const &ca = mesh.mFaces[a].vertexIndices, &cb = mesh.mFaces[b].vertexIndices;
        std::size_t const n = ca.size();
        if (cb.size() != n) return false;
        std::size_t const k = static_cast<std::size_t>(std::find(ca.begin(), ca.end(), cb[0]) - ca.begin());
        for (bool const backwards : reversed) {
            bool holds = k < n;
            for (std::size_t t = 0; holds && t < n; ++t) {
                std::size_t const corner = backwards ? (n + k - t) % n : (k + t) % n;
                holds = cb[t] == ca[corner] &&
                        (!compareUVs || MeshCleanupUtils::sameUVs(mesh, a, b, corner, t));
            }
            if (holds) return true;
        }
        return false;
    };
    HoleRelation const holes(mesh.mHoles);
    auto clear = [&](unsigned int face) {
        mesh.mFaces[face].clearIndices();
        if (holes.mFaceToHoles.count(face) != 0)
            for (unsigned int const hole : holes.mFaceToHoles.at(face)) mesh.mFaces[hole].clearIndices();
    };
    std::vector<std::vector<unsigned int>> vertexFaces;
    MeshUtils::calculateVertex2Faces(mesh, vertexFaces, &holes, selection);
    unsigned long count = 0;
    for (std::vector<unsigned int> const& faces : vertexFaces) {
        for (std::size_t i = 0; i < faces.size(); ++i) {
            if (mesh.mFaces[faces[i]].vertexIndices.empty()) continue;
            for (std::size_t j = i + 1; j < faces.size(); ++j) {
                if (faces[j] == faces[i] || !isCopy(faces[i], faces[j])) continue;
                clear(faces[j]);
                if (mode != Mesh::RFD_BOTH_OPPOSITE) {
                    ++count;
                    continue;
                }
                clear(faces[i]);
                count += 2;
                break;
            }
        }
    }
    if (count != 0) {
        mesh.removeEmptyFaces(nullptr);
        mesh.deleteUnusedVertices(selection);
    }
    return count;
}

// Few vertices and many rotated or reversed copies, some with other texture coordinates, so
// that copies of copies, faces repeating a corner, holes of removed faces and partial
// selections all occur.
TEST(MeshRemoveFacesDoubleTest, FindsWhatComparingAllFacesAtEachVertexFinds) {
    std::mt19937 random(11);
    auto below = [&random](unsigned int n) { return static_cast<unsigned int>(random() % n); };
    for (int round = 0; round < 3000; ++round) {
        unsigned int const vertexCount = 3 + below(4);
        std::vector<V3> vertices;
        for (unsigned int v = 0; v < vertexCount; ++v) vertices.emplace_back(float(v), float(v * v % 5), 0.0f);
        std::vector<Corners> faces;
        std::vector<Corners> uvs;
        for (unsigned int f = 0, count = 2 + below(10); f < count; ++f) {
            if (f == 0 || below(3) == 0) {
                faces.emplace_back(3 + below(3));
                for (unsigned int& corner : faces.back()) corner = below(vertexCount);
                uvs.emplace_back(faces.back().size());
                for (unsigned int& uv : uvs.back()) uv = below(4);
                continue;
            }
            std::size_t const source = below(static_cast<unsigned int>(faces.size()));
            Corners face = faces[source], uv = uvs[source];
            std::size_t const shift = below(static_cast<unsigned int>(face.size()));
            std::rotate(face.begin(), face.begin() + shift, face.end());
            std::rotate(uv.begin(), uv.begin() + shift, uv.end());
            if (below(2) == 0) {
                std::reverse(face.begin(), face.end());
                std::reverse(uv.begin(), uv.end());
            }
            if (below(4) == 0) uv[0] = below(4);
            faces.push_back(face);
            uvs.push_back(uv);
        }
        std::vector<unsigned int> holes;
        if (faces.size() >= 3 && below(3) == 0) holes = {1, 2, Mesh::HOLES_END};
        Mesh original = test::makeMesh(vertices, faces, holes);
        original.mTexCoords[0] = {{0, 0}, {1, 0}, {0, 1}, {0.0005f, 0}};
        for (std::size_t f = 0; f < faces.size(); ++f) original.mFaces[f].uvIndices[0] = uvs[f];
        boost::dynamic_bitset<> selection(vertexCount);
        for (unsigned int v = 0; v < vertexCount; ++v) selection[v] = below(3) != 0;
        bool const selected = below(2) == 0, compareUVs = below(2) == 0;
        auto const mode = static_cast<Mesh::RemoveFacesDoubleMode>(below(3));

        Mesh fast = original, plain = original;
        boost::dynamic_bitset<> fastSelection = selection, plainSelection = selection;
        unsigned long const removed =
            fast.removeFacesDouble(mode, compareUVs, selected ? &fastSelection : nullptr);
        ASSERT_EQ(removed, plainRemoveFacesDouble(plain, mode, compareUVs,
                                                  selected ? &plainSelection : nullptr))
            << round;
        ASSERT_EQ(fast.mFaces.size(), plain.mFaces.size()) << round;
        for (std::size_t f = 0; f < fast.mFaces.size(); ++f) {
            EXPECT_EQ(fast.mFaces[f].vertexIndices, plain.mFaces[f].vertexIndices) << round;
            EXPECT_EQ(fast.mFaces[f].uvIndices[0], plain.mFaces[f].uvIndices[0]) << round;
        }
        EXPECT_EQ(fast.mVertices, plain.mVertices) << round;
        EXPECT_EQ(fast.mHoles, plain.mHoles) << round;
        EXPECT_EQ(fastSelection, plainSelection) << round;
    }
}

}  // namespace
}  // namespace util

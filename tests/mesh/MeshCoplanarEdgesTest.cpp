#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "intersection/Triangulator.h"
#include "material/Shader.h"
#include "mesh/HoleRelation.h"
#include "mesh/Mesh.h"
#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"
#include "support/MeshInvariants.h"

namespace util {
namespace {

using test::Corners;
using test::fromSmallest;
using test::V3;

// Outlines count positively, holes negatively: what a merge must never change.
double netArea(Mesh const& mesh) {
    HoleRelation const holes(mesh.mHoles);
    double sum = 0.0;
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        Mesh::Polygon const& face = mesh.mFaces[f];
        double const area = MeshUtils::area(mesh.mVertices, face.vertexIndices, face.faceNormal);
        sum += holes.mHoleToFace.count(static_cast<unsigned int>(f)) ? -area : area;
    }
    return sum;
}

// What every result of the pass must satisfy beyond the common invariants: holes are wound
// against their faces, no face repeats a corner, and face normals are up to date.
void expectValidResult(Mesh const& mesh) {
    ASSERT_TRUE(test::isConsistent(mesh));
    for (auto const& [face, holes] : HoleRelation(mesh.mHoles).mFaceToHoles)
        for (unsigned int const hole : holes)
            EXPECT_LT(mesh.mFaces[hole].faceNormal.dot(mesh.mFaces[face].faceNormal), 0.0f);
    for (Mesh::Polygon const& face : mesh.mFaces) {
        Corners sorted = face.vertexIndices;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
        V3 normal;
        MeshUtils::calcPolyNormal(mesh.mVertices, &face.vertexIndices, normal);
        EXPECT_NEAR((normal - face.faceNormal).length(), 0.0f, 1e-6f);
    }
}

Mesh squareOfTwoTriangles() {
    return test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                          {{0, 1, 2}, {0, 2, 3}});
}

// A unit square in z = 0 and a second one hinged on its edge x = 1, tilted up by degrees.
Mesh hingedSquares(float degrees) {
    float const r = degrees * 3.14159265f / 180.0f;
    float const c = std::cos(r), s = std::sin(r);
    return test::makeMesh(
        {V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0), V3(1 + c, 0, s), V3(1 + c, 1, s)},
        {{0, 1, 2, 3}, {1, 4, 5, 2}});
}

TEST(MeshRemoveEdgesCoplanarTest, TheAngleMustBeStrictlyBelowTheTolerance) {
    struct Case {
        float hingeDegrees, toleranceDegrees;
        unsigned long removed;
    };
    for (Case const& c : {Case{0, 0, 0}, Case{0, -1, 0}, Case{0, 0.001f, 1}, Case{5, 5.01f, 1},
                          Case{5, 4.99f, 0}}) {
        Mesh mesh = hingedSquares(c.hingeDegrees);
        EXPECT_EQ(mesh.removeEdgesCoplanar(c.toleranceDegrees, false, false, nullptr), c.removed)
            << c.hingeDegrees << " degrees at tolerance " << c.toleranceDegrees;
        EXPECT_EQ(mesh.mFaces.size(), 2u - c.removed);
    }
}

// The face [0, 10]^2 with two clockwise holes (2,2)-(4,4) and (4,2)-(6,4) sharing their side x = 4.
TEST(MeshRemoveEdgesCoplanarTest, TouchingHolesOfOneFaceBecomeOneHoleAtAnyTolerance) {
    for (float const tolerance : {-1.0f, 0.0f, 10.0f}) {
        Mesh mesh =
            test::makeMesh({V3(0, 0, 0), V3(10, 0, 0), V3(10, 10, 0), V3(0, 10, 0), V3(2, 2, 0),
                            V3(4, 2, 0), V3(6, 2, 0), V3(6, 4, 0), V3(4, 4, 0), V3(2, 4, 0)},
                           {{0, 1, 2, 3}, {4, 9, 8, 5}, {5, 8, 7, 6}}, {0, 1, 2, Mesh::HOLES_END});
        EXPECT_EQ(mesh.removeEdgesCoplanar(tolerance, false, false, nullptr), 1u) << tolerance;
        ASSERT_EQ(mesh.mFaces.size(), 2u);
        EXPECT_EQ(mesh.mHoles, (std::vector<unsigned int>{0, 1, Mesh::HOLES_END}));
        EXPECT_EQ(fromSmallest(mesh.mFaces[1].vertexIndices), (Corners{4, 9, 8, 7, 6, 5}));
        EXPECT_NEAR(netArea(mesh), 92.0, 1e-9);
        expectValidResult(mesh);
    }
}

TEST(MeshRemoveEdgesCoplanarTest, AHoleSwallowsTheFaceThatFillsPartOfIt) {
    // Hole (2,2)-(6,4) with corners on x = 4; the face (2,2)-(4,4) fills its left half.
    auto build = []() {
        return test::makeMesh({V3(0, 0, 0), V3(10, 0, 0), V3(10, 10, 0), V3(0, 10, 0), V3(2, 2, 0),
                               V3(4, 2, 0), V3(6, 2, 0), V3(6, 4, 0), V3(4, 4, 0), V3(2, 4, 0)},
                              {{0, 1, 2, 3}, {4, 9, 8, 7, 6, 5}, {4, 5, 8, 9}},
                              {0, 1, Mesh::HOLES_END});
    };
    Mesh mesh = build();
    EXPECT_EQ(mesh.removeEdgesCoplanar(0.1f, false, false, nullptr), 3u);
    ASSERT_EQ(mesh.mFaces.size(), 2u);
    EXPECT_EQ(mesh.mHoles, (std::vector<unsigned int>{0, 1, Mesh::HOLES_END}));
    ASSERT_EQ(mesh.mVertices.size(), 8u);  // (2,2) and (2,4) are gone
    EXPECT_EQ(mesh.mFaces[1].vertexIndices.size(), 4u);
    EXPECT_NEAR(netArea(mesh), 96.0, 1e-9);
    expectValidResult(mesh);

    Mesh flat = build();
    EXPECT_EQ(flat.removeEdgesCoplanar(0.0f, false, false, nullptr), 0u);
    EXPECT_EQ(flat.mFaces.size(), 3u);
}

// An edge whose corners map to other coordinates in the second face, or one between materials,
// stays when UVs are checked and goes when they are not.
TEST(MeshRemoveEdgesCoplanarTest, CheckUVsKeepsEdgesBetweenOtherCoordinatesOrMaterials) {
    Mesh uvs = squareOfTwoTriangles();
    uvs.mTexCoords[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}};
    uvs.mFaces[0].uvIndices[0] = {0, 1, 2};
    uvs.mFaces[1].uvIndices[0] = {0, 2, 3};
    Mesh materials = uvs;
    uvs.mFaces[1].uvIndices[0] = {0, 4, 3};  // the shared corner 2 maps elsewhere in face 1
    materials.mFaceMaterials = {Material(Shader(L"brick")), Material(Shader(L"glass"))};
    materials.mFaceMaterialStartIndices = {0, 1};
    for (Mesh* mesh : {&uvs, &materials}) {
        Mesh copy = *mesh;
        EXPECT_EQ(mesh->removeEdgesCoplanar(1, true, false, nullptr), 0u);
        EXPECT_EQ(copy.removeEdgesCoplanar(1, false, false, nullptr), 1u);
        ASSERT_EQ(copy.mFaces.size(), 1u);
        EXPECT_EQ(fromSmallest(copy.mFaces[0].vertexIndices), (Corners{0, 1, 2, 3}));
        EXPECT_EQ(copy.mFaces[0].uvIndices[0].size(), 4u);
        EXPECT_EQ(copy.getFaceMaterial(0), mesh->getFaceMaterial(0));  // the first face's
        expectValidResult(copy);
    }
}

// A 3 x 3 square with a 1 x 1 window in the middle, triangulated as four trapezoids.
Mesh triangulatedRing() {
    return test::makeMesh(
        {V3(0, 0, 0), V3(3, 0, 0), V3(3, 3, 0), V3(0, 3, 0), V3(1, 1, 0), V3(2, 1, 0), V3(2, 2, 0),
         V3(1, 2, 0)},
        {{0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}, {3, 0, 4}, {3, 4, 7}});
}

TEST(MeshRemoveEdgesCoplanarTest, ARingClosesInAStrictSweepAroundANewHole) {
    Mesh mesh = triangulatedRing();
    mesh.removeEdgesCoplanar(0.1f, false, false, nullptr);
    ASSERT_EQ(mesh.mFaces.size(), 2u);
    ASSERT_EQ(mesh.mHoles.size(), 3u);
    unsigned int const outline = mesh.mHoles[0];
    unsigned int const hole = mesh.mHoles[1];
    EXPECT_EQ(fromSmallest(mesh.mFaces[outline].vertexIndices), (Corners{0, 1, 2, 3}));
    EXPECT_EQ(fromSmallest(mesh.mFaces[hole].vertexIndices), (Corners{4, 7, 6, 5}));
    EXPECT_EQ(mesh.mVertices.size(), 8u);  // the hole no longer touches the outline
    EXPECT_NEAR(netArea(mesh), 8.0, 1e-9);
    expectValidResult(mesh);

    Mesh kept = triangulatedRing();  // emptied faces stay in place on request
    kept.removeEdgesCoplanar(0.1f, false, true, nullptr);
    EXPECT_GE(kept.mFaces.size(), 8u);
    EXPECT_EQ(std::count_if(kept.mFaces.begin(), kept.mFaces.end(),
                            [](Mesh::Polygon const& f) { return !f.vertexIndices.empty(); }),
              2);
}

TEST(MeshDetachSharedHoleVerticesTest, TouchingVerticesGetANudgedCopyInTheLaterFace) {
    // A clockwise triangular hole on the face's corner 0, and two holes touching at (4, 4).
    Mesh mesh = test::makeMesh(
        {V3(0, 0, 0), V3(10, 0, 0), V3(10, 10, 0), V3(0, 10, 0), V3(2, 1, 0), V3(1, 2, 0),
         V3(2, 2, 0), V3(4, 4, 0), V3(4, 2, 0), V3(6, 4, 0), V3(6, 6, 0), V3(4, 6, 0)},
        {{0, 1, 2, 3}, {0, 5, 4}, {6, 7, 8}, {7, 11, 10, 9}}, {0, 1, 2, 3, Mesh::HOLES_END});
    boost::dynamic_bitset<> flags(12);
    flags.set(0);
    mesh.detachSharedHoleVertices(&flags);
    ASSERT_EQ(mesh.mVertices.size(), 14u);
    EXPECT_EQ(flags.size(), 14u);
    EXPECT_EQ(flags.count(), 2u);  // the copy of 0 is flagged like 0
    EXPECT_EQ(mesh.mFaces[0].vertexIndices, (Corners{0, 1, 2, 3}));
    EXPECT_EQ(mesh.mFaces[1].vertexIndices, (Corners{12, 5, 4}));
    EXPECT_EQ(mesh.mFaces[2].vertexIndices, (Corners{6, 7, 8}));
    EXPECT_EQ(mesh.mFaces[3].vertexIndices, (Corners{13, 11, 10, 9}));
    float const step = 0.0016f / std::sqrt(2.0f);  // along the hole's inward bisector
    EXPECT_NEAR(mesh.mVertices[12].x, step, 1e-7f);
    EXPECT_NEAR(mesh.mVertices[12].y, step, 1e-7f);
    EXPECT_NEAR((mesh.mVertices[13] - V3(4, 4, 0)).length(), 0.0016f, 1e-6f);
}

// Randomized: star-shaped polygons with square holes, triangulated, must come back as one
// outline with their holes and the same area, in the plane z = 0 and tilted.
Mesh randomPolygonWithHoles(std::mt19937& random, bool tilted, std::size_t& loops) {
    std::uniform_real_distribution<float> radius(6.0f, 10.0f);
    int const n = std::uniform_int_distribution<int>(5, 24)(random);
    std::vector<V3> vertices;
    std::vector<Corners> faces(1);
    for (int k = 0; k < n; ++k) {
        float const angle = 6.2831853f * static_cast<float>(k) / static_cast<float>(n);
        float const r = radius(random);
        faces[0].push_back(static_cast<unsigned int>(vertices.size()));
        vertices.emplace_back(r * std::cos(angle), r * std::sin(angle), 0.0f);
    }
    // Holes in cells of a grid inside the smallest possible star, jittered so that no three
    // hole corners line up (the tessellator fills such lines with slivers).
    std::vector<unsigned int> holes;
    std::uniform_real_distribution<float> jitter(0.0f, 0.2f);
    for (int cell = 0; cell < 16; ++cell) {
        if (!std::bernoulli_distribution(0.3)(random)) continue;
        if (holes.empty()) holes.push_back(0);
        holes.push_back(static_cast<unsigned int>(faces.size()));
        float const x = static_cast<float>(cell % 4 - 2) * 1.2f + jitter(random);
        float const y = static_cast<float>(cell / 4 - 2) * 1.2f + jitter(random);
        faces.push_back(test::addSquare(vertices, x, y, x + 0.6f + jitter(random),
                                        y + 0.6f + jitter(random), true));
    }
    if (!holes.empty()) holes.push_back(Mesh::HOLES_END);
    if (tilted)
        for (V3& v : vertices) v = V3(v.x, v.y * 0.8660254f, v.y * 0.5f + 3.0f);
    loops = faces.size();
    Mesh const polygon = test::makeMesh(vertices, faces, holes);
    Triangulator triangulator;
    std::unique_ptr<TriangleMesh> const triangles(triangulator.triangulateVerticesOnly(
        polygon, new TriangleMesh::Positions(polygon.mVertices), Triangulator::TRIANGLES));
    std::vector<unsigned int> const& t = *triangles->getTriangles();
    std::vector<Corners> pieces;
    for (std::size_t k = 0; k + 2 < t.size(); k += 3) pieces.push_back({t[k], t[k + 1], t[k + 2]});
    Mesh mesh = test::makeMesh(*triangles->getVertices(), pieces);
    mesh.deleteUnusedVertices(nullptr);
    return mesh;
}

TEST(MeshRemoveEdgesCoplanarRandomTest, RegionsKeepTheirAreaAndBoundaryLoops) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round);
        std::size_t loops = 0;
        Mesh mesh = randomPolygonWithHoles(random, round % 2 == 1, loops);
        double const area = netArea(mesh);
        mesh.removeEdgesCoplanar(0.1f, false, false, nullptr);
        EXPECT_EQ(mesh.mFaces.size(), loops);
        EXPECT_EQ(mesh.mHoles.size(), loops == 1 ? 0u : loops + 1);
        EXPECT_NEAR(netArea(mesh), area, 1e-4 * area);
        expectValidResult(mesh);
        if (HasFailure()) break;
    }
}

}  // namespace
}  // namespace util

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;

struct Counters {
    unsigned long entries = 99, removed = 99, inverted = 99;
};

Counters repair(Mesh& mesh, bool preserve) {
    Counters c;
    mesh.cleanupHoles(c.entries, c.removed, c.inverted, preserve, true);
    return c;
}

TEST(MeshCleanupHolesTest, ProperHoleStaysAndTheRejectedOnesGoWithTheirVertices) {
    // Holes 1 and 4 are proper; hole 2 gets a corner on the face's corner; hole 3 pokes out.
    Mesh mesh = test::makeFaceWithHoles(
        {{2, 2, 3, 3}, {0.0005f, 5, 1, 6}, {9, 9, 11, 9.5f}, {4, 4, 5, 5}});
    mesh.mVertices[4 * 2] = V3(0, 0, 0.0003f);  // hole 2's first corner on the face's corner
    Counters const c = repair(mesh, true);
    EXPECT_EQ(c.removed, 2u);
    EXPECT_EQ(c.entries, 0u);
    ASSERT_EQ(mesh.mFaces.size(), 3u);
    EXPECT_EQ(mesh.mHoles, (std::vector<unsigned int>{0, 1, 2, Mesh::HOLES_END}));
    EXPECT_EQ(mesh.mVertices.size(), 12u);  // the rejected holes' corners are gone
}

TEST(MeshCleanupHolesTest, HoleCrossingAnEdgeWithAllCornersInsideIsRejected) {
    // A concave face (a U shape) and a hole bridging the notch: its corners are inside the
    // face but its edges cross the face's boundary.
    std::vector<V3> const vertices{V3(0, 0, 0), V3(10, 0, 0), V3(10, 10, 0), V3(6, 10, 0),
                                   V3(6, 2, 0), V3(4, 2, 0), V3(4, 10, 0), V3(0, 10, 0),
                                   V3(2, 8, 0), V3(2, 9, 0), V3(8, 9, 0), V3(8, 8, 0)};
    Mesh mesh = test::makeMesh(vertices, {{0, 1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11}},
                               {0, 1, Mesh::HOLES_END});
    EXPECT_EQ(repair(mesh, true).removed, 1u);
    EXPECT_TRUE(mesh.mHoles.empty());
}

TEST(MeshCleanupHolesTest, OfTwoOverlappingHolesTheLaterGoes) {
    Mesh mesh = test::makeFaceWithHoles({{2, 2, 5, 5}, {4, 4, 7, 7}, {6.5f, 1, 8, 2}});
    Counters const c = repair(mesh, true);
    EXPECT_EQ(c.removed, 1u);
    ASSERT_EQ(mesh.mFaces.size(), 3u);
    EXPECT_EQ(mesh.mVertices[mesh.mFaces[1].vertexIndices[0]], V3(2, 2, 0));
    EXPECT_EQ(mesh.mVertices[mesh.mFaces[2].vertexIndices[0]], V3(6.5f, 1, 0));
}

TEST(MeshCleanupHolesTest, SameOrientationHolesTurnOnlyWithoutPreserve) {
    Mesh mesh = test::makeFaceWithHoles({{2, 2, 3, 3}});
    mesh.mFaces[1].invert();  // now wound like its face
    Mesh preserved = mesh;
    EXPECT_EQ(repair(preserved, true).inverted, 0u);
    EXPECT_GT(preserved.mFaces[1].faceNormal.z, 0.0f);
    Counters const c = repair(mesh, false);
    EXPECT_EQ(c.inverted, 1u);
    EXPECT_EQ(c.removed, 0u);
    EXPECT_LT(mesh.mFaces[1].faceNormal.z, 0.0f);
}

TEST(MeshCleanupHolesTest, HoleFaceWithoutVerticesPassesAndStays) {
    Mesh mesh = test::makeFaceWithHoles({{2, 2, 3, 3}, {5, 5, 6, 6}});
    mesh.mFaces[2].clearIndices();
    Counters const c = repair(mesh, true);
    EXPECT_EQ(c.removed, 0u);
    EXPECT_EQ(mesh.mFaces.size(), 3u);
    EXPECT_EQ(mesh.mHoles.size(), 4u);
}

TEST(MeshCleanupHolesTest, SanitiserCountsDroppedEntriesAndKeepsEmptyGroupsWhenPreserving) {
    Mesh mesh = test::makeFaceWithHoles({{2, 2, 3, 3}});
    mesh.mHoles = {0, 1, 1, 0, 9, Mesh::HOLES_END, 1, Mesh::HOLES_END};
    Counters const c = repair(mesh, true);
    EXPECT_EQ(c.entries, 3u);
    EXPECT_EQ(mesh.mHoles, (std::vector<unsigned int>{0, 1, Mesh::HOLES_END, 1, Mesh::HOLES_END}));
}

// A star-shaped face with many random holes; some overlap, cross or leave the face.
Mesh randomFaceWithHoles(std::mt19937& random, int axis) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    auto place = [axis](float a, float b) {
        if (axis == 0) return V3(0.5f, b, a);  // (z, y) projection
        if (axis == 1) return V3(a, 0.5f, b);
        return V3(a, b, 0.5f);
    };
    std::vector<V3> vertices;
    std::vector<Corners> faces(1);
    int const outline = 150;
    for (int i = 0; i < outline; ++i) {
        float const angle = 6.2831853f * static_cast<float>(i) / outline;
        float const radius = 40.0f + 15.0f * unit(random);
        vertices.push_back(place(50 + radius * std::cos(angle), 50 + radius * std::sin(angle)));
        faces[0].push_back(static_cast<unsigned int>(i));
    }
    std::vector<unsigned int> structure{0};
    for (int h = 0; h < 60; ++h) {
        float const x = 100 * unit(random), y = 100 * unit(random), s = 1 + 6 * unit(random);
        auto const first = static_cast<unsigned int>(vertices.size());
        vertices.push_back(place(x, y));
        vertices.push_back(place(x, y + s));
        vertices.push_back(place(x + s, y + s * unit(random)));
        Corners hole{first, first + 1, first + 2};
        if (unit(random) < 0.3f) std::swap(hole[1], hole[2]);
        structure.push_back(static_cast<unsigned int>(faces.size()));
        faces.push_back(hole);
    }
    structure.push_back(Mesh::HOLES_END);
    return test::makeMesh(vertices, faces, structure);
}

TEST(MeshCleanupHolesTest, OctreeRouteDecidesExactlyLikeTheDirectCheck) {
    std::mt19937 random(7);
    unsigned long totalRemoved = 0;
    for (int round = 0; round < 24; ++round) {
        Mesh viaOctree = randomFaceWithHoles(random, round % 3);
        Mesh direct = viaOctree;
        unsigned long removedA = 0, invertedA = 0, removedB = 0, invertedB = 0;
        viaOctree.cleanupFaceHolesUsingOctree(removedA, invertedA, viaOctree.mFaces[0], 0, 60, false);
        direct.cleanupFaceHolesDirectly(removedB, invertedB, 0, false);
        EXPECT_EQ(removedA, removedB) << round;
        EXPECT_EQ(invertedA, invertedB) << round;
        for (std::size_t f = 0; f < direct.mFaces.size(); ++f)
            ASSERT_EQ(viaOctree.mFaces[f].vertexIndices, direct.mFaces[f].vertexIndices) << round;
        totalRemoved += removedA;
    }
    EXPECT_GT(totalRemoved, 240u);  // the property was exercised with both outcomes
    EXPECT_LT(totalRemoved, 1200u);
}

}  // namespace
}  // namespace util

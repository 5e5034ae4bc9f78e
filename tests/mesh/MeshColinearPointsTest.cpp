#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "mesh/Mesh.h"
#include "support/MeshBuilders.h"
#include "support/MeshInvariants.h"

namespace util {
namespace {

using test::Corners;
using test::V3;

unsigned long removeColinear(Mesh& mesh, float tolerance, bool checkUVs = false,
                             bool keepBorder = false) {
    return mesh.removeColinearPoints(tolerance, checkUVs, nullptr, keepBorder);
}

TEST(MeshRemoveColinearPointsTest, ExtraCornersOnASideGoWithTheirVertices) {
    // Corners 1 and 2 both lie on the lower side; the second is tested after the first is gone.
    Mesh mesh = test::makeMesh(
        {V3(0, 0, 0), V3(1, 0, 0), V3(2.5f, 0, 0), V3(3, 0, 0), V3(3, 1, 0), V3(0, 1, 0)},
        {{0, 1, 2, 3, 4, 5}});
    EXPECT_EQ(removeColinear(mesh, 0.01f), 2u);
    ASSERT_EQ(mesh.mFaces.size(), 1u);
    EXPECT_EQ(mesh.mFaces[0].vertexIndices, (Corners{0, 1, 2, 3}));
    EXPECT_EQ(mesh.mVertices,
              (std::vector<V3>{V3(0, 0, 0), V3(3, 0, 0), V3(3, 1, 0), V3(0, 1, 0)}));
    EXPECT_EQ(mesh.mFaces[0].faceNormal, V3(0, 0, 1));
    EXPECT_TRUE(test::isConsistent(mesh));
}

TEST(MeshRemoveColinearPointsTest, CornerGoesWhenItsAngleIsWithinTheTolerance) {
    float const radians = 1.0f / 57.29578f;  // the corner at the origin is 179 degrees
    std::vector<V3> const vertices{V3(-1, 0, 0), V3(0, 0, 0),
                                   V3(std::cos(radians), std::sin(radians), 0), V3(0, 5, 0)};
    std::vector<std::tuple<float, unsigned long>> const cases{{1.01f, 1}, {0.99f, 0}, {0.5f, 0}};
    for (auto const& [tolerance, count] : cases) {
        Mesh mesh = test::makeMesh(vertices, {{0, 1, 2, 3}});
        EXPECT_EQ(removeColinear(mesh, tolerance), count) << tolerance;
        EXPECT_EQ(mesh.mFaces[0].vertexIndices.size(), 4 - count) << tolerance;
    }
    // A corner of exactly 180 degrees is straight even with tolerance 0.
    Mesh straight =
        test::makeMesh({V3(-1, 0, 0), V3(0, 0, 0), V3(2, 0, 0), V3(0, 5, 0)}, {{0, 1, 2, 3}});
    EXPECT_EQ(removeColinear(straight, 0.0f), 1u);
}

TEST(MeshRemoveColinearPointsTest, TriangleWithAStraightCornerIsRemoved) {
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0), V3(0, 5, 0), V3(2, 5, 0)},
                               {{0, 1, 2}, {3, 0, 2, 4}});
    EXPECT_EQ(removeColinear(mesh, 0.01f), 1u);
    ASSERT_EQ(mesh.mFaces.size(), 1u);
    EXPECT_EQ(mesh.mVertices.size(), 4u);
    EXPECT_TRUE(test::isConsistent(mesh));
}

TEST(MeshRemoveColinearPointsTest, TJunctionsAndKeptBorderVerticesStay) {
    // Vertex 3 lies on the lower face's upper side and is a corner of both upper faces.
    std::vector<V3> const vertices{V3(0, -1, 0), V3(2, -1, 0), V3(2, 0, 0), V3(1, 0, 0),
                                   V3(0, 0, 0),  V3(1, 1, 0),  V3(0, 1, 0), V3(2, 1, 0)};
    Mesh junction = test::makeMesh(vertices, {{0, 1, 2, 3, 4}, {4, 3, 5, 6}, {3, 2, 7, 5}});
    EXPECT_EQ(removeColinear(junction, 10.0f), 0u);

    Mesh border = test::makeMesh(vertices, {{0, 1, 2, 3, 4}});
    EXPECT_EQ(removeColinear(border, 0.01f, false, true), 0u);
    EXPECT_EQ(removeColinear(border, 0.01f, false, false), 1u);
}

// Vertex 1 lies on the line between faces 0 (above) and 1 (below), which share its two edges.
TEST(MeshRemoveColinearPointsTest, WithUVsTheCornerGoesFromBothFacesOrFromNeither) {
    Mesh mesh = test::makeMesh({V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0), V3(2, 1, 0), V3(0, 1, 0),
                                V3(0, -1, 0), V3(2, -1, 0)},
                               {{0, 1, 2, 3, 4}, {0, 5, 6, 2, 1}});
    mesh.mTexCoords[0] = {{0, 0}, {0.5f, 0}, {1, 0}, {1, 1}, {0, 1}, {0, -1}, {1, -1}, {0.5f, 0}};
    mesh.mFaces[0].uvIndices[0] = {0, 1, 2, 3, 4};
    mesh.mFaces[1].uvIndices[0] = {0, 5, 6, 2, 7};
    Mesh mismatch = mesh;
    mesh.mTexCoords[0][7].u = 0.5009f;  // still an interpolation in face 1
    EXPECT_EQ(removeColinear(mesh, 0.01f, true), 2u);
    EXPECT_EQ(mesh.mFaces[0].vertexIndices.size(), 4u);
    EXPECT_EQ(mesh.mFaces[1].uvIndices[0], (Corners{0, 5, 6, 2}));
    EXPECT_EQ(mesh.mVertices.size(), 6u);
    EXPECT_TRUE(test::isConsistent(mesh));
    mismatch.mTexCoords[0][7].u = 0.5011f;
    EXPECT_EQ(removeColinear(mismatch, 0.01f, true), 0u);
    EXPECT_EQ(removeColinear(mismatch, 0.01f, false), 2u);
}

}  // namespace
}  // namespace util

#include "mesh/MeshUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "mesh/Polygon2d.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::V3;

std::vector<V3> const UNIT_SQUARE{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)};

TEST(MeshUtilsTest, NewellNormalFollowsTheRightHandRuleAndFallsBackToUp) {
    V3 normal;
    std::vector<unsigned int> indices{0, 1, 2, 3};
    EXPECT_TRUE(MeshUtils::calcPolyNormal(UNIT_SQUARE, &indices, normal));
    EXPECT_EQ(normal, V3(0, 0, 1));
    EXPECT_DOUBLE_EQ(MeshUtils::area(UNIT_SQUARE, indices, normal), 1.0);
    std::vector<unsigned int> reversed{3, 2, 1, 0};
    EXPECT_TRUE(MeshUtils::calcPolyNormal(UNIT_SQUARE, &reversed, normal));
    EXPECT_EQ(normal, V3(0, 0, -1));
    EXPECT_DOUBLE_EQ(MeshUtils::area(UNIT_SQUARE, reversed, normal), 1.0);
    EXPECT_TRUE(MeshUtils::calcPolyNormal(UNIT_SQUARE, nullptr, normal));  // all vertices
    EXPECT_EQ(normal, V3(0, 0, 1));
    // Degenerate polygons fall back to up.
    std::vector<V3> const line{V3(0, 0, 0), V3(1, 1, 1), V3(2, 2, 2)};
    EXPECT_FALSE(MeshUtils::calcPolyNormal(line, nullptr, normal));
    EXPECT_EQ(normal, V3(0, 1, 0));
    EXPECT_EQ(MeshUtils::area(UNIT_SQUARE, {}, V3(0, 0, 1)), 0.0);
}

// The shoelace sum over the corners copied into cyclically padded arrays: the plain form the
// rolling window must reproduce bit for bit.
double paddedArea(std::vector<V3> const& vertices, std::vector<unsigned int> const& indices,
                  V3 const& normal) {
    std::size_t const n = indices.size();
    int const dropped = std::fabs(normal.x) <= std::fabs(normal.y)
                            ? (std::fabs(normal.y) > std::fabs(normal.z) ? 1 : 2)
                            : (std::fabs(normal.x) > std::fabs(normal.z) ? 0 : 2);
    std::vector<double> a(n + 2), b(n + 2);
    for (std::size_t i = 0; i < n + 2; ++i) {
        V3 const& p = vertices[indices[i % n]];
        a[i] = p[(dropped + 1) % 3];
        b[i] = p[(dropped + 2) % 3];
    }
    double sum = 0.0;
    for (std::size_t i = 1; i <= n; ++i) sum += a[i] * (b[i + 1] - b[i - 1]);
    return std::fabs(0.5 * sum / static_cast<double>(normal[dropped]));
}

// Newell's sums with modulo arithmetic: the plain form of the normal.
bool plainNormal(std::vector<V3> const& vertices, std::vector<unsigned int> const& indices,
                 V3& normal) {
    std::size_t const n = indices.size();
    double x = 0.0, y = 0.0, z = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        V3 const& prev = vertices[indices[(i + n - 1) % n]];
        V3 const& cur = vertices[indices[i]];
        V3 const& next = vertices[indices[(i + 1) % n]];
        x += static_cast<double>(cur.y) * (static_cast<double>(next.z) - prev.z);
        y += static_cast<double>(cur.z) * (static_cast<double>(next.x) - prev.x);
        z += static_cast<double>(cur.x) * (static_cast<double>(next.y) - prev.y);
    }
    double const length = std::sqrt(x * x + y * y + z * z);
    if (n < 3 || !(length > static_cast<double>(1e-25f))) {
        normal = V3(0.0f, 1.0f, 0.0f);
        return false;
    }
    normal = V3(static_cast<float>(x / length), static_cast<float>(y / length),
                static_cast<float>(z / length));
    return true;
}

// Coordinates of widely spread magnitudes, so that any change in the order of the sums shows in
// the rounding; flat polygons included, whose zero components must keep the sign the plain sums
// give them.
TEST(MeshUtilsTest, AreaAndNormalEqualThePlainSumsBitForBit) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> mantissa(-1.0f, 1.0f);
    std::uniform_int_distribution<int> exponent(-12, 12);
    auto coordinate = [&] { return std::ldexp(mantissa(random), exponent(random)); };
    std::vector<V3> vertices;
    for (int i = 0; i < 64; ++i) {
        float const z = i < 32 ? coordinate() : 0.0f;
        vertices.emplace_back(coordinate(), coordinate(), z);
    }
    for (int trial = 0; trial < 4000; ++trial) {
        std::vector<unsigned int> indices(1 + trial % 12);
        unsigned int const base = trial % 2 == 0 ? 0 : 32;
        for (unsigned int& v : indices) v = base + static_cast<unsigned int>(random() % 32);
        V3 expectedNormal, normal;
        bool const expectedSet = plainNormal(vertices, indices, expectedNormal);
        ASSERT_EQ(MeshUtils::calcPolyNormal(vertices, &indices, normal), expectedSet) << trial;
        ASSERT_EQ(std::memcmp(&expectedNormal, &normal, sizeof(V3)), 0) << trial;
        double const expected = paddedArea(vertices, indices, normal);
        double const actual = MeshUtils::area(vertices, indices, normal);
        ASSERT_EQ(std::memcmp(&expected, &actual, sizeof(double)), 0) << trial;
    }
}

TEST(MeshUtilsTest, DominantAxisTiesGoToTheLowerAxis) {
    EXPECT_EQ(MeshUtils::dominantAxis(V3(1, 1, 1)), 0);
    EXPECT_EQ(MeshUtils::dominantAxis(V3(0.5f, -0.7f, 0.7f)), 1);
    EXPECT_EQ(MeshUtils::dominantAxis(V3(0, 0.7f, -0.71f)), 2);
    EXPECT_EQ(MeshUtils::project(V3(1, 2, 3), 0), Vector2<float>(3, 2));
    EXPECT_EQ(MeshUtils::project(V3(1, 2, 3), 1), Vector2<float>(1, 3));
    EXPECT_EQ(MeshUtils::project(V3(1, 2, 3), 2), Vector2<float>(1, 2));
}

TEST(Polygon2dTest, EvenOddRuleWithHalfOpenEdges) {
    std::vector<Vector2<float>> const square{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
    EXPECT_TRUE(Polygon2d::pointInside({1, 1}, square));
    EXPECT_FALSE(Polygon2d::pointInside({3, 1}, square));
    EXPECT_FALSE(Polygon2d::pointInside({1, 1}, {}));
    // A bow tie's crossing region is counted twice and so lies outside.
    std::vector<Vector2<float>> const star{{0, 0}, {4, 0}, {1, 3}, {2, -1}, {3, 3}};
    EXPECT_FALSE(Polygon2d::pointInside({2, 1}, star));
}

// Where holes lie inside or across their faces is checked by the hole cleanup; these are the
// cases it does not reach.
TEST(CoplanarPredicatesTest, CrossingEmptyAndTwoCornerFaces) {
    std::vector<V3> vertices;
    std::vector<Mesh::Polygon> faces{Mesh::Polygon(test::addSquare(vertices, 0, 0, 10, 10)),
                                     Mesh::Polygon(test::addSquare(vertices, 8, 8, 12, 12)),
                                     Mesh::Polygon()};
    for (auto& face : faces) face.faceNormal = V3(0, 0, 1);
    EXPECT_TRUE(MeshUtils::coplanarFacesHaveIntersectingEdges(vertices, faces[0], faces[1]));
    EXPECT_TRUE(MeshUtils::coplanarFacesHaveIntersectingEdges(vertices, faces[1], faces[0]));
    EXPECT_FALSE(MeshUtils::faceHasVertexInsideCoplanarFace(vertices, faces, 2, 0));
    EXPECT_FALSE(MeshUtils::faceHasVertexOutsideCoplanarFace(vertices, faces, 2, 0));
    EXPECT_TRUE(MeshUtils::faceHasVertexOutsideCoplanarFace(vertices, faces, 0, 2));
    Mesh::Polygon const segment({0, 2}, V3(0, 0, 1));
    EXPECT_FALSE(MeshUtils::coplanarFacesHaveIntersectingEdges(vertices, segment, faces[1]));
}

TEST(CoplanarPredicatesTest, SharedEdgesDoNotCrossAndXDominatedFacesProjectToZY) {
    std::vector<V3> vertices;
    Mesh::Polygon const left(test::addSquare(vertices, 0, 0, 1, 1), V3(0, 0, 1));
    Mesh::Polygon const right(test::addSquare(vertices, 1, 0, 2, 1), V3(0, 0, 1));
    Mesh::Polygon const apart(test::addSquare(vertices, 1.0009f, 0, 2, 1), V3(0, 0, 1));
    EXPECT_FALSE(MeshUtils::coplanarFacesHaveIntersectingEdges(vertices, left, right));
    EXPECT_TRUE(MeshUtils::facesHaveIdenticalVertices(vertices, left, right));
    EXPECT_FALSE(MeshUtils::facesHaveIdenticalVertices(vertices, left, apart));
    // A square in the plane x = 5 is tested with z and y only.
    std::vector<V3> const side{V3(5, 0, 0), V3(5, 0, 2), V3(5, 2, 2), V3(5, 2, 0)};
    Mesh::Polygon const face({0, 1, 2, 3}, V3(1, 0, 0));
    EXPECT_TRUE(MeshUtils::coplanarVertexIsInsideFace(side, face, V3(99, 1, 1)));
    EXPECT_FALSE(MeshUtils::coplanarVertexIsInsideFace(side, face, V3(5, 1, 3)));
}

}  // namespace
}  // namespace util

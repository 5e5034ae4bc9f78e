#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "intersection/TriIntersector.h"

// Hand-built triangle meshes under the identity view, so that device and world coordinates
// agree and the visible volume is [-1, 1]^3. Rays come from z = 10 straight down: the depth of a
// point is 10 - z.
namespace util {
namespace {
using V3 = Vector3<float>;
using Indices = std::vector<unsigned int>;
using GeometryEntry = TriIntersector::GeometryEntry;

std::shared_ptr<TriangleMesh> triMesh(std::vector<V3> const& vertices, Indices const& triangles,
                                      Indices const& lines) {
    return std::make_shared<TriangleMesh>(new TriangleMesh::Positions(vertices), nullptr, nullptr,
                                          new Indices(triangles), new Indices(lines));
}

// A quad (0, 1, 2, 3) split along the diagonal 0-2, which is not one of its edges.
std::shared_ptr<TriangleMesh> quad(float x0, float y0, float x1, float y1, float z = 0) {
    return triMesh({V3(x0, y0, z), V3(x1, y0, z), V3(x1, y1, z), V3(x0, y1, z)}, {0, 1, 2, 0, 2, 3},
                   {0, 1, 1, 2, 2, 3, 3, 0});
}

std::unique_ptr<GeometryEntry> entryOf(std::shared_ptr<TriangleMesh> mesh,
                                       std::vector<Matrix<float>> const& trafo = {}) {
    return std::make_unique<GeometryEntry>(std::move(mesh), trafo);
}

struct Snap {
    signed char kind = 0;
    V3 point, corner0, corner1, corner2;
};

template <typename Snappable>
Snap snapDown(Snappable const& target, float x, float y, float z = 10) {
    Snap s;
    s.kind = target.snap(Matrix<float>(), V3(x, y, z), V3(0, 0, -1), s.point, s.corner0, s.corner1,
                         s.corner2);
    return s;
}

void expectVec(V3 const& actual, V3 const& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

TEST(TriIntersectorSnapTest, EachRuleOnAHandBuiltScene) {
    std::vector<V3> const missed{V3(0.6f, 0, 0), V3(0.5f, 0, 0.5f), V3(0.5f, 0.1f, -0.5f)};
    std::vector<V3> const clamped{V3(-5, 0.5f, 0), V3(1.5f, 0.5f, 0), V3(0, 5, 0)};
    auto const unlisted = triMesh({V3(2, 0, 0), V3(3, 0, 0), V3(-3, 5, 0)}, {0, 1, 2}, {0, 1});
    std::vector<V3> const later{V3(-5, -5, 0),     V3(5, -5, 0),          V3(0, 5, 0),
                                V3(0.5f, 0.5f, 0), V3(0.6f, 0.5f, -0.3f), V3(0.5f, 0.6f, -0.3f)};
    struct Case {
        char const* rule;
        std::shared_ptr<TriangleMesh> mesh;
        float x, y;
        signed char kind;
        V3 point, c0, c1, c2;
        float z = 10;
    };
    Case const cases[] = {
        // Corners and edges far outside the view; the diagonal crosses it but is no edge.
        {"face", quad(-5, -5, 5, 5), 0.01f, 0.0f, 3, V3(0.01f, 0, 0), V3(-5, -5, 0), V3(5, -5, 0),
         V3(5, 5, 0)},
        // All corners lie at the face's depth: the hit triangle's first corner takes over, and
        // the corners of the next triangle at that depth only claim it, so its edges stay out.
        {"corner of the hit triangle", quad(-0.5f, -0.5f, 0.5f, 0.5f), 0.2f, -0.1f, 1,
         V3(-0.5f, -0.5f, 0), V3(-0.5f, -0.5f, 0), V3(0.5f, -0.5f, 0), V3(0.5f, 0.5f, 0)},
        {"edge of the hit triangle", quad(-5, -0.5f, 5, 0.5f), 0.2f, -0.2f, 2, V3(0.2f, -0.5f, 0),
         V3(-5, -0.5f, 0), V3(5, -0.5f, 0), V3(5, 0.5f, 0)},
        // Depths 10, 9.5, 10.5: the second corner wins and comes first.
        {"nearest corner of a missed triangle", triMesh(missed, {0, 1, 2}, {}), -0.5f, -0.5f, -1,
         missed[1], missed[1], missed[2], missed[0]},
        // Only edge 0-1 crosses the view; the ray passes beyond its end at x = 1.5.
        {"edge of a missed triangle, clamped", triMesh(clamped, {0, 1, 2}, {0, 1, 1, 2, 2, 0}), 2,
         0, -2, V3(1.5f, 0.5f, 0), clamped[0], clamped[1], clamped[2]},
        // Triangle 0 is hit (previous becomes the maximum float); triangle 1's first corner
        // matches the best depth and claims the snap for triangle 1, whose deeper second corner
        // then takes it.
        {"previous carries over", triMesh(later, {0, 1, 2, 3, 4, 5}, {}), 0.1f, 0.1f, -1, later[4],
         later[4], later[5], later[3]},
        {"face behind the origin", quad(-5, -5, 5, 5), 0.1f, -0.2f, 3, V3(0.1f, -0.2f, 0),
         V3(-5, -5, 0), V3(5, -5, 0), V3(5, 5, 0), -10},
        // Edge 0-1 lies on the view's line y = 0 but beyond x = 1; edge 1-2 crosses the view but
        // is not listed. The face is missed.
        {"edges outside the view or not listed", unlisted, -0.5f, -2, 0, {}, {}, {}, {}},
        {"device box beside the view", quad(2, -1, 3, 1), 2.5f, 0, 0, {}, {}, {}, {}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.rule);
        Snap const s = snapDown(*entryOf(c.mesh), c.x, c.y, c.z);
        EXPECT_EQ(s.kind, c.kind);
        if (s.kind == 0) continue;
        expectVec(s.point, c.point);
        expectVec(s.corner0, c.c0);
        expectVec(s.corner1, c.c1);
        expectVec(s.corner2, c.c2);
    }
}

TEST(TriIntersectorGroupSnapTest, NearerSnappedPointWinsAndTiesKeepTheEarlierEntry) {
    TriIntersector::Entry group;
    group.addGeometryEntry(entryOf(quad(-5, -5, 5, 5)));  // face at depth 10
    std::vector<V3> const corners{V3(0.5f, 0.5f, 0), V3(0.6f, 0.5f, 0), V3(0.5f, 0.6f, 0)};
    group.addGeometryEntry(entryOf(triMesh(corners, {0, 1, 2}, {})));  // corner at depth 10
    EXPECT_EQ(snapDown(group, 0.1f, 0.05f).kind, 3);

    TriIntersector::Entry reversed;
    reversed.addGeometryEntry(entryOf(triMesh(corners, {0, 1, 2}, {})));
    reversed.addGeometryEntry(entryOf(quad(-5, -5, 5, 5)));
    EXPECT_EQ(snapDown(reversed, 0.1f, 0.05f).kind, -1);

    group.addGeometryEntry(entryOf(triMesh(
        {V3(0.7f, 0.7f, 0.2f), V3(0.8f, 0.7f, 0.2f), V3(0.7f, 0.8f, 0.2f)}, {0, 1, 2}, {})));
    Snap const nearer = snapDown(group, 0.1f, 0.05f);
    EXPECT_EQ(nearer.kind, -1);
    expectVec(nearer.point, V3(0.7f, 0.7f, 0.2f));
}

// A bounding mesh outside the view rejects the group; one fully inside accepts it as fully
// inside; one partly inside leaves the decision to the entries.
TEST(TriIntersectorGroupTest, BoundingMeshDecidesWhenItCan) {
    TriIntersector::Entry group;
    group.addGeometryEntry(entryOf(quad(-0.5f, -0.5f, 0.5f, 0.5f)));
    EXPECT_TRUE(group.intersects(Matrix<float>(), true));
    group.setBoundingMesh(quad(3, 3, 4, 4));
    EXPECT_EQ(snapDown(group, 0, 0).kind, 0);
    EXPECT_FALSE(group.intersects(Matrix<float>(), false));
    group.setBoundingMesh(quad(-2, -2, 2, 2));
    EXPECT_EQ(snapDown(group, 0.2f, -0.1f).kind, 1);
    EXPECT_TRUE(group.intersects(Matrix<float>(), false));

    TriIntersector::Entry outside;
    outside.addGeometryEntry(entryOf(quad(5, 5, 6, 6)));
    outside.setBoundingMesh(quad(-0.5f, -0.5f, 0.5f, 0.5f));
    EXPECT_TRUE(outside.intersects(Matrix<float>(), true));
    outside.setBoundingMesh(quad(-0.5f, -0.5f, 1.5f, 0.5f));
    EXPECT_FALSE(outside.intersects(Matrix<float>(), true));
}

TEST(TriIntersectorGroupTest, ViewTestsUseTheEntryMatrixAndDivideByW) {
    TriIntersector::Entry group;
    group.addGeometryEntry(
        entryOf(quad(-0.5f, -0.5f, 0.5f, 0.5f), {Matrix<float>::translation(3, 0, 0)}));
    EXPECT_FALSE(group.intersects(Matrix<float>(), false));
    Matrix<float> shrinking;
    shrinking[15] = -4;  // |w| = 4 brings x in [2.5, 3.5] into the view
    EXPECT_TRUE(group.intersects(shrinking, false));
    EXPECT_TRUE(group.intersects(shrinking, true));
}

TEST(TriIntersectorGroupTest, NearestNonNegativeDistanceWithItsNormal) {
    TriIntersector::Entry group;
    V3 normal(7, 7, 7);
    float distance = 0;
    EXPECT_FALSE(group.getSmallesPosDistance(V3(0, 0, 10), V3(0, 0, -1), distance, normal));
    EXPECT_EQ(distance, 3.4028235e38f);
    expectVec(normal, V3(7, 7, 7));

    group.addGeometryEntry(entryOf(quad(-1, -1, 1, 1, 2)));
    group.addGeometryEntry(entryOf(quad(-1, -1, 1, 1), {Matrix<float>::translation(0, 0, 4)}));
    group.addGeometryEntry(entryOf(quad(-1, -1, 1, 1, 20)));  // behind the origin
    ASSERT_TRUE(group.getSmallesPosDistance(V3(0.2f, 0.1f, 10), V3(0, 0, -2), distance, normal));
    EXPECT_FLOAT_EQ(distance, 3.0f);  // z = 4, in multiples of the direction
    expectVec(normal, V3(0, 0, 1));
}

TEST(TriIntersectorGroupTest, RelocationMovesOwnedPositionsAndComposesMatrices) {
    TriIntersector::Entry group;
    std::shared_ptr<TriangleMesh> const box = quad(-1, -1, 1, 1);
    std::shared_ptr<TriangleMesh> const owned = quad(0, 0, 1, 1);
    Matrix<float> mirror = Matrix<float>::scaling(-1, 1, 1);
    mirror[12] = 2;
    group.setBoundingMesh(box);
    group.addGeometryEntry(entryOf(owned));
    group.addGeometryEntry(entryOf(quad(0, 0, 1, 1), {mirror}));
    group.relocate(0.5, -1, 5);
    expectVec((*box->getVertices())[0], V3(-0.5f, -2, 5));
    expectVec((*owned->getVertices())[2], V3(1.5f, 0, 5));
    Matrix<float> const& moved = group.getGeometryEntries()[1]->getTrafo().front();
    expectVec(moved.transformPoint(V3(1, 1, 0)), V3(1.5f, 0, 5));  // x: -1 + 2 + 0.5
    EXPECT_EQ(moved[0], -1.0f);
}

}  // namespace
}  // namespace util

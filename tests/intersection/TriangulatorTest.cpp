#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "intersection/TriangleMesh.h"
#include "intersection/Triangulator.h"

namespace util {
namespace {
// Flat meshes in the z = 0 plane: outlines run counter-clockwise (normal +z), holes clockwise
// (normal -z).
using Points = std::vector<Vector3<float>>;

Mesh::Polygon flatFace(std::vector<unsigned int> const& corners, float normalZ = 1.0f) {
    return Mesh::Polygon(corners, Vector3<float>(0.0f, 0.0f, normalZ));
}

Mesh flatMesh(Points const& vertices, std::vector<Mesh::Polygon> const& faces,
              std::vector<unsigned int> const& holes = {}) {
    return Mesh("test", vertices, faces, holes);
}

// Appends an axis-aligned square, counter-clockwise unless asHole; returns its corner indices.
std::vector<unsigned int> addFlatSquare(Points& vertices, float x0, float y0, float size,
                                        bool asHole = false) {
    auto const first = static_cast<unsigned int>(vertices.size());
    float const x1 = x0 + size, y1 = y0 + size;
    vertices.insert(vertices.end(), {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}});
    if (asHole) return {first, first + 3, first + 2, first + 1};
    return {first, first + 1, first + 2, first + 3};
}

// Expects every triangle to face +z (fans and strips must come out in one orientation; flat
// ones may appear where corners are collinear) and to cover `area` in total.
void expectFaceUpWithArea(TriangleMesh const& mesh, double area) {
    Points const& v = *mesh.getVertices();
    std::vector<unsigned int> const& t = *mesh.getTriangles();
    double sum = 0;
    for (std::size_t k = 0; k + 2 < t.size(); k += 3) {
        Vector3<float> const &a = v.at(t[k]), &b = v.at(t[k + 1]), &c = v.at(t[k + 2]);
        double const doubleArea =
            (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
        EXPECT_GE(doubleArea, 0) << "triangle " << k / 3;
        sum += doubleArea;
    }
    EXPECT_NEAR(sum / 2, area, 1e-4);
}

class TriangulatorTest : public ::testing::Test {
protected:
    std::unique_ptr<TriangleMesh> triangulate(Mesh const& mesh,
                                              Triangulator::Mode mode = Triangulator::TRIANGLES) {
        return std::unique_ptr<TriangleMesh>(
            mTriangulator.triangulateVerticesOnly(mesh, new Points(mesh.mVertices), mode));
    }

    Triangulator mTriangulator;
};

Mesh starMesh(unsigned int points, unsigned int step) {
    Points vertices;
    std::vector<unsigned int> corners;
    for (unsigned int k = 0; k < points; ++k) {
        double const angle = 2.0 * M_PI * k * step / points;
        vertices.emplace_back(float(10 * std::cos(angle)), float(10 * std::sin(angle)), 0.0f);
        corners.push_back(k);
    }
    return flatMesh(vertices, {flatFace(corners)});
}

Mesh bowTie() {
    return flatMesh({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, {flatFace({0, 1, 2, 3})});
}

TEST_F(TriangulatorTest, TrianglesPassThroughAndShortFacesAreSkipped) {
    // Face 0 is a triangle listing face 1 as its hole: the hole is ignored and emits nothing.
    Points const vertices{{0, 0, 0}, {4, 0, 0}, {0, 4, 0}, {1, 1, 0}, {1, 2, 0}, {2, 1, 0}};
    Mesh const mesh =
        flatMesh(vertices, {flatFace({2, 0, 1}), flatFace({3, 4, 5}, -1), flatFace({0, 1})},
                 {0, 1, Mesh::HOLES_END});
    std::unique_ptr<TriangleMesh> const result = triangulate(mesh);
    EXPECT_EQ(*result->getTriangles(), (std::vector<unsigned int>{2, 0, 1}));
    EXPECT_EQ(result->getVertexCount(), 6u);
}

TEST_F(TriangulatorTest, SquareWithSquareHoleCoversExactlyTheRing) {
    Points vertices;
    std::vector<unsigned int> const outer = addFlatSquare(vertices, 0, 0, 4);
    std::vector<unsigned int> const hole = addFlatSquare(vertices, 1, 1, 2, true);
    Mesh const mesh =
        flatMesh(vertices, {flatFace(outer), flatFace(hole, -1)}, {0, 1, Mesh::HOLES_END});
    std::unique_ptr<TriangleMesh> const result = triangulate(mesh);
    EXPECT_EQ(result->getTriangleCount(), 8u);
    EXPECT_EQ(result->getVertexCount(), 8u);
    expectFaceUpWithArea(*result, 16.0 - 4.0);
}

TEST_F(TriangulatorTest, BowTieGetsItsCrossingAppendedAfterTheMeshVertices) {
    std::unique_ptr<TriangleMesh> const result = triangulate(bowTie());
    ASSERT_EQ(result->getVertexCount(), 5u);
    Vector3<float> const& crossing = (*result->getVertices())[4];
    EXPECT_NEAR(crossing.x, 0.5f, 1e-6);
    EXPECT_NEAR(crossing.y, 0.5f, 1e-6);
    std::vector<unsigned int> const& t = *result->getTriangles();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(std::count(t.begin(), t.end(), 4u), 2);
    expectFaceUpWithArea(*result, 0.5);
}

// The holes of a later face, several of them, each subtracted once.
TEST_F(TriangulatorTest, ManyHolesOfALaterFaceKeepItsArea) {
    Points vertices;
    std::vector<Mesh::Polygon> faces{flatFace(addFlatSquare(vertices, -2, 0, 1)),
                                     flatFace(addFlatSquare(vertices, 20, 0, 10))};
    std::vector<unsigned int> holes{1};
    for (float i = 0; i < 4; ++i) {
        for (float j = 0; j < 4; ++j) {
            holes.push_back(static_cast<unsigned int>(faces.size()));
            faces.push_back(flatFace(addFlatSquare(vertices, 21 + 2 * i, 1 + 2 * j, 1, true), -1));
        }
    }
    holes.push_back(Mesh::HOLES_END);
    std::unique_ptr<TriangleMesh> const result = triangulate(flatMesh(vertices, faces, holes));
    expectFaceUpWithArea(*result, 1.0 + 100.0 - 16.0);
    EXPECT_EQ(result->getVertexCount(), vertices.size());
}

TEST_F(TriangulatorTest, EdgesModeListsEveryMeshEdgeOnceInKeyOrder) {
    // A quad and a triangle sharing the edge 1-2.
    Points const vertices{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0.5f, 0}};
    Mesh const mesh = flatMesh(vertices, {flatFace({0, 1, 2, 3}), flatFace({1, 4, 2})});
    std::unique_ptr<TriangleMesh> const result =
        triangulate(mesh, Triangulator::TRIANGLES_AND_EDGES);
    ASSERT_NE(result->getLines(), nullptr);
    EXPECT_EQ(*result->getLines(), (std::vector<unsigned int>{0, 1, 1, 2, 0, 3, 2, 3, 1, 4, 2, 4}));
    EXPECT_EQ(result->getTriangleCount(), 3u);
}

TEST_F(TriangulatorTest, CombineLimitThrowsAndTheTriangulatorRecovers) {
    Mesh const star = starMesh(101, 7);  // 606 crossings
    try {
        triangulate(star);
        FAIL() << "no exception";
    } catch (std::runtime_error const& e) {
        EXPECT_STREQ(e.what(), "Triangulator: not enough space for combined vertices!");
    }
    EXPECT_EQ(triangulate(bowTie())->getVertexCount(), 5u);
    EXPECT_EQ(triangulate(starMesh(11, 3))->getVertexCount(), 11u + 22u);  // 22 crossings fit
}

}  // namespace
}  // namespace util

#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "intersection/TriangleMesh.h"
#include "mesh/Mesh.h"

// Flat meshes in the z = 0 plane for the triangulation tests: outlines run counter-clockwise
// (normal +z), holes clockwise (normal -z).
namespace util::test {

using Points = std::vector<Vector3<float>>;

inline Mesh::Polygon flatFace(std::vector<unsigned int> const& corners, float normalZ = 1.0f) {
    return Mesh::Polygon(corners, Vector3<float>(0.0f, 0.0f, normalZ));
}

inline Mesh flatMesh(Points const& vertices, std::vector<Mesh::Polygon> const& faces,
                     std::vector<unsigned int> const& holes = {}) {
    return Mesh("test", vertices, faces, holes);
}

// Appends an axis-aligned square, counter-clockwise unless asHole; returns its corner indices.
inline std::vector<unsigned int> addFlatSquare(Points& vertices, float x0, float y0, float size,
                                               bool asHole = false) {
    auto const first = static_cast<unsigned int>(vertices.size());
    vertices.insert(
        vertices.end(),
        {{x0, y0, 0}, {x0 + size, y0, 0}, {x0 + size, y0 + size, 0}, {x0, y0 + size, 0}});
    if (asHole) return {first, first + 3, first + 2, first + 1};
    return {first, first + 1, first + 2, first + 3};
}

// z of (b - a) x (c - a) for triangle k: twice its signed area seen from +z.
inline double signedDoubleArea(TriangleMesh const& mesh, std::size_t k) {
    Points const& v = *mesh.getVertices();
    std::vector<unsigned int> const& t = *mesh.getTriangles();
    Vector3<float> const& a = v.at(t[3 * k]);
    Vector3<float> const& b = v.at(t[3 * k + 1]);
    Vector3<float> const& c = v.at(t[3 * k + 2]);
    return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(c.x) - a.x) * (double(b.y) - a.y);
}

// Expects every triangle to face +z (fans and strips must come out in one orientation; flat
// ones may appear where corners are collinear) and to cover `area` in total.
inline void expectFaceUpWithArea(TriangleMesh const& mesh, double area) {
    double sum = 0;
    for (std::size_t k = 0; k < mesh.getTriangleCount(); ++k) {
        double const doubleArea = signedDoubleArea(mesh, k);
        EXPECT_GE(doubleArea, 0) << "triangle " << k;
        sum += doubleArea;
    }
    EXPECT_NEAR(sum / 2, area, 1e-4);
}

}  // namespace util::test

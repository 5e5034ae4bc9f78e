#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mesh/MeshUtils.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;

Matrix<float> const IDENTITY;

V3 normalOf(Mesh const& mesh, std::size_t face) {
    V3 n;
    MeshUtils::calcPolyNormal(mesh.mVertices, &mesh.mFaces[face].vertexIndices, n);
    return n;
}

// Every face's winding points away from center, and its stored normal agrees.
void expectOutward(Mesh const& mesh, V3 const& center) {
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        V3 const corner = mesh.mVertices[mesh.mFaces[f].vertexIndices[0]];
        EXPECT_GT(normalOf(mesh, f).dot(corner - center), 0.0f) << "face " << f;
        EXPECT_EQ(mesh.mFaces[f].faceNormal, normalOf(mesh, f)) << "face " << f;
    }
}

// The cube of makeCube, shifted and with the given faces wound inward.
Mesh cube(V3 const& offset, std::vector<std::size_t> const& inward) {
    Mesh mesh = test::makeCube();
    for (V3& v : mesh.mVertices) v += offset;
    for (std::size_t const f : inward) mesh.mFaces[f].invert();
    return mesh;
}

TEST(MeshConformNormalsTest, ClosedCubesEndUpFacingOutward) {
    Mesh oneWrong = cube(V3(0, 0, 0), {3});
    oneWrong.conformNormals(IDENTITY);
    expectOutward(oneWrong, V3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(oneWrong.mFaces[0].vertexIndices, (Corners{0, 3, 2, 1}));  // untouched

    Mesh inward = cube(V3(0, 0, 0), {0, 1, 2, 3, 4, 5});
    inward.conformNormals(IDENTITY);
    expectOutward(inward, V3(0.5f, 0.5f, 0.5f));
}

TEST(MeshConformNormalsTest, SeparateCubesAreTurnedSeparately) {
    Mesh mesh = cube(V3(0, 0, 0), {});
    Mesh const inward = cube(V3(5, 0, 0), {0, 1, 2, 3, 4, 5});
    for (Mesh::Polygon face : inward.mFaces) {
        for (unsigned int& v : face.vertexIndices) v += 8;
        mesh.mFaces.push_back(face);
    }
    mesh.mVertices.insert(mesh.mVertices.end(), inward.mVertices.begin(), inward.mVertices.end());
    Mesh::OrientationReport const report = mesh.getOrientationReport(IDENTITY);
    EXPECT_EQ(report.turnedFaces, 6u);
    EXPECT_EQ(report.components, 2u);
    EXPECT_EQ(report.openComponents, 0u);
    mesh.conformNormals(IDENTITY);
    Mesh const outward = test::makeCube();
    for (std::size_t f = 0; f < 12; ++f) {
        Corners expected = outward.mFaces[f % 6].vertexIndices;
        for (unsigned int& v : expected) v += f < 6 ? 0 : 8;
        Corners actual = mesh.mFaces[f].vertexIndices;
        std::rotate(actual.begin(), std::find(actual.begin(), actual.end(), expected[0]),
                    actual.end());
        EXPECT_EQ(actual, expected) << "face " << f;
    }
}

TEST(MeshConformNormalsTest, OpenFacesTurnAwayFromAPointBelowThem) {
    // A horizontal square facing down, with a hole facing up; judged as it is and turned over.
    Mesh const flat = test::makeFaceWithHoles({{2, 2, 4, 4}});
    Mesh mesh = flat;
    for (V3& v : mesh.mVertices) v = V3(v.x, 0, v.y);  // a mirror: the face now faces -y
    mesh.calcFaceNormals();
    EXPECT_EQ(mesh.getOrientationReport(Matrix<float>::scaling(1, -1, -1)).turnedFaces, 0u);
    Mesh::OrientationReport const report = mesh.getOrientationReport(IDENTITY);
    EXPECT_EQ(report.turnedFaces, 2u);
    EXPECT_EQ(report.components, 1u);  // the hole goes with its face
    EXPECT_EQ(report.openComponents, 1u);
    mesh.conformNormals(IDENTITY);
    EXPECT_EQ(mesh.mFaces[0].faceNormal, V3(0, 1, 0));
    EXPECT_EQ(mesh.mFaces[1].faceNormal, V3(0, -1, 0));
}

TEST(MeshConformNormalsTest, FacesMeetingAtAThreeFaceEdgeAreSeparateComponents) {
    // Three fins on the edge 0-1, each wound its own way.
    Mesh const fins =
        test::makeMesh({V3(0, 0, 0), V3(0, 0, 1), V3(1, 0, 0), V3(-1, 0, 0), V3(0, 1, 0)},
                       {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    Mesh::OrientationReport const report = fins.getOrientationReport(IDENTITY);
    EXPECT_EQ(report.components, 3u);
    EXPECT_EQ(report.openComponents, 3u);
}

TEST(MeshConformNormalsTest, TurnedCornersKeepTheirUVsAndNormalsAreDropped) {
    Mesh mesh = cube(V3(0, 0, 0), {1});
    mesh.mNormals.assign(8, V3(0, 0, 1));
    for (Mesh::Polygon& face : mesh.mFaces) face.normalIndices = face.vertexIndices;
    mesh.mTexCoords[4].assign(24, MeshBase::TexCoord{0, 0});
    for (std::size_t f = 0; f < 6; ++f)
        for (unsigned int k = 0; k < 4; ++k) mesh.mFaces[f].uvIndices[4].push_back(4 * f + k);
    Corners const before = mesh.mFaces[1].vertexIndices;
    mesh.conformNormals(IDENTITY);
    EXPECT_TRUE(mesh.mNormals.empty());
    for (Mesh::Polygon const& face : mesh.mFaces) EXPECT_TRUE(face.normalIndices.empty());
    Mesh::Polygon const& turned = mesh.mFaces[1];
    EXPECT_EQ(turned.vertexIndices, (Corners{before[1], before[0], before[3], before[2]}));
    EXPECT_EQ(turned.uvIndices[4], (Corners{5, 4, 7, 6}));
    EXPECT_EQ(mesh.mFaces[0].uvIndices[4], (Corners{0, 1, 2, 3}));
}

}  // namespace
}  // namespace util

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <tuple>
#include <vector>

#include "mesh/EdgeTable.h"
#include "mesh/HoleRelation.h"
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

// The cube of makeCube with the given faces wound inward.
Mesh cube(std::vector<std::size_t> const& inward) {
    Mesh mesh = test::makeCube();
    for (std::size_t const f : inward) mesh.mFaces[f].invert();
    return mesh;
}

TEST(MeshConformNormalsTest, ClosedCubesEndUpFacingOutward) {
    Mesh oneWrong = cube({3});
    oneWrong.conformNormals(IDENTITY);
    expectOutward(oneWrong, V3(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(oneWrong.mFaces[0].vertexIndices, (Corners{0, 3, 2, 1}));  // untouched

    Mesh inward = cube({0, 1, 2, 3, 4, 5});
    inward.conformNormals(IDENTITY);
    expectOutward(inward, V3(0.5f, 0.5f, 0.5f));
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

TEST(MeshConformNormalsTest, TurnedCornersKeepTheirUVsAndNormalsAreDropped) {
    Mesh mesh = cube({1});
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

// The walk as first written, with the identity: edges looked up in the edge table, the
// direction found by scanning the neighbour's corners, volumes from the faces' own lists.
std::vector<bool> plainTurns(Mesh const& mesh, Mesh::OrientationReport& report) {
    detail::EdgeTable const table(mesh.mFaces, mesh.mVertices.size());
    HoleRelation const holes(mesh.mHoles);
    auto runsAlong = [&](unsigned int g, unsigned int a, unsigned int b) {
        Corners const& c = mesh.mFaces[g].vertexIndices;
        for (std::size_t j = 0; j < c.size(); ++j)
            if (c[j] == a && c[(j + 1) % c.size()] == b) return true;
        return false;
    };
    // One below the middle of the lower side of the vertices' extent.
    auto reference = [&mesh](Corners const& vertices) {
        V3 lo(3.4028235e38f, 3.4028235e38f, 3.4028235e38f), hi = -lo;
        for (unsigned int const v : vertices)
            for (int i = 0; i < 3; ++i)
                lo[i] = std::min(lo[i], mesh.mVertices[v][i]),
                hi[i] = std::max(hi[i], mesh.mVertices[v][i]);
        return V3((hi.x - lo.x) * 0.5f + lo.x, lo.y - 1.0f, (hi.z - lo.z) * 0.5f + lo.z);
    };
    Corners everyVertex(mesh.mVertices.size());
    std::iota(everyVertex.begin(), everyVertex.end(), 0u);
    std::vector<int> state(mesh.mFaces.size(), 0);
    std::vector<bool> turns(mesh.mFaces.size(), false);
    for (unsigned int start = 0; start < mesh.mFaces.size(); ++start) {
        if (state[start] != 0 || mesh.mFaces[start].vertexIndices.empty()) continue;
        std::vector<unsigned int> component{start};
        state[start] = 1;
        auto visit = [&](unsigned int g, int s) {
            if (state[g] == 0) state[g] = s, component.push_back(g);
        };
        bool open = false;
        Corners used;
        for (std::size_t next = 0; next < component.size(); ++next) {
            unsigned int const f = component[next];
            Corners const& c = mesh.mFaces[f].vertexIndices;
            used.insert(used.end(), c.begin(), c.end());
            for (std::size_t i = 0; i < c.size(); ++i) {
                unsigned int const a = c[i], b = c[(i + 1) % c.size()];
                detail::EdgeTable::Range const users = table.faces(table.findEdge(a, b));
                open = open || users.size() == 1;
                if (users.size() == 2)
                    for (unsigned int const g : users)
                        visit(g, runsAlong(g, a, b) ? 3 - state[f] : state[f]);
            }
            if (holes.mHoleToFace.count(f) != 0) visit(holes.mHoleToFace.at(f), state[f]);
            if (holes.mFaceToHoles.count(f) != 0)
                for (unsigned int const hole : holes.mFaceToHoles.at(f)) visit(hole, state[f]);
        }
        V3 const c = reference(component.size() == 1 ? everyVertex : used);
        double sum = 0.0;
        for (unsigned int const f : component) {
            if (holes.mHoleToFace.count(f) != 0) continue;
            Corners const& corners = mesh.mFaces[f].vertexIndices;
            V3 const n = normalOf(mesh, f);
            double const part = MeshUtils::area(mesh.mVertices, corners, n) *
                                static_cast<double>((mesh.mVertices[corners[0]] - c).dot(n));
            sum += state[f] == 1 ? part : -part;
        }
        int const turned = sum > 0.0 ? 2 : 1;
        for (unsigned int const f : component) {
            turns[f] = state[f] == turned;
            report.turnedFaces += turns[f] ? 1 : 0;
        }
        ++report.components;
        report.openComponents += open ? 1 : 0;
    }
    return turns;
}

// Small random meshes repeat corners and edges, so border, three-face and self-touching edges,
// faces using an edge twice and several components, each turned on its own, all occur; now
// and then with a hole.
TEST(MeshConformNormalsTest, TurnsWhatTheWalkOverTheEdgeTableTurns) {
    std::mt19937 random(3);
    auto below = [&random](unsigned int n) { return static_cast<unsigned int>(random() % n); };
    for (int round = 0; round < 600; ++round) {
        unsigned int const vertexCount = 3 + below(8);
        std::vector<V3> vertices;
        for (unsigned int v = 0; v < vertexCount; ++v)
            vertices.emplace_back(float(below(5)), float(below(5)), float(below(5)));
        std::vector<Corners> faces(1 + below(12));
        for (Corners& face : faces) {
            face.resize(3 + below(2));
            for (unsigned int& corner : face) corner = below(vertexCount);
        }
        std::vector<unsigned int> holes;
        if (faces.size() >= 3 && below(4) == 0) holes = {0, 2, Mesh::HOLES_END};
        Mesh mesh = test::makeMesh(vertices, faces, holes);
        Mesh::OrientationReport expected;
        std::vector<bool> const turns = plainTurns(mesh, expected);
        Mesh::OrientationReport const report = mesh.getOrientationReport(IDENTITY);
        ASSERT_EQ(std::tie(report.turnedFaces, report.components, report.openComponents),
                  std::tie(expected.turnedFaces, expected.components, expected.openComponents))
            << round;
        Mesh plain = mesh;
        for (std::size_t f = 0; f < turns.size(); ++f)
            if (turns[f]) plain.mFaces[f].invert();
        mesh.conformNormals(IDENTITY);
        for (std::size_t f = 0; f < faces.size(); ++f)
            ASSERT_EQ(mesh.mFaces[f].vertexIndices, plain.mFaces[f].vertexIndices) << round;
    }
}

}  // namespace
}  // namespace util

// Triangulation through util::Triangulator against driving GLU directly on the same polygons:
// the cost of the tessellator library's safety layer and of the triangulator's bookkeeping.
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <deque>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "intersection/Triangulator.h"
#include "mesh/Mesh.h"

namespace {

using util::Mesh;
using Points = std::vector<util::Vector3<float>>;

constexpr unsigned int POLYGON_COUNT = 100000;

// Star-shaped polygons of 4 to 64 corners side by side in the z = 0 plane; every fifth has a
// regular hole of 4 to 16 corners.
std::unique_ptr<Mesh> makePolygons(unsigned int count) {
    std::mt19937 random(12345);
    std::uniform_int_distribution<unsigned int> corners(4, 64);
    std::uniform_int_distribution<unsigned int> holeCorners(4, 16);
    std::uniform_real_distribution<float> radius(0.6f, 1.0f);
    Points vertices;
    std::vector<Mesh::Polygon> faces;
    std::vector<unsigned int> holes;
    auto addRing = [&](float cx, float cy, unsigned int n, bool hole) {
        std::vector<unsigned int> ring;
        for (unsigned int k = 0; k < n; ++k) {
            float const angle = 6.2831853f * (hole ? n - k : k) / n;
            float const r = hole ? 0.3f : radius(random);
            ring.push_back(static_cast<unsigned int>(vertices.size()));
            vertices.emplace_back(cx + r * std::cos(angle), cy + r * std::sin(angle), 0.0f);
        }
        faces.emplace_back(ring, util::Vector3<float>(0.0f, 0.0f, hole ? -1.0f : 1.0f));
    };
    for (unsigned int p = 0; p < count; ++p) {
        float const cx = 3.0f * static_cast<float>(p % 300);
        float const cy = 3.0f * static_cast<float>(p / 300);
        addRing(cx, cy, corners(random), false);
        if (p % 5 == 0) {
            auto const face = static_cast<unsigned int>(faces.size() - 1);
            addRing(cx, cy, holeCorners(random), true);
            holes.insert(holes.end(), {face, face + 1, Mesh::HOLES_END});
        }
    }
    return std::make_unique<Mesh>("bench", vertices, faces, holes);
}

Mesh const& polygons() {
    static std::unique_ptr<Mesh> const mesh = makePolygons(POLYGON_COUNT);
    return *mesh;
}

void triangulateRepeatedly(benchmark::State& state, Mesh const& mesh) {
    util::Triangulator triangulator;
    for (auto _ : state) {
        std::unique_ptr<util::TriangleMesh> const result(triangulator.triangulateVerticesOnly(
            mesh, new Points(mesh.mVertices), util::Triangulator::TRIANGLES));
        benchmark::DoNotOptimize(result->getTriangleCount());
    }
    state.SetItemsProcessed(state.iterations() * POLYGON_COUNT);
}

void BM_TriangulateVerticesOnly(benchmark::State& state) {
    Mesh const& mesh = polygons();
    triangulateRepeatedly(state, mesh);
}
BENCHMARK(BM_TriangulateVerticesOnly)->Unit(benchmark::kMillisecond);

// The same work with a bare GLU tessellator: index records, fan and strip unfolding, combined
// vertices appended, but no checks, no hole lookup and no exception safety.
struct DirectGlu {
    struct Record {
        unsigned int index;
    };
    Points* vertices = nullptr;
    std::vector<unsigned int> triangles;
    std::vector<Record> records;
    std::deque<Record> combined;
    std::vector<Record const*> primitive;
    GLenum type = 0;

    static DirectGlu& self(void* data) { return *static_cast<DirectGlu*>(data); }
    static void GLAPIENTRY begin(GLenum type, void* data) {
        self(data).type = type;
        self(data).primitive.clear();
    }
    static void GLAPIENTRY vertex(void* record, void* data) {
        self(data).primitive.push_back(static_cast<Record const*>(record));
    }
    static void GLAPIENTRY combine(GLdouble* c, void**, GLfloat*, void** out, void* data) {
        DirectGlu& d = self(data);
        d.vertices->emplace_back(float(c[0]), float(c[1]), float(c[2]));
        d.combined.push_back({static_cast<unsigned int>(d.vertices->size() - 1)});
        *out = &d.combined.back();
    }
    static void GLAPIENTRY end(void* data) {
        DirectGlu& d = self(data);
        std::vector<Record const*> const& r = d.primitive;
        for (std::size_t k = 0; k + 2 < r.size(); ++k) {
            if (d.type == GL_TRIANGLES && k % 3 != 0) continue;
            Record const* a = d.type == GL_TRIANGLE_FAN ? r[0] : r[k];
            Record const* b = r[k + 1];
            if (d.type == GL_TRIANGLE_STRIP && k % 2 == 1) std::swap(a, b);
            d.triangles.insert(d.triangles.end(), {a->index, b->index, r[k + 2]->index});
        }
    }

    void contour(GLUtesselator* tess, std::vector<unsigned int> const& indices, std::size_t& next) {
        gluTessBeginContour(tess);
        for (unsigned int const i : indices) {
            Record& record = records[next++];
            record.index = i;
            GLdouble coords[3] = {(*vertices)[i].x, (*vertices)[i].y, (*vertices)[i].z};
            gluTessVertex(tess, coords, &record);
        }
        gluTessEndContour(tess);
    }
};

void BM_GluDirect(benchmark::State& state) {
    Mesh const& mesh = polygons();
    GLUtesselator* const tess = gluNewTess();
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&DirectGlu::begin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&DirectGlu::vertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&DirectGlu::end));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA,
                    reinterpret_cast<_GLUfuncptr>(&DirectGlu::combine));
    // Hole groups here are {face, hole, end} with the hole right after its face.
    std::vector<char> isHole(mesh.mFaces.size());
    for (std::size_t k = 0; k < mesh.mHoles.size(); k += 3) isHole[mesh.mHoles[k + 1]] = 1;
    DirectGlu direct;
    direct.records.resize(128);
    for (auto _ : state) {
        std::unique_ptr<Points> const vertices(new Points(mesh.mVertices));
        direct.vertices = vertices.get();
        direct.triangles.clear();
        for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
            if (isHole[f]) continue;
            Mesh::Polygon const& face = mesh.mFaces[f];
            direct.combined.clear();
            std::size_t next = 0;
            gluTessBeginPolygon(tess, &direct);
            gluTessNormal(tess, face.faceNormal.x, face.faceNormal.y, face.faceNormal.z);
            direct.contour(tess, face.vertexIndices, next);
            if (f + 1 < isHole.size() && isHole[f + 1]) {
                direct.contour(tess, mesh.mFaces[f + 1].vertexIndices, next);
            }
            gluTessEndPolygon(tess);
        }
        benchmark::DoNotOptimize(direct.triangles.data());
    }
    gluDeleteTess(tess);
    state.SetItemsProcessed(state.iterations() * POLYGON_COUNT);
}
BENCHMARK(BM_GluDirect)->Unit(benchmark::kMillisecond);

// Triangles only: none of them should reach the tessellator.
void BM_TriangulateTriangles(benchmark::State& state) {
    Points vertices;
    std::vector<Mesh::Polygon> faces;
    for (unsigned int k = 0; k < POLYGON_COUNT; ++k) {
        auto const first = static_cast<unsigned int>(vertices.size());
        float const x = static_cast<float>(k);
        vertices.insert(vertices.end(), {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
        faces.emplace_back(std::vector<unsigned int>{first, first + 1, first + 2},
                           util::Vector3<float>(0, 0, 1));
    }
    Mesh const mesh("triangles", vertices, faces, std::vector<unsigned int>{});
    triangulateRepeatedly(state, mesh);
}
BENCHMARK(BM_TriangulateTriangles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Drives the tessellator layer with byte-chosen call sequences (misuse included) and the
// triangulator with byte-chosen meshes: NaN, huge and coincident coordinates, self-intersecting
// contours, and a combine callback that throws or declines. Checks that every vertex handed back
// is one that was given or combined, and that triangles index existing positions.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <stdexcept>
#include <vector>

#include "FuzzBytes.h"
#include "glutess/glutess.h"
#include "intersection/Triangulator.h"

namespace {

[[noreturn]] void fail(char const* problem) {
    std::fprintf(stderr, "%s\n", problem);
    std::abort();
}

struct CombineRefused : std::runtime_error {
    CombineRefused() : std::runtime_error("combine refused") {}
};

// State the layer's callbacks see through the polygon data.
struct Session {
    fuzz::FuzzBytes* in;
    std::set<void const*> known;  // vertex data given or combined
    std::vector<std::unique_ptr<double[]>> combined;
    unsigned int primitive = 0;
    bool inPrimitive = false;
};

// The session of the input being run. Callbacks get null polygon data when the layer had to
// begin the polygon itself (a missing begin), so they fall back to it.
Session* gSession = nullptr;

Session* sessionOf(void* data) {
    if (data != nullptr && data != gSession) fail("foreign polygon data");
    return gSession;
}

void onBegin(unsigned int type, void* data) {
    Session* s = sessionOf(data);
    if (s->inPrimitive) fail("begin inside a primitive");
    if (type != GLUTESS_TRIANGLES && type != GLUTESS_TRIANGLE_STRIP &&
        type != GLUTESS_TRIANGLE_FAN && type != 0x0002 /* line loop, boundary-only output */)
        fail("unknown primitive type");
    s->inPrimitive = true;
    s->primitive = type;
}
void onVertex(void* vertex, void* data) {
    Session* s = sessionOf(data);
    if (!s->inPrimitive) fail("vertex outside a primitive");
    if (s->known.count(vertex) == 0) fail("vertex data never given");
}
void onEnd(void* data) {
    Session* s = sessionOf(data);
    if (!s->inPrimitive) fail("end without begin");
    s->inPrimitive = false;
}
void onError(unsigned int, void*) {}
void onCombine(double* coords, void**, float*, void** out, void* data) {
    Session* s = sessionOf(data);
    switch (s->in->below(8)) {
        case 0:
            throw CombineRefused();
        case 1:
            *out = nullptr;
            return;
        default:
            break;
    }
    s->combined.emplace_back(new double[3]{coords[0], coords[1], coords[2]});
    s->known.insert(s->combined.back().get());
    *out = s->combined.back().get();
}

double coordinate(fuzz::FuzzBytes& in) {
    if (in.chance(5)) return in.coordinate();
    return static_cast<double>(in.below(8));  // a small lattice: many coincident points
}

// A byte-chosen call sequence on one tessellator, misuse included.
void fuzzLayer(fuzz::FuzzBytes& in) {
    GlutessTesselator* tess = glutessNewTess();
    if (tess == nullptr) return;
    Session session{&in, {}, {}, 0, false};
    gSession = &session;
    glutessTessCallback(tess, GLUTESS_TESS_BEGIN_DATA, reinterpret_cast<GlutessCallback>(onBegin));
    glutessTessCallback(tess, GLUTESS_TESS_VERTEX_DATA,
                        reinterpret_cast<GlutessCallback>(onVertex));
    glutessTessCallback(tess, GLUTESS_TESS_END_DATA, reinterpret_cast<GlutessCallback>(onEnd));
    glutessTessCallback(tess, GLUTESS_TESS_ERROR_DATA, reinterpret_cast<GlutessCallback>(onError));
    if (!in.chance(4))
        glutessTessCallback(tess, GLUTESS_TESS_COMBINE_DATA,
                            reinterpret_cast<GlutessCallback>(onCombine));
    std::vector<std::unique_ptr<double[]>> points;
    for (unsigned int step = 0; step < 200 && !in.empty(); ++step) {
        try {
            switch (in.below(8)) {
                case 0:
                    glutessTessBeginPolygon(tess, &session);
                    break;
                case 1:
                    glutessTessBeginContour(tess);
                    break;
                case 2:
                    glutessTessEndContour(tess);
                    break;
                case 3:
                    glutessTessEndPolygon(tess);
                    session.inPrimitive = false;
                    break;
                case 4:
                    glutessTessNormal(tess, coordinate(in), coordinate(in), coordinate(in));
                    break;
                default: {
                    points.emplace_back(
                        new double[3]{coordinate(in), coordinate(in), coordinate(in)});
                    session.known.insert(points.back().get());
                    glutessTessVertex(tess, points.back().get(), points.back().get());
                }
            }
        } catch (CombineRefused const&) {
            session.inPrimitive = false;
        }
    }
    glutessDeleteTess(tess);
    gSession = nullptr;
}

// A byte-chosen mesh of polygons with holes through the triangulator, both modes.
void fuzzTriangulator(fuzz::FuzzBytes& in) {
    util::Mesh mesh("fuzzed");
    unsigned int const vertices = 3 + in.below(30);
    for (unsigned int v = 0; v < vertices; ++v)
        mesh.mVertices.emplace_back(static_cast<float>(coordinate(in)),
                                    static_cast<float>(coordinate(in)),
                                    in.chance(3) ? in.coordinate() : 0.0f);
    for (unsigned int f = 1 + in.below(6); f > 0; --f) {
        std::vector<unsigned int> corners;
        for (unsigned int c = 3 + in.below(40); c > 0; --c) corners.push_back(in.below(vertices));
        mesh.mFaces.emplace_back(corners);
    }
    mesh.calcFaceNormals();
    if (mesh.mFaces.size() > 1 && in.chance(2)) {
        mesh.mHoles.push_back(0);
        for (unsigned int h = 1; h < mesh.mFaces.size(); ++h) mesh.mHoles.push_back(h);
        mesh.mHoles.push_back(util::Mesh::HOLES_END);
    }
    util::Triangulator triangulator;
    for (auto const mode :
         {util::Triangulator::TRIANGLES, util::Triangulator::TRIANGLES_AND_EDGES}) {
        std::unique_ptr<util::TriangleMesh> result;
        try {
            result.reset(triangulator.triangulateVerticesOnly(
                mesh,
                new util::TriangleMesh::Positions(mesh.mVertices.begin(), mesh.mVertices.end()),
                mode));
        } catch (std::runtime_error const&) {
            continue;  // too many crossings for the combined-vertex buffer
        }
        if (!result) continue;
        std::vector<unsigned int> const* triangles = result->getTriangles();
        if (triangles == nullptr) continue;
        if (triangles->size() % 3 != 0) fail("triangle list not a multiple of 3");
        for (unsigned int const i : *triangles)
            if (i >= result->getVertexCount()) fail("triangle index out of range");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size) {
    fuzz::FuzzBytes in(data, size);
    if (in.byte() % 2 == 0)
        fuzzLayer(in);
    else
        fuzzTriangulator(in);
    return 0;
}

#include "intersection/Triangulator.h"

#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "glutess/glutess.h"
#include "mesh/BasicEdgeMap.h"

namespace util {

namespace detail {

// The tessellator's C callbacks; the polygon data is the Triangulator at work.
struct TriangulatorCallbacks {
    static Triangulator& self(void* data) { return *static_cast<Triangulator*>(data); }
    static void begin(unsigned int type, void* data) { self(data).cbBegin(type); }
    static void vertex(void* record, void* data) {
        self(data).cbVertex(static_cast<Triangulator::VertexData const*>(record));
    }
    static void combine(double* coords, void**, float*, void** out, void* data) {
        self(data).cbCombine(coords, out);
    }
    static void end(void* data) { self(data).cbEnd(); }
    static void error(unsigned int code) {
        unsigned char const* const text = glutessErrorString(code);
        if (text) {
            std::fprintf(stderr, "Tessellation Error: %s\n", reinterpret_cast<char const*>(text));
        } else {
            std::fprintf(stderr, "Tessellation Error: %d\n", static_cast<int>(code));
        }
        std::fflush(nullptr);
    }
};

}  // namespace detail

// Hole lookups for one call, built in a single sweep of mHoles: the mesh's own queries scan the
// whole holes list for every face, which is quadratic on meshes with many holes.
class Triangulator::HoleLookup {
public:
    HoleLookup(std::vector<unsigned int> const& holes, std::size_t faceCount) : mHoles(holes) {
        if (holes.empty()) return;
        mIsHole.resize(faceCount);
        std::size_t i = 0;
        while (i < holes.size()) {
            std::size_t const first = i + 1;
            std::size_t end = first;
            while (end < holes.size() && holes[end] != Mesh::HOLES_END) {
                if (holes[end] < faceCount) mIsHole[holes[end]] = true;
                ++end;
            }
            mFirstGroup.emplace(holes[i], Range{first, end});  // a later group never wins
            i = end + 1;
        }
    }

    bool isHole(unsigned int face) const { return !mIsHole.empty() && mIsHole[face]; }

    template <typename F>
    void forEachHole(unsigned int face, F const& visit) const {
        auto const group = mFirstGroup.find(face);
        if (group == mFirstGroup.end()) return;
        for (std::size_t k = group->second.first; k < group->second.end; ++k) visit(mHoles[k]);
    }

private:
    struct Range {
        std::size_t first, end;
    };
    std::vector<unsigned int> const& mHoles;
    std::vector<bool> mIsHole;
    std::unordered_map<unsigned int, Range> mFirstGroup;
};

namespace {

using Callback = GlutessCallback;

template <typename F>
Callback asCallback(F* function) {
    return reinterpret_cast<Callback>(function);
}

std::size_t triangleIndexEstimate(std::vector<Mesh::Polygon> const& faces) {
    std::size_t count = 0;
    for (Mesh::Polygon const& face : faces) {
        if (face.vertexIndices.size() >= 2) count += 3 * (face.vertexIndices.size() - 2);
    }
    return count;
}

}  // namespace

Triangulator::TriangleMeshFactory::~TriangleMeshFactory() = default;

TriangleMesh* Triangulator::TriangleMeshFactory::createTM(TriangleMesh::Positions* vertices,
                                                          TriangleMesh::Positions* normals,
                                                          TriangleMesh::UVSets* uvSets,
                                                          std::vector<unsigned int>* triangles,
                                                          std::vector<unsigned int>* lines) const {
    return new TriangleMesh(vertices, normals, uvSets, triangles, lines);
}

Triangulator::TriangleMeshFactory const Triangulator::mDefaultTMFactory;

Triangulator::Triangulator(TriangleMeshFactory const* factory)
    : mTess(glutessNewTess()), mFactory(factory ? factory : &mDefaultTMFactory) {
    if (!mTess) throw std::bad_alloc();
    using detail::TriangulatorCallbacks;
    glutessTessCallback(mTess, GLUTESS_TESS_BEGIN_DATA, asCallback(&TriangulatorCallbacks::begin));
    glutessTessCallback(mTess, GLUTESS_TESS_END_DATA, asCallback(&TriangulatorCallbacks::end));
    glutessTessCallback(mTess, GLUTESS_TESS_VERTEX_DATA,
                        asCallback(&TriangulatorCallbacks::vertex));
    glutessTessCallback(mTess, GLUTESS_TESS_ERROR, asCallback(&TriangulatorCallbacks::error));
    glutessTessCallback(mTess, GLUTESS_TESS_COMBINE_DATA,
                        asCallback(&TriangulatorCallbacks::combine));
    mCombined.reserve(COMBINED_CAPACITY);
}

Triangulator::~Triangulator() { glutessDeleteTess(mTess); }

TriangleMesh* Triangulator::triangulateVerticesOnly(Mesh const& mesh,
                                                    TriangleMesh::Positions* vertices, Mode mode) {
    std::unique_ptr<TriangleMesh::Positions> ownedVertices(vertices);
    auto triangles = std::make_unique<std::vector<unsigned int>>();
    triangles->reserve(triangleIndexEstimate(mesh.mFaces));

    // The callbacks write here; a throw must not leave them pointing at freed vectors.
    struct OutputScope {
        Triangulator& t;
        ~OutputScope() {
            t.mTriangles = nullptr;
            t.mVertices = nullptr;
        }
    } const scope{*this};
    mTriangles = triangles.get();
    mVertices = vertices;

    HoleLookup const holes(mesh.mHoles, mesh.mFaces.size());
    for (unsigned int f = 0; f < mesh.mFaces.size(); ++f) {
        std::vector<unsigned int> const& corners = mesh.mFaces[f].vertexIndices;
        if (corners.size() < 3 || holes.isHole(f)) continue;
        if (corners.size() == 3) {
            triangles->insert(triangles->end(), corners.begin(), corners.end());
        } else {
            appendPolygon(mesh, f, holes);
        }
    }

    std::unique_ptr<std::vector<unsigned int>> lines;
    if (mode == TRIANGLES_AND_EDGES) {
        lines = std::make_unique<std::vector<unsigned int>>();
        mesh.getCache().getEdgeMap(mesh)->getEdgesLineIndices(*lines);
    }
    TriangleMesh* const result =
        mFactory->createTM(ownedVertices.get(), nullptr, nullptr, triangles.get(), lines.get());
    ownedVertices.release();
    triangles.release();
    lines.release();
    return result;
}

void Triangulator::appendPolygon(Mesh const& mesh, unsigned int face, HoleLookup const& holes) {
    Mesh::Polygon const& polygon = mesh.mFaces[face];
    std::size_t recordCount = polygon.vertexIndices.size();
    holes.forEachHole(
        face, [&](unsigned int hole) { recordCount += mesh.mFaces.at(hole).vertexIndices.size(); });
    // Grown only between polygons: the tessellator holds pointers into it during one.
    if (mRecords.size() < recordCount) mRecords.resize(recordCount);
    mCombined.clear();

    glutessTessBeginPolygon(mTess, this);
    glutessTessBeginContour(mTess);
    glutessTessNormal(mTess, polygon.faceNormal.x, polygon.faceNormal.y, polygon.faceNormal.z);
    std::size_t nextRecord = 0;
    feedContour(polygon.vertexIndices, nextRecord);
    glutessTessEndContour(mTess);
    holes.forEachHole(face, [&](unsigned int hole) {
        glutessTessBeginContour(mTess);
        feedContour(mesh.mFaces[hole].vertexIndices, nextRecord);
        glutessTessEndContour(mTess);
    });
    glutessTessEndPolygon(mTess);
}

void Triangulator::feedContour(std::vector<unsigned int> const& vertexIndices,
                               std::size_t& nextRecord) {
    for (unsigned int const index : vertexIndices) {
        VertexData& record = mRecords[nextRecord++];
        record.index = index;
        Vector3<float> const& p = (*mVertices)[index];
        double const coords[3] = {p.x, p.y, p.z};
        glutessTessVertex(mTess, coords, &record);
    }
}

void Triangulator::cbBegin(unsigned int type) {
    mPrimitiveType = type;
    mPrimitive.clear();
}

void Triangulator::cbVertex(VertexData const* record) { mPrimitive.push_back(record); }

void Triangulator::cbEnd() {
    std::vector<VertexData const*> const& r = mPrimitive;
    std::size_t const n = r.size();
    switch (mPrimitiveType) {
        case GLUTESS_TRIANGLES:
            for (std::size_t k = 0; k + 2 < n; k += 3) appendTriangle(r[k], r[k + 1], r[k + 2]);
            break;
        case GLUTESS_TRIANGLE_FAN:
            for (std::size_t k = 0; k + 2 < n; ++k) appendTriangle(r[0], r[k + 1], r[k + 2]);
            break;
        case GLUTESS_TRIANGLE_STRIP:
            // Every other strip triangle runs the other way round; swapping keeps one orientation.
            for (std::size_t k = 0; k + 2 < n; ++k) {
                if (k % 2 == 0) {
                    appendTriangle(r[k], r[k + 1], r[k + 2]);
                } else {
                    appendTriangle(r[k + 1], r[k], r[k + 2]);
                }
            }
            break;
        default:
            break;
    }
}

void Triangulator::appendTriangle(VertexData const* a, VertexData const* b, VertexData const* c) {
    mTriangles->push_back(a->index);
    mTriangles->push_back(b->index);
    mTriangles->push_back(c->index);
}

void Triangulator::cbCombine(double const* coords, void** out) {
    if (mCombined.size() >= COMBINED_CAPACITY) {
        throw std::runtime_error("Triangulator: not enough space for combined vertices!");
    }
    mVertices->push_back(Vector3<float>(static_cast<float>(coords[0]),
                                        static_cast<float>(coords[1]),
                                        static_cast<float>(coords[2])));
    mCombined.push_back(VertexData{0, static_cast<unsigned int>(mVertices->size() - 1)});
    *out = &mCombined.back();
}

}  // namespace util

#pragma once

#include <vector>

#include "base/Export.h"
#include "base/Vector3.h"
#include "intersection/TriangleMesh.h"
#include "mesh/Mesh.h"

struct GlutessTesselator;

namespace util {

namespace detail {
struct TriangulatorCallbacks;
}

// Turns the polygons of a util::Mesh, holes included, into a TriangleMesh through the
// tessellator. One owner and one thread at a time: the tessellator and the buffers below are
// reused from call to call.
//
// Faces of three corners are passed through as they are (their holes ignored); larger faces are
// filled by the odd winding rule, their holes being further contours. Edge crossings create
// vertices, appended after the mesh's own; more than COMBINED_CAPACITY of them in one face
// throws std::runtime_error and the call returns nothing. Tessellator errors are printed to
// stderr and the face keeps whatever triangles were still produced.
class TOOLBOX_API Triangulator {
public:
    static constexpr std::size_t COMBINED_CAPACITY = 512;

    enum Mode { TRIANGLES = 0, TRIANGLES_AND_EDGES = 1 };

    // What the tessellator carries for each vertex and gives back in its callbacks.
    struct VertexData {
        unsigned long source = 0;  // always 0 here; attribute-interpolating outputs tag records
        unsigned int index = 0;    // into the output positions
    };

    // Builds the mesh from the five vectors, taking ownership of them; a derived factory may
    // return a subclass.
    class TOOLBOX_API TriangleMeshFactory {
    public:
        virtual ~TriangleMeshFactory();
        virtual TriangleMesh* createTM(TriangleMesh::Positions* vertices,
                                       TriangleMesh::Positions* normals,
                                       TriangleMesh::UVSets* uvSets,
                                       std::vector<unsigned int>* triangles,
                                       std::vector<unsigned int>* lines) const;
    };
    static TriangleMeshFactory const mDefaultTMFactory;

    // Null selects mDefaultTMFactory; the factory is not owned. Throws std::bad_alloc when no
    // tessellator can be created.
    explicit Triangulator(TriangleMeshFactory const* factory = nullptr);
    Triangulator(Triangulator const&) = delete;
    Triangulator& operator=(Triangulator const&) = delete;
    ~Triangulator();

    // vertices: a heap copy of mesh.mVertices (possibly transformed), taken over by the call
    // even when it throws; it becomes the result's positions. The caller owns the result.
    TriangleMesh* triangulateVerticesOnly(Mesh const& mesh, TriangleMesh::Positions* vertices,
                                          Mode mode);

private:
    friend struct detail::TriangulatorCallbacks;
    class HoleLookup;

    TOOLBOX_LOCAL void appendPolygon(Mesh const& mesh, unsigned int face, HoleLookup const& holes);
    TOOLBOX_LOCAL void feedContour(std::vector<unsigned int> const& vertexIndices,
                                   std::size_t& nextRecord);
    TOOLBOX_LOCAL void cbBegin(unsigned int type);
    TOOLBOX_LOCAL void cbVertex(VertexData const* record);
    TOOLBOX_LOCAL void cbEnd();
    TOOLBOX_LOCAL void cbCombine(double const* coords, void** out);
    TOOLBOX_LOCAL void appendTriangle(VertexData const* a, VertexData const* b,
                                      VertexData const* c);

    GlutessTesselator* mTess = nullptr;
    std::vector<VertexData const*> mPrimitive;  // records of the primitive being received
    unsigned int mPrimitiveType = 0;
    TriangleMeshFactory const* mFactory;
    // Output of the call in progress, owned by triangulateVerticesOnly.
    std::vector<unsigned int>* mTriangles = nullptr;
    TriangleMesh::Positions* mVertices = nullptr;
    std::vector<VertexData> mRecords;
    // Reserved once and never grown: the tessellator keeps pointers into it.
    std::vector<VertexData> mCombined;
};

}  // namespace util

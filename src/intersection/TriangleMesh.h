#pragma once

#include <boost/thread/mutex.hpp>
#include <memory>
#include <ostream>
#include <vector>

#include "base/Export.h"
#include "base/Vector3.h"
#include "mesh/MeshBase.h"

namespace util {

// The triangles of a polygon mesh, as picking and snapping need them. Made only by a
// Triangulator::TriangleMeshFactory, which hands over five heap vectors; any of them may be null
// and all are deleted with the mesh. The index lists never change after creation, so meshes are
// shared as std::shared_ptr and read from any thread. The positions change only when an owner
// that holds a mesh alone translates it in place, and then under getMutex().
class TOOLBOX_API TriangleMesh : public MeshBase {
public:
    using Positions = std::vector<Vector3<float>>;
    using UVSets = std::vector<std::vector<TexCoord>*>;  // each set owned as well

    TriangleMesh(Positions* vertices, Positions* normals, UVSets* uvSets,
                 std::vector<unsigned int>* triangles, std::vector<unsigned int>* lines);
    TriangleMesh(TriangleMesh const&) = delete;
    TriangleMesh& operator=(TriangleMesh const&) = delete;
    ~TriangleMesh() override;

    // Positions: the triangulated mesh's vertices in their order, then the vertices the
    // tessellator created at edge intersections.
    Positions* getVertices() const { return mVertices.get(); }
    Positions const* getNormals() const { return mNormals.get(); }
    UVSets const* getUVSets() const { return mUVSets.get(); }
    // Three vertex indices per triangle.
    std::vector<unsigned int> const* getTriangles() const { return mTriangles.get(); }
    // Two vertex indices per edge of the source mesh.
    std::vector<unsigned int> const* getLines() const { return mLines.get(); }
    std::size_t getVertexCount() const { return mVertices ? mVertices->size() : 0; }
    std::size_t getTriangleCount() const { return mTriangles ? mTriangles->size() / 3 : 0; }
    boost::mutex& getMutex() const { return mMutex; }

private:
    std::unique_ptr<Positions> mVertices;
    std::unique_ptr<Positions> mNormals;
    std::unique_ptr<UVSets> mUVSets;
    std::unique_ptr<std::vector<unsigned int>> mTriangles;
    std::unique_ptr<std::vector<unsigned int>> mLines;
    mutable boost::mutex mMutex;  // held while the positions are translated in place
};

// Diagnostic dump: a header line, then "v", "vn", "vt" (first UV set) and "f" lines, the
// latter with the 0-based indices as stored.
TOOLBOX_API std::ostream& operator<<(std::ostream& out, TriangleMesh const& mesh);

}  // namespace util

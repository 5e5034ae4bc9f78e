#include "intersection/TriangleMesh.h"

namespace util {

TriangleMesh::TriangleMesh(Positions* vertices, Positions* normals, UVSets* uvSets,
                           std::vector<unsigned int>* triangles, std::vector<unsigned int>* lines)
    : mVertices(vertices),
      mNormals(normals),
      mUVSets(uvSets),
      mTriangles(triangles),
      mLines(lines) {}

TriangleMesh::~TriangleMesh() {
    if (mUVSets) {
        for (std::vector<TexCoord>* const set : *mUVSets) delete set;
    }
}

std::ostream& operator<<(std::ostream& out, TriangleMesh const& mesh) {
    out << "# TriangleMesh (" << mesh.getVertexCount() << " vertices, " << mesh.getTriangleCount()
        << " triangles)\n";
    if (TriangleMesh::Positions const* const vertices = mesh.getVertices()) {
        for (Vector3<float> const& v : *vertices)
            out << "v " << v.x << ' ' << v.y << ' ' << v.z << '\n';
    }
    if (TriangleMesh::Positions const* const normals = mesh.getNormals()) {
        for (Vector3<float> const& n : *normals)
            out << "vn " << n.x << ' ' << n.y << ' ' << n.z << '\n';
    }
    TriangleMesh::UVSets const* const uvSets = mesh.getUVSets();
    if (uvSets && !uvSets->empty() && uvSets->front()) {
        for (MeshBase::TexCoord const& t : *uvSets->front())
            out << "vt " << t.u << ' ' << t.v << '\n';
    }
    if (std::vector<unsigned int> const* const triangles = mesh.getTriangles()) {
        for (std::size_t k = 0; k + 2 < triangles->size(); k += 3) {
            out << "f " << (*triangles)[k] << ' ' << (*triangles)[k + 1] << ' '
                << (*triangles)[k + 2] << '\n';
        }
    }
    return out;
}

}  // namespace util

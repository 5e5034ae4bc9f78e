#pragma once

#include <boost/dynamic_bitset.hpp>
#include <vector>

#include "base/Vector2.h"
#include "base/Vector3.h"
#include "mesh/Mesh.h"

namespace util {

class EdgeMap;
class HoleRelation;

// Stateless topology and geometry helpers shared by the passes.
//
// The coplanar predicates work in 2-D: they drop the coordinate of the dominant axis of a face
// normal (ties go to the lower axis) and never look at it, so the faces must be coplanar.
// Projections: axis 0 -> (z, y), axis 1 -> (x, z), axis 2 -> (x, y).
class MeshUtils {
public:
    // Distance below which two positions count as the same in the hole tests (0.0008, squared
    // as a float).
    static constexpr float IDENTICAL_VERTEX_DISTANCE_SQUARED = 0.0008f * 0.0008f;

    // out[v] = faces of the active face list using v, in face order. With holes, hole faces are
    // left out; with a filter, only filtered vertices get entries.
    static void calculateVertex2Faces(Mesh const& mesh, std::vector<std::vector<unsigned int>>& out,
                                      HoleRelation const* holes,
                                      boost::dynamic_bitset<> const* vertexFilter);
    static void calculateVertex2Edges(Mesh const& mesh, std::vector<std::vector<unsigned int>>& out,
                                      EdgeMap const& edges,
                                      boost::dynamic_bitset<> const* vertexFilter);

    // Newell's method in double precision; null indices means all vertices in order. Fewer
    // than 3 points or a zero normal give (0, 1, 0) and false.
    static bool calcPolyNormal(std::vector<Vector3<float>> const& vertices,
                               std::vector<unsigned int> const* indices, Vector3<float>& normal);
    // Area of a planar polygon given its unit normal, in double. No heap use up to 30 points.
    static double area(std::vector<Vector3<float>> const& vertices,
                       std::vector<unsigned int> const& indices, Vector3<float> const& normal);

    static int dominantAxis(Vector3<float> const& normal);
    static Vector2<float> project(Vector3<float> const& p, int axis);
    static std::vector<Vector2<float>> projectToBestMainAxisPlane(
        std::vector<Vector3<float>> const& vertices, Mesh::Polygon const& face, int& axis);
    static bool coplanarVertexIsInsideFace(std::vector<Vector3<float>> const& vertices,
                                           Mesh::Polygon const& face, Vector3<float> const& point);
    // Some vertex of face a, projected with face b's axis, lies inside face b.
    static bool faceHasVertexInsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                std::vector<Mesh::Polygon> const& faces,
                                                unsigned int a, unsigned int b);
    static bool faceHasVertexInsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                Mesh::Polygon const& a, Mesh::Polygon const& b);
    // Some vertex of face a, projected with face b's axis, lies outside face b.
    static bool faceHasVertexOutsideCoplanarFace(std::vector<Vector3<float>> const& vertices,
                                                 std::vector<Mesh::Polygon> const& faces,
                                                 unsigned int a, unsigned int b);
    // Positions closer than 0.0008 in 3-D; indices are not compared.
    static bool facesHaveIdenticalVertices(std::vector<Vector3<float>> const& vertices,
                                           Mesh::Polygon const& a, Mesh::Polygon const& b);
    // An edge of a crosses an edge of b strictly inside b's edge; parallel edges never do.
    static bool coplanarFacesHaveIntersectingEdges(std::vector<Vector3<float>> const& vertices,
                                                   Mesh::Polygon const& a, Mesh::Polygon const& b);
    // The segment p0-p1 crosses an edge of b, flattened along axis (the per-edge test above).
    static bool segmentCrossesFaceEdges(std::vector<Vector3<float>> const& vertices,
                                        Vector3<float> p0, Vector3<float> p1,
                                        Mesh::Polygon const& b, int axis);
};

}  // namespace util

#pragma once

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "cleanup/Cleanup.h"
#include "mesh/Mesh.h"

namespace util {
namespace test {

using V3 = Vector3<float>;
using Corners = std::vector<unsigned int>;

// A cycle of distinct corners rotated to start at the smallest, whatever corner it started at.
inline Corners fromSmallest(Corners cycle) {
    std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
    return cycle;
}

// The box [lo, hi] as a frustum's eight corners, 0-3 at lo.z and 4-7 at hi.z, ordered so that
// every plane normal points outwards.
inline std::vector<V3> boxCorners(V3 const& lo, V3 const& hi) {
    return {V3(lo.x, hi.y, lo.z), V3(hi.x, hi.y, lo.z), V3(hi.x, lo.y, lo.z), V3(lo.x, lo.y, lo.z),
            V3(lo.x, hi.y, hi.z), V3(hi.x, hi.y, hi.z), V3(hi.x, lo.y, hi.z), V3(lo.x, lo.y, hi.z)};
}

// A mesh from positions and corner lists, with face normals computed as the passes expect.
Mesh makeMesh(std::vector<V3> const& vertices, std::vector<Corners> const& faces,
              std::vector<unsigned int> const& holes = {});

// Axis-aligned square in the plane z = 0 from (x0, y0) to (x1, y1), counter-clockwise seen from
// +z; appends its four corners to vertices and returns the corner list.
Corners addSquare(std::vector<V3>& vertices, float x0, float y0, float x1, float y1,
                  bool clockwise = false);

// A regular n-gon of the given radius around the origin in the plane z = 0, counter-clockwise
// seen from +z: one face, n vertices.
Mesh makeRegularPolygon(unsigned int n, float radius);

// Closed unit cube with outward faces: 8 vertices, 6 quads.
Mesh makeCube();

// A square face [0,10]^2 with square holes given as (x0, y0, x1, y1), wound clockwise.
Mesh makeFaceWithHoles(std::vector<std::vector<float>> const& holes);

// A record returned by the library, released with freeMeshData.
struct RecordDeleter {
    void operator()(Cleanup::MeshData* data) const { Cleanup::freeMeshData(data); }
};
using Record = std::unique_ptr<Cleanup::MeshData, RecordDeleter>;

// The entries of a record's array, empty for a null array.
template <typename T>
std::vector<T> values(T const* array, int count) {
    return array == nullptr ? std::vector<T>() : std::vector<T>(array, array + count);
}

// Texture names for records' texture lists, which hold mutable strings.
inline char BRICK[] = "brick.png";
inline char ROOF[] = "roof.png";
inline char GLASS[] = "glass.png";

// A host record that points into vectors owned by the builder.
struct RecordBuilder {
    std::vector<float> coords;
    std::vector<int> indices;
    std::vector<int> counts;
    std::vector<float> texCoords;
    std::vector<int> tcIndices;
    std::vector<char*> textures;
    std::vector<unsigned int> startFaces;
    std::vector<unsigned int> holes;
    bool withTexCoords = false;
    bool withStartFaces = false;

    void addVertex(float x, float y, float z) { coords.insert(coords.end(), {x, y, z}); }
    void addFace(std::initializer_list<int> corners);
    // Four new vertices in the plane z = 0 and the face through them, as addSquare above.
    void addSquare(float x0, float y0, float x1, float y1, bool clockwise = false);
    Cleanup::MeshData record();
};

}  // namespace test
}  // namespace util

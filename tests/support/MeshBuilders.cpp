#include "support/MeshBuilders.h"

#include <cmath>

namespace util {
namespace test {

Mesh makeMesh(std::vector<V3> const& vertices, std::vector<Corners> const& faces,
              std::vector<unsigned int> const& holes) {
    std::vector<Mesh::Polygon> polygons;
    for (Corners const& corners : faces) polygons.emplace_back(corners);
    Mesh mesh("test", vertices, polygons, holes);
    mesh.calcFaceNormals();
    return mesh;
}

Corners addSquare(std::vector<V3>& vertices, float x0, float y0, float x1, float y1,
                  bool clockwise) {
    auto const first = static_cast<unsigned int>(vertices.size());
    vertices.insert(vertices.end(), {V3(x0, y0, 0), V3(x1, y0, 0), V3(x1, y1, 0), V3(x0, y1, 0)});
    if (clockwise) return {first, first + 3, first + 2, first + 1};
    return {first, first + 1, first + 2, first + 3};
}

Mesh makeRegularPolygon(unsigned int n, float radius) {
    std::vector<V3> vertices;
    Corners corners;
    for (unsigned int k = 0; k < n; ++k) {
        double const angle = 2 * 3.141592653589793 * k / n;
        vertices.emplace_back(static_cast<float>(radius * std::cos(angle)),
                              static_cast<float>(radius * std::sin(angle)), 0.0f);
        corners.push_back(k);
    }
    return makeMesh(vertices, {corners});
}

Mesh makeCube() {
    std::vector<V3> const vertices{V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0),
                                   V3(0, 0, 1), V3(1, 0, 1), V3(1, 1, 1), V3(0, 1, 1)};
    return makeMesh(
        vertices,
        {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}});
}

Mesh makeFaceWithHoles(std::vector<std::vector<float>> const& holes) {
    std::vector<V3> vertices;
    std::vector<Corners> faces{addSquare(vertices, 0, 0, 10, 10)};
    std::vector<unsigned int> structure;
    if (!holes.empty()) structure.push_back(0);
    for (auto const& h : holes) {
        structure.push_back(static_cast<unsigned int>(faces.size()));
        faces.push_back(addSquare(vertices, h[0], h[1], h[2], h[3], true));
    }
    if (!holes.empty()) structure.push_back(Mesh::HOLES_END);
    return makeMesh(vertices, faces, structure);
}

void RecordBuilder::addFace(std::initializer_list<int> corners) {
    counts.push_back(static_cast<int>(corners.size()));
    indices.insert(indices.end(), corners);
}

void RecordBuilder::addSquare(float x0, float y0, float x1, float y1, bool clockwise) {
    int const first = static_cast<int>(coords.size() / 3);
    for (V3 const& v : {V3(x0, y0, 0), V3(x1, y0, 0), V3(x1, y1, 0), V3(x0, y1, 0)})
        addVertex(v.x, v.y, v.z);
    if (clockwise)
        addFace({first, first + 3, first + 2, first + 1});
    else
        addFace({first, first + 1, first + 2, first + 3});
}

Cleanup::MeshData RecordBuilder::record() {
    Cleanup::MeshData data{};
    data.mVertexCoords = coords.empty() ? nullptr : coords.data();
    data.mVCCount = static_cast<int>(coords.size());
    data.mIndices = indices.empty() ? nullptr : indices.data();
    data.mIndexCount = static_cast<int>(indices.size());
    data.mCounts = counts.empty() ? nullptr : counts.data();
    data.mCountCount = static_cast<int>(counts.size());
    if (withTexCoords) {
        data.mTexCoords = texCoords.data();
        data.mTCCount = static_cast<int>(texCoords.size());
        data.mTCIndices = tcIndices.data();
        data.mTCIndexCount = static_cast<int>(tcIndices.size());
    }
    data.mTextures = textures.empty() ? nullptr : textures.data();
    data.mTexturesCount = static_cast<int>(textures.size());
    if (withStartFaces) {
        data.mTexturesStartFaces = startFaces.data();
        data.mTexturesStartFacesCount = static_cast<int>(startFaces.size());
    }
    data.mHoles = holes.empty() ? nullptr : holes.data();
    data.mHolesCount = static_cast<int>(holes.size());
    return data;
}

}  // namespace test
}  // namespace util

#include "BuildingMesh.h"

#include <array>
#include <initializer_list>

namespace util::tool {
namespace {
using Point = std::array<float, 3>;
constexpr float UV_REPEAT = 4.0f;
enum Axis { X, Y, Z };

class BuildingBuilder {
public:
    void startRange(std::optional<std::string> texture) {
        mMesh.textures.push_back(std::move(texture));
        mMesh.textureStartFaces.push_back(static_cast<unsigned int>(mMesh.counts.size()));
    }

    // Corners counter-clockwise seen from where the face should point; UVs project onto the
    // plane of the two given axes.
    void face(Axis uAxis, Axis vAxis, std::initializer_list<Point> corners) {
        for (Point const& corner : corners) {
            int const vertex = static_cast<int>(mMesh.vertexCoords.size() / 3);
            mMesh.vertexCoords.insert(mMesh.vertexCoords.end(), corner.begin(), corner.end());
            mMesh.indices.push_back(vertex);
            mMesh.texCoordIndices.push_back(vertex);
            mMesh.texCoords.push_back(corner[uAxis] / UV_REPEAT);
            mMesh.texCoords.push_back(corner[vAxis] / UV_REPEAT);
        }
        mMesh.counts.push_back(static_cast<int>(corners.size()));
    }

    MeshRecord take() { return std::move(mMesh); }

private:
    MeshRecord mMesh;
};
}  // namespace

MeshRecord makeBuildingMesh() {
    BuildingBuilder b;
    b.startRange("brick.png");
    b.face(X, Y, {{0, 0, 6}, {10, 0, 6}, {10, 4, 6}});  // front wall, two triangles
    b.face(X, Y, {{0, 0, 6}, {10, 4, 6}, {0, 4, 6}});
    b.face(X, Y, {{0, 0, 6}, {5, 0, 6}, {10, 0, 6}});                            // sliver
    b.face(Z, Y, {{10, 0, 6}, {10, 0, 0}, {10, 4, 0}, {10, 4, 3}, {10, 4, 6}});  // right wall
    b.face(X, Y, {{10, 4, 0}, {0, 4, 0}, {0, 0, 0}, {10, 0, 0}});  // back wall, wound inwards
    b.face(Z, Y, {{0, 0, 0}, {0, 0, 6}, {0, 4, 6}, {0, 4, 0}});    // left wall
    b.startRange("roof.png");
    b.face(X, Z, {{0, 4, 6}, {10, 4, 6}, {10, 4, 3}, {10, 4, 0}, {0.0001f, 4, 0}, {0, 4, 0}});
    b.startRange(std::nullopt);
    b.face(X, Z, {{0, 0, 0}, {10, 0, 0}, {10, 0, 6}, {0, 0, 6}});  // floor
    b.face(X, Z, {{0, 0, 0}, {10, 0, 0}, {10, 0, 6}, {0, 0, 6}});  // and its double
    MeshRecord mesh = b.take();
    mesh.name = "building";
    return mesh;
}

}  // namespace util::tool

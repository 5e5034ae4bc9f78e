#include "MeshSummary.h"

#include <algorithm>
#include <string>

#include "mesh/Mesh.h"

namespace util::tool {
namespace {
void addBox(MeshSummary& summary, Cleanup::MeshData const& data) {
    for (int i = 0; i + 3 <= data.mVCCount; i += 3) {
        for (int axis = 0; axis < 3; ++axis) {
            float const value = data.mVertexCoords[i + axis];
            summary.boxMin[axis] = i == 0 ? value : std::min(summary.boxMin[axis], value);
            summary.boxMax[axis] = i == 0 ? value : std::max(summary.boxMax[axis], value);
        }
    }
}

// What the orientation pass would turn, judged on the mesh the library builds from the record.
void addOrientation(MeshSummary& summary, Cleanup::MeshData const& data) {
    if (summary.vertexCount == 0 || summary.faceCount == 0) return;
    std::string message;
    util::Mesh mesh(data.mName, data.mVCCount, data.mVertexCoords, data.mIndexCount, data.mIndices,
                    data.mCountCount, data.mCounts, data.mHoles, data.mHolesCount, nullptr, nullptr,
                    &message);
    unsigned long entries = 0, holes = 0, inverted = 0;
    mesh.cleanupHoles(entries, holes, inverted, true, true);
    util::Mesh::OrientationReport const report = mesh.getOrientationReport(util::Matrix<float>());
    summary.facesToTurn = report.turnedFaces;
    summary.components = report.components;
    summary.openComponents = report.openComponents;
}

void printPoint(std::ostream& out, std::array<float, 3> const& point) {
    out << '(' << point[0] << ", " << point[1] << ", " << point[2] << ')';
}
}  // namespace

MeshSummary summarize(Cleanup::MeshData const& data) {
    MeshSummary summary;
    summary.vertexCount = data.mVertexCoords ? static_cast<std::size_t>(data.mVCCount / 3) : 0;
    summary.faceCount = data.mCounts ? static_cast<std::size_t>(data.mCountCount) : 0;
    for (std::size_t face = 0; face < summary.faceCount; ++face)
        ++summary.facesByCornerCount[data.mCounts[face]];
    if (data.mTexCoords && data.mTCCount > 0) {
        summary.uvSetCount = 1;
        summary.texCoordCount = static_cast<std::size_t>(data.mTCCount / 2);
    }
    for (int i = 0; data.mTextures && i < data.mTexturesCount; ++i) {
        unsigned int const start = data.mTexturesStartFaces ? data.mTexturesStartFaces[i] : 0u;
        std::optional<std::string> texture;
        if (data.mTextures[i]) texture = data.mTextures[i];
        summary.textureRanges.push_back({start, texture});
    }
    if (summary.vertexCount > 0) addBox(summary, data);
    addOrientation(summary, data);
    return summary;
}

void printSummary(std::ostream& out, MeshSummary const& summary) {
    out << "vertices: " << summary.vertexCount << '\n';
    out << "faces: " << summary.faceCount;
    char const* separator = " (";
    for (auto const& [corners, faces] : summary.facesByCornerCount) {
        out << separator << faces << " with " << corners << " corners";
        separator = ", ";
    }
    out << (summary.facesByCornerCount.empty() ? "" : ")") << '\n';
    out << "UV sets: " << summary.uvSetCount;
    if (summary.uvSetCount > 0) out << " (" << summary.texCoordCount << " coordinates)";
    out << '\n';
    out << "texture ranges: " << summary.textureRanges.size() << '\n';
    for (MeshSummary::TextureRange const& range : summary.textureRanges)
        out << "  from face " << range.startFace << ": "
            << (range.texture ? *range.texture : "(untextured)") << '\n';
    out << "orientation: " << summary.facesToTurn << " faces to turn, " << summary.components
        << " components, " << summary.openComponents << " open\n";
    out << "bounding box: ";
    if (summary.vertexCount == 0) {
        out << "empty\n";
        return;
    }
    printPoint(out, summary.boxMin);
    out << " to ";
    printPoint(out, summary.boxMax);
    out << '\n';
}

}  // namespace util::tool

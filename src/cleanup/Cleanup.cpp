#include "cleanup/Cleanup.h"

#include <memory>
#include <string>
#include <type_traits>

#include "cleanup/MeshDataConversion.h"

namespace Cleanup {

namespace {
// The frame every operation shares: convert, run one pass, convert back. The mesh and the
// message die with the call, also when the pass throws. A pass that returns a flag returns
// whether it left faces it emptied in place; the record is then written without them and without
// the vertices only they used, as if the pass had taken them out.
template <typename Pass>
MeshData* runPass(MeshData const& data, Pass pass, bool roomToGrow = false) {
    std::string message;
    std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(data, message, roomToGrow);
    if (!mesh) return nullptr;
    bool leftEmptyFaces = false;
    if constexpr (std::is_void_v<decltype(pass(*mesh))>)
        pass(*mesh);
    else
        leftEmptyFaces = pass(*mesh);
    MeshData* result = leftEmptyFaces ? createMeshDataDroppingEmptyFaces(*mesh, message)
                                      : createMeshDataTakingFaces(*mesh, message);
    mesh->getCache().clear();
    return result;
}

void widen(std::wostream& stream, char const* text) {
    for (; *text != 0; ++text) stream << stream.widen(*text);
}

// Writes label, the value as the stream prints it, then tail.
template <typename T>
void field(std::wostream& stream, char const* label, T const& value, char const* tail = "") {
    widen(stream, label);
    stream << value;
    widen(stream, tail);
}
}  // namespace

MeshData* removeEdgesZero(float threshold, MeshData const& data) {
    // The record is written without the emptied faces and the vertices only they used, instead
    // of shifting nearly every face out of the list; that is also the one unused-vertex sweep.
    return runPass(
        data, [threshold](util::Mesh& mesh) { return mesh.removeZeroEdges(threshold, true) != 0; });
}

MeshData* removeFacesZero(float threshold, MeshData const& data) {
    return runPass(
        data, [threshold](util::Mesh& mesh) { return mesh.removeZeroFaces(threshold, true) != 0; });
}

MeshData* mergeVertices(float tolerance, MeshData const& data) {
    return runPass(data, [tolerance](util::Mesh& mesh) {
        mesh.mergeDuplicateVertices(tolerance, 0, 0, false, nullptr, false, false, nullptr);
    });
}

MeshData* removeEdgesCoplanar(float tolerance, bool checkUVs, MeshData const& data) {
    // The pass appends the loops it cuts out of merged faces: on triangulated buildings with
    // windows, about one face for every six it started with.
    return runPass(
        data,
        [tolerance, checkUVs](util::Mesh& mesh) {
            mesh.removeEdgesCoplanar(tolerance, checkUVs, false, nullptr);
        },
        true);
}

MeshData* removeFacesDouble(bool checkUVs, MeshData const& data) {
    return runPass(data, [checkUVs](util::Mesh& mesh) {
        mesh.removeFacesDouble(util::Mesh::RFD_ANY_ORIENTATION, checkUVs, nullptr);
    });
}

MeshData* removeVerticesColinear(float tolerance, bool checkUVs, MeshData const& data) {
    return runPass(data, [tolerance, checkUVs](util::Mesh& mesh) {
        mesh.removeColinearPoints(tolerance, checkUVs, nullptr, false);
    });
}

MeshData* conformNormals(MeshData const& data) {
    return runPass(data,
                   [](util::Mesh& mesh) { mesh.conformNormals(util::Matrix<float>::identity()); });
}

void freeMeshData(MeshData const* data) {
    if (data == nullptr) return;
    delete[] data->mName;
    delete[] data->mVertexCoords;
    delete[] data->mIndices;
    delete[] data->mTexCoords;
    delete[] data->mTCIndices;
    delete[] data->mCounts;
    if (data->mTextures != nullptr) {
        for (int i = 0; i < data->mTexturesCount; ++i) delete[] data->mTextures[i];
        delete[] data->mTextures;
    }
    delete[] data->mTexturesStartFaces;
    delete[] data->mHoles;
    delete[] data->mConversionMessage;
    delete data;
}

std::wostream& operator<<(std::wostream& stream, MeshData const& data) {
    stream << L"MeshData, \n";
    widen(stream, "mName: ");
    widen(stream, data.mName != nullptr ? data.mName : "0x0");
    field(stream, "\nmVertexCoords: ", static_cast<void const*>(data.mVertexCoords));
    field(stream, "\nmVCCount: ", data.mVCCount);
    field(stream, "\nmIndices: ", static_cast<void const*>(data.mIndices));
    field(stream, "\nmIndexCount: ", data.mIndexCount);
    field(stream, "\nmTexCoords: ", static_cast<void const*>(data.mTexCoords));
    field(stream, "\nmTCCount: ", data.mTCCount);
    field(stream, "\nmTCIndices: ", static_cast<void const*>(data.mTCIndices));
    field(stream, "\nmTCIndexCount: ", data.mTCIndexCount);
    field(stream, "\nmCounts: ", static_cast<void const*>(data.mCounts));
    field(stream, "\nmCountCount: ", data.mCountCount);
    field(stream, "\nmTextures: ", static_cast<void const*>(data.mTextures), " [ ");
    for (int i = 0; data.mTextures != nullptr && i < data.mTexturesCount; ++i) {
        widen(stream, data.mTextures[i] != nullptr ? data.mTextures[i] : "0x0");
        widen(stream, ", ");
    }
    field(stream, " ] \nmTexturesCount: ", data.mTexturesCount);
    field(stream, "\nmTexturesStartFaces: ", static_cast<void const*>(data.mTexturesStartFaces));
    field(stream, "\nmTexturesStartFacesCount: ", data.mTexturesStartFacesCount);
    field(stream, "\nmHoles: ", static_cast<void const*>(data.mHoles), "\n");
    field(stream, "\nmHolesCount: ", data.mHolesCount, "\n");
    stream << stream.widen('\n');
    stream.flush();
    return stream;
}

}  // namespace Cleanup

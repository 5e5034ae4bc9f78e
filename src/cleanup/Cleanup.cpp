#include "cleanup/Cleanup.h"

#include <memory>
#include <string>

#include "cleanup/MeshDataConversion.h"

namespace Cleanup {

namespace {
// The frame every operation shares: convert, run one pass, convert back. The mesh and the
// message die with the call, also when the pass throws.
template <typename Pass>
MeshData* runPass(MeshData const& data, Pass pass) {
    std::string message;
    std::unique_ptr<util::Mesh> mesh = createMeshFromMeshData(data, message);
    if (!mesh) return nullptr;
    pass(*mesh);
    MeshData* result = createMeshDataFromMesh(*mesh, message);
    mesh->getCache().clear();
    return result;
}

void widen(std::wostream& stream, char const* text) {
    for (; *text != 0; ++text) stream << stream.widen(*text);
}

void printPointer(std::wostream& stream, char const* label, void const* pointer) {
    widen(stream, label);
    stream << pointer;
}
}  // namespace

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
    widen(stream, "\n");
    printPointer(stream, "mVertexCoords: ", data.mVertexCoords);
    widen(stream, "\nmVCCount: ");
    stream << data.mVCCount;
    printPointer(stream, "\nmIndices: ", data.mIndices);
    widen(stream, "\nmIndexCount: ");
    stream << data.mIndexCount;
    printPointer(stream, "\nmTexCoords: ", data.mTexCoords);
    widen(stream, "\nmTCCount: ");
    stream << data.mTCCount;
    printPointer(stream, "\nmTCIndices: ", data.mTCIndices);
    widen(stream, "\nmTCIndexCount: ");
    stream << data.mTCIndexCount;
    printPointer(stream, "\nmCounts: ", data.mCounts);
    widen(stream, "\nmCountCount: ");
    stream << data.mCountCount;
    printPointer(stream, "\nmTextures: ", data.mTextures);
    widen(stream, " [ ");
    for (int i = 0; data.mTextures != nullptr && i < data.mTexturesCount; ++i) {
        widen(stream, data.mTextures[i] != nullptr ? data.mTextures[i] : "0x0");
        widen(stream, ", ");
    }
    widen(stream, " ] ");
    widen(stream, "\nmTexturesCount: ");
    stream << data.mTexturesCount;
    printPointer(stream, "\nmTexturesStartFaces: ", data.mTexturesStartFaces);
    widen(stream, "\nmTexturesStartFacesCount: ");
    stream << data.mTexturesStartFacesCount;
    printPointer(stream, "\nmHoles: ", data.mHoles);
    widen(stream, "\n\nmHolesCount: ");
    stream << data.mHolesCount;
    widen(stream, "\n");
    stream << stream.widen('\n');
    stream.flush();
    return stream;
}

}  // namespace Cleanup

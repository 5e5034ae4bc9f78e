#include "cleanup/MeshDataConversion.h"

#include <algorithm>
#include <cstring>

#include "base/HugePages.h"
#include "base/StringUtils.h"
#include "material/MaterialContainer.h"
#include "material/Shader.h"
#include "material/SimpleTexture.h"
#include "mesh/FacePrefetch.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/RemovedFaces.h"

namespace Cleanup {

namespace {
wchar_t const* const TEXTURE_KEY = L"texture";

struct RecordDeleter {
    void operator()(MeshData* data) const { freeMeshData(data); }
};
using RecordPtr = std::unique_ptr<MeshData, RecordDeleter>;

bool indicesInRange(int const* indices, long long count, long long limit) {
    for (long long i = 0; i < count; ++i)
        if (indices[i] < 0 || indices[i] >= limit) return false;
    return true;
}

// A textured range gets its own texture object, so equal names still give unequal materials.
util::Material texturedMaterial(util::Shader const& schema, unsigned long key, char const* name) {
    util::Material material(schema);
    util::detail::MaterialContainer container(material.getContainer());
    std::shared_ptr<util::Texture const> const texture = std::make_shared<util::SimpleTexture>(
        util::StringUtils::toOSWideFromOSNarrow(name), 1u, 1u, util::TextureUtils::PixelFormat(4),
        new unsigned char[4]());
    container.set(key, texture);
    container.set(key, std::wstring());
    material.setContainer(container);
    return material;
}

void textureMaterials(MeshData const& data, std::vector<util::Material>& materials,
                      std::vector<unsigned int>& startFaces) {
    util::Shader schema(L"cleanupShader");
    unsigned long const key = schema.addKey(TEXTURE_KEY, util::SKT_TEXTURE, 1);
    auto const count = static_cast<std::size_t>(data.mTexturesCount);
    materials.reserve(count);
    startFaces.assign(count, 0u);
    for (std::size_t i = 0; i < count; ++i) {
        if (data.mTexturesStartFaces != nullptr) startFaces[i] = data.mTexturesStartFaces[i];
        if (data.mTextures[i] == nullptr)
            materials.emplace_back(util::Shader::getDefault());
        else
            materials.push_back(texturedMaterial(schema, key, data.mTextures[i]));
    }
}

// A host array with huge pages advised before it is first written.
template <typename T>
T* newArray(std::size_t count) {
    T* array = new T[count];
    util::adviseHugePages(array, count * sizeof(T));
    return array;
}

template <typename T>
T* copyArray(std::vector<T> const& values) {
    T* array = newArray<T>(values.size());
    std::copy(values.begin(), values.end(), array);
    return array;
}

char* copyString(std::string const& text) {
    char* result = new char[text.size() + 1];
    std::memcpy(result, text.c_str(), text.size() + 1);
    return result;
}

// Null when the material's schema has no texture key or the texture has no URI.
char* textureName(util::Material const& material) {
    util::detail::ShaderContainer const& schema = material.getShader().getContainer();
    if (!schema.hasKey(TEXTURE_KEY)) return nullptr;
    std::shared_ptr<util::Texture const> const texture =
        material.getTexture(schema.getKey(TEXTURE_KEY));
    if (!texture || texture->getURI().empty()) return nullptr;
    return copyString(util::StringUtils::toUTF8FromUTF16(texture->getURI()));
}

void writeTextures(util::Mesh const& mesh, MeshData& data) {
    if (!mesh.mFaceMaterials.empty() && !mesh.mTexCoords[0].empty()) {
        std::size_t const count = mesh.mFaceMaterials.size();
        data.mTextures = new char*[count]();
        data.mTexturesCount = static_cast<int>(count);
        data.mTexturesStartFaces = copyArray(mesh.mFaceMaterialStartIndices);
        data.mTexturesStartFacesCount = static_cast<int>(mesh.mFaceMaterialStartIndices.size());
        for (std::size_t i = 0; i < count; ++i)
            data.mTextures[i] = textureName(mesh.mFaceMaterials[i]);
        return;
    }
    data.mTextures = new char*[1]();
    data.mTexturesCount = 1;
    data.mTextures[0] = textureName(mesh.mDefaultMaterial);
}

// Which faces and vertices of a mesh a record gets, and under which indices.
struct Layout {
    std::size_t faceCount = 0;            // faces written
    std::size_t indexCount = 0;           // their corners, when counted
    bool indexCountKnown = false;         // otherwise the write finds it
    bool skipEmptyFaces = false;          // faces without corners are left out
    std::vector<unsigned int> newVertex;  // index of each vertex in the record; empty: its own
};

// Corners of the faces first to last - 1.
std::size_t cornersOf(std::vector<util::Mesh::Polygon> const& faces, std::size_t first,
                      std::size_t last) {
    std::size_t count = 0;
    for (std::size_t f = first; f < last; ++f) {
        util::detail::prefetchFaceAhead(faces, f);
        count += faces[f].vertexIndices.size();
    }
    return count;
}

// Moves the values first to last - 1 of array to position at of fresh room for count values.
void moveInto(int*& array, std::size_t first, std::size_t last, std::size_t count, std::size_t at) {
    if (array == nullptr) return;
    int* const room = newArray<int>(count);
    std::copy(array + first, array + last, room + at);
    delete[] array;
    array = room;
}

// Writes the corners of one face from position p of the record's corner arrays.
inline void writeCorners(util::Mesh::Polygon const& face, unsigned int const* newVertex,
                         MeshData& data, std::size_t p) {
    std::vector<unsigned int> const& uvs = face.uvIndices[0];
    for (std::size_t k = 0; k < face.vertexIndices.size(); ++k, ++p) {
        unsigned int const v = face.vertexIndices[k];
        data.mIndices[p] = static_cast<int>(newVertex != nullptr ? newVertex[v] : v);
        // A face without set-0 indices in a mesh that has the set points at coordinate 0.
        if (data.mTCIndices != nullptr)
            data.mTCIndices[p] = k < uvs.size() ? static_cast<int>(uvs[k]) : 0;
    }
}

unsigned int const* newVertexOrNull(Layout const& layout) {
    return layout.newVertex.empty() ? nullptr : layout.newVertex.data();
}

// Allocates the per-face counts and room for count corners; UV indices when the mesh has set 0.
void allocateFaceArrays(util::Mesh const& mesh, Layout const& layout, std::size_t count,
                        MeshData& data) {
    data.mCounts = newArray<int>(layout.faceCount);
    data.mCountCount = static_cast<int>(layout.faceCount);
    data.mIndices = newArray<int>(count);
    if (!mesh.mTexCoords[0].empty() && count > 0) data.mTCIndices = newArray<int>(count);
}

// Sets the corner counts once count corners are written, and writes UV set 0.
void finishFaceArrays(util::Mesh const& mesh, std::size_t count, MeshData& data) {
    data.mIndexCount = static_cast<int>(count);
    if (count == 0) {
        // Faces without corners leave no UV index array.
        delete[] data.mTCIndices;
        data.mTCIndices = nullptr;
    }
    if (data.mTCIndices != nullptr) data.mTCIndexCount = static_cast<int>(count);
    std::vector<util::MeshBase::TexCoord> const& uvs = mesh.mTexCoords[0];
    if (uvs.empty()) return;
    data.mTexCoords = newArray<float>(2 * uvs.size());
    data.mTCCount = static_cast<int>(2 * uvs.size());
    for (std::size_t i = 0; i < uvs.size(); ++i) {
        data.mTexCoords[2 * i] = uvs[i].u;
        data.mTexCoords[2 * i + 1] = uvs[i].v;
    }
}

void writeFaces(util::Mesh const& mesh, Layout const& layout, MeshData& data) {
    // When the corners were not counted, room for three a face lets a triangle mesh be written
    // in one walk; a walk that runs out of room counts the rest once and moves what it wrote.
    std::size_t room = layout.indexCountKnown ? layout.indexCount : 3 * layout.faceCount;
    allocateFaceArrays(mesh, layout, room, data);
    unsigned int const* const newVertex = newVertexOrNull(layout);
    std::size_t p = 0;
    std::size_t written = 0;
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        util::detail::prefetchFaceAhead(mesh.mFaces, f);
        util::Mesh::Polygon const& face = mesh.mFaces[f];
        std::size_t const n = face.vertexIndices.size();
        if (n == 0 && layout.skipEmptyFaces) continue;
        if (p + n > room) {
            room = p + cornersOf(mesh.mFaces, f, mesh.mFaces.size());
            moveInto(data.mIndices, 0, p, room, 0);
            moveInto(data.mTCIndices, 0, p, room, 0);
        }
        data.mCounts[written++] = static_cast<int>(n);
        writeCorners(face, newVertex, data, p);
        p += n;
    }
    finishFaceArrays(mesh, p, data);
}

// Writes the faces from the last to the first and destroys each one written while it is still
// in cache: for a mesh about to go, this spares its destruction another walk over the whole
// face list. Without a corner count, the corners go down from the end of room for three a face,
// which a triangle mesh fills exactly; a walk that runs out of room counts the faces left once
// and moves what it wrote to the end of larger room.
void writeFacesTakingThem(util::Mesh& mesh, Layout const& layout, MeshData& data) {
    std::size_t room = layout.indexCountKnown ? layout.indexCount : 3 * layout.faceCount;
    allocateFaceArrays(mesh, layout, room, data);
    unsigned int const* const newVertex = newVertexOrNull(layout);
    std::size_t p = room;
    std::size_t written = layout.faceCount;
    std::vector<util::Mesh::Polygon>& faces = mesh.mFaces;
    while (!faces.empty()) {
        util::detail::prefetchFaceBehind(faces, faces.size() - 1);
        util::Mesh::Polygon const& face = faces.back();
        std::size_t const n = face.vertexIndices.size();
        if (n > 0 || !layout.skipEmptyFaces) {
            if (n > p) {
                std::size_t const tail = room - p;
                std::size_t const grown = tail + cornersOf(faces, 0, faces.size());
                moveInto(data.mIndices, p, room, grown, grown - tail);
                moveInto(data.mTCIndices, p, room, grown, grown - tail);
                p = grown - tail;
                room = grown;
            }
            p -= n;
            data.mCounts[--written] = static_cast<int>(n);
            writeCorners(face, newVertex, data, p);
        }
        faces.pop_back();
    }
    if (p > 0) {
        // Faces of fewer than three corners left room at the front.
        std::copy(data.mIndices + p, data.mIndices + room, data.mIndices);
        if (data.mTCIndices != nullptr)
            std::copy(data.mTCIndices + p, data.mTCIndices + room, data.mTCIndices);
    }
    finishFaceArrays(mesh, room - p, data);
}

void writeVertices(util::Mesh const& mesh, Layout const& layout, MeshData& data) {
    std::size_t count = mesh.mVertices.size();
    if (!layout.newVertex.empty())
        count -= static_cast<std::size_t>(std::count(
            layout.newVertex.begin(), layout.newVertex.end(), util::MeshCleanupUtils::UNUSED));
    data.mVertexCoords = newArray<float>(3 * count);
    data.mVCCount = static_cast<int>(3 * count);
    float* out = data.mVertexCoords;
    for (std::size_t i = 0; i < mesh.mVertices.size(); ++i) {
        if (!layout.newVertex.empty() && layout.newVertex[i] == util::MeshCleanupUtils::UNUSED)
            continue;
        *out++ = mesh.mVertices[i].x;
        *out++ = mesh.mVertices[i].y;
        *out++ = mesh.mVertices[i].z;
    }
}

// Completes a record whose faces are written.
MeshData* finishRecord(util::Mesh const& mesh, Layout const& layout, RecordPtr data,
                       std::string const& message) {
    if (!mesh.mName.empty()) data->mName = copyString(mesh.mName);
    writeVertices(mesh, layout, *data);
    if (!mesh.mHoles.empty()) {
        data->mHoles = copyArray(mesh.mHoles);
        data->mHolesCount = static_cast<int>(mesh.mHoles.size());
    }
    writeTextures(mesh, *data);
    if (!message.empty()) data->mConversionMessage = copyString(message);
    return data.release();
}
}  // namespace

bool isReadableMeshData(MeshData const& data) {
    if (data.mVCCount < 0 || data.mIndexCount < 0 || data.mTCCount < 0 || data.mTCIndexCount < 0 ||
        data.mCountCount < 0 || data.mTexturesCount < 0 || data.mTexturesStartFacesCount < 0 ||
        data.mHolesCount < 0)
        return false;
    if (data.mVCCount > 0 && data.mVertexCoords == nullptr) return false;
    if (data.mCountCount > 0 && data.mCounts == nullptr) return false;
    // Stops at the first count that cannot be right: mCountCount may claim far more counts than
    // the array holds.
    long long indexSum = 0;
    for (int f = 0; f < data.mCountCount; ++f) {
        if (data.mCounts[f] < 0) return false;
        indexSum += data.mCounts[f];
        if (indexSum > data.mIndexCount) return false;
    }
    if (indexSum > 0 && data.mIndices == nullptr) return false;
    if (!indicesInRange(data.mIndices, indexSum, data.mVCCount / 3)) return false;
    if (data.mTexCoords != nullptr) {
        if (indexSum > 0 && data.mTCIndices == nullptr) return false;
        if (data.mTCIndexCount < indexSum) return false;
        if (!indicesInRange(data.mTCIndices, indexSum, data.mTCCount / 2)) return false;
    }
    if (data.mTexturesCount > 0 && data.mTextures == nullptr) return false;
    if (data.mTexturesStartFaces != nullptr && data.mTexturesStartFacesCount < data.mTexturesCount)
        return false;
    if (data.mHolesCount > 0 && data.mHoles == nullptr) return false;
    return true;
}

std::unique_ptr<util::Mesh> createMeshFromMeshData(MeshData const& data, std::string& message,
                                                   bool roomToGrow) {
    if (data.mVCCount == 0 || data.mVertexCoords == nullptr) return nullptr;
    if (!isReadableMeshData(data)) return nullptr;
    auto mesh = std::make_unique<util::Mesh>(std::string());
    std::vector<util::Material> materials;
    std::vector<unsigned int> startFaces;
    bool const withUVs = data.mTexCoords != nullptr;
    bool const textured = withUVs && data.mTexturesCount >= 1;
    if (textured) textureMaterials(data, materials, startFaces);
    mesh->initFromArrays(data.mName, data.mVCCount, data.mVertexCoords, data.mIndices,
                         withUVs ? data.mTCCount : 0, withUVs ? data.mTexCoords : nullptr,
                         withUVs ? data.mTCIndices : nullptr, data.mCountCount, data.mCounts,
                         data.mHoles, data.mHolesCount, textured ? &materials : nullptr,
                         textured ? &startFaces : nullptr, &message, roomToGrow);
    unsigned long removedEntries = 0, removedHoles = 0, invertedHoles = 0;
    mesh->cleanupHoles(removedEntries, removedHoles, invertedHoles, true, true);
    return mesh;
}

MeshData* createMeshDataFromMesh(util::Mesh const& mesh, std::string const& message) {
    if (mesh.mVertices.empty() || mesh.mFaces.empty()) return nullptr;
    Layout layout;
    layout.faceCount = mesh.mFaces.size();
    RecordPtr data(new MeshData());
    writeFaces(mesh, layout, *data);
    return finishRecord(mesh, layout, std::move(data), message);
}

MeshData* createMeshDataTakingFaces(util::Mesh& mesh, std::string const& message) {
    if (mesh.mVertices.empty() || mesh.mFaces.empty()) return nullptr;
    Layout layout;
    layout.faceCount = mesh.mFaces.size();
    RecordPtr data(new MeshData());
    writeFacesTakingThem(mesh, layout, *data);
    return finishRecord(mesh, layout, std::move(data), message);
}

MeshData* createMeshDataDroppingEmptyFaces(util::Mesh& mesh, std::string const& message) {
    if (!mesh.mEdgeFaces.empty() || !mesh.mVertexFaces.empty()) {
        mesh.removeEmptyFaces(nullptr);
        mesh.deleteUnusedVertices(nullptr);
        return createMeshDataFromMesh(mesh, message);
    }
    // One walk finds the faces that go, the corners that stay and the vertices they use.
    Layout layout;
    util::RemovedFaces removal;
    std::vector<unsigned char> used(mesh.mVertices.size(), 0);
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        util::detail::prefetchFaceAhead(mesh.mFaces, f);
        std::vector<unsigned int> const& corners = mesh.mFaces[f].vertexIndices;
        removal.append(corners.empty());
        layout.indexCount += corners.size();
        for (unsigned int const v : corners) used[v] = 1;
    }
    removal.renumberRangesAndHoles(mesh);
    mesh.getCache().clear();
    layout.faceCount = removal.faceCount() - removal.removedCount();
    if (mesh.mVertices.empty() || layout.faceCount == 0) return nullptr;
    layout.indexCountKnown = true;
    layout.skipEmptyFaces = true;
    layout.newVertex = util::MeshCleanupUtils::keptVertexIndices(used);
    RecordPtr data(new MeshData());
    writeFacesTakingThem(mesh, layout, *data);
    return finishRecord(mesh, layout, std::move(data), message);
}

}  // namespace Cleanup

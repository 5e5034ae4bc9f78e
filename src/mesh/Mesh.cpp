#include "mesh/Mesh.h"

#include <algorithm>
#include <boost/thread/lock_guard.hpp>
#include <cmath>
#include <stdexcept>

#include "mesh/BasicEdgeMap.h"
#include "mesh/MeshUtils.h"

namespace util {

// ---- Cache ----

Mesh::Cache::Cache() = default;

Mesh::Cache::~Cache() { clearLocked(); }

BasicBoundingBox<float> const* Mesh::Cache::getBoundingBox(Mesh const& mesh) {
    boost::lock_guard<boost::mutex> lock(mMutex);
    if (!mBoundingBox) {
        auto box = std::make_unique<BasicBoundingBox<float>>();
        for (Vector3<float> const& v : mesh.mVertices) box->extend(v);
        // An almost flat extent collapses to its middle.
        float const collapse = 0.0004f;
        for (int axis = 0; axis < 3; ++axis) {
            if (std::fabs(box->max[axis] - box->min[axis]) < collapse) {
                float const middle = (box->min[axis] + box->max[axis]) * 0.5f;
                box->min[axis] = middle;
                box->max[axis] = middle;
            }
        }
        mBoundingBox = std::move(box);
    }
    return mBoundingBox.get();
}

BasicEdgeMap const* Mesh::Cache::getEdgeMap(Mesh const& mesh) {
    boost::lock_guard<boost::mutex> lock(mMutex);
    if (!mEdgeMap) mEdgeMap = std::make_unique<BasicEdgeMap>(mesh.mFaces);
    return mEdgeMap.get();
}

bool Mesh::Cache::isClosedSurface(Mesh const& mesh) {
    boost::lock_guard<boost::mutex> lock(mMutex);
    if (!mClosedSurfaceKnown) {
        if (!mEdgeMap) mEdgeMap = std::make_unique<BasicEdgeMap>(mesh.mFaces);
        mClosedSurface = mEdgeMap->isManifold();
        mClosedSurfaceKnown = true;
    }
    return mClosedSurface;
}

unsigned long Mesh::Cache::getOrSetCacheKey(KEY key, unsigned long candidate) {
    boost::lock_guard<boost::mutex> lock(mMutex);
    if (!mCacheKeys) mCacheKeys.reset(new unsigned long[KEY_COUNT]());
    unsigned long& slot = mCacheKeys[static_cast<unsigned int>(key) % KEY_COUNT];
    if (slot == 0) slot = candidate;
    return slot;
}

void Mesh::Cache::clear() {
    boost::lock_guard<boost::mutex> lock(mMutex);
    clearLocked();
}

void Mesh::Cache::clearLocked() {
    mBoundingBox.reset();
    mEdgeMap.reset();
    mCacheKeys.reset();
    mClosedSurfaceKnown = false;
}

// ---- Construction ----

Mesh::Mesh(std::string const& name) : Mesh(name, Material()) {}

Mesh::Mesh(std::string const& name, Material const& material)
    : mName(name), mTexCoords(UV_SET_COUNT), mDefaultMaterial(material) {}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Polygon> const& faces)
    : Mesh(name, vertices, faces, Material()) {}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Polygon> const& faces, Material const& material)
    : mName(name),
      mVertices(vertices),
      mTexCoords(UV_SET_COUNT),
      mFaces(faces),
      mDefaultMaterial(material) {}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Vector3<float>> const& normals, std::vector<Polygon> const& faces)
    : mName(name),
      mVertices(vertices),
      mNormals(normals),
      mTexCoords(UV_SET_COUNT),
      mFaces(faces),
      mDefaultMaterial(Material()) {}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Polygon> const& edgeFaces, std::vector<Polygon> const& vertexFaces,
           Material const& material)
    : mName(name),
      mVertices(vertices),
      mTexCoords(UV_SET_COUNT),
      mEdgeFaces(edgeFaces),
      mVertexFaces(vertexFaces),
      mDefaultMaterial(material) {}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Vector3<float>> const& normals,
           std::vector<std::vector<TexCoord>> const& uvSets, std::vector<Polygon> const& faces,
           Material const& material)
    : mName(name),
      mVertices(vertices),
      mNormals(normals),
      mTexCoords(uvSets),
      mFaces(faces),
      mDefaultMaterial(material) {
    mTexCoords.resize(UV_SET_COUNT);
}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Vector3<float>> const& normals,
           std::vector<std::vector<TexCoord>> const& uvSets, std::vector<Polygon> const& faces,
           Material const& material, std::vector<unsigned int> const& holes)
    : Mesh(name, vertices, normals, uvSets, faces, material) {
    mHoles = holes;
}

Mesh::Mesh(std::string const& name, std::vector<Vector3<float>> const& vertices,
           std::vector<Polygon> const& faces, std::vector<unsigned int> const& holes)
    : Mesh(name, vertices, faces, Material()) {
    mHoles = holes;
}

Mesh::Mesh(Mesh const& source)
    : MeshBase(source),
      mName(source.mName),
      mVertices(source.mVertices),
      mNormals(source.mNormals),
      mTexCoords(source.mTexCoords),
      mFaces(source.mFaces),
      mEdgeFaces(source.mEdgeFaces),
      mVertexFaces(source.mVertexFaces),
      mDefaultMaterial(source.mDefaultMaterial),
      mFaceMaterials(source.mFaceMaterials),
      mFaceMaterialStartIndices(source.mFaceMaterialStartIndices),
      mHoles(source.mHoles) {}

Mesh::Mesh(Mesh const& source, Matrix<float> const& m, Material const* material)
    : mName(source.mName),
      mTexCoords(source.mTexCoords),
      mFaces(source.mFaces),
      mEdgeFaces(source.mEdgeFaces),
      mVertexFaces(source.mVertexFaces),
      mDefaultMaterial(material != nullptr ? *material : source.mDefaultMaterial),
      mFaceMaterials(source.mFaceMaterials),
      mFaceMaterialStartIndices(source.mFaceMaterialStartIndices),
      mHoles(source.mHoles) {
    mTexCoords.resize(UV_SET_COUNT);
    if (material != nullptr) {
        mFaceMaterials.clear();
        mFaceMaterialStartIndices.clear();
    }
    mVertices.reserve(source.mVertices.size());
    for (Vector3<float> const& v : source.mVertices) mVertices.push_back(m.transformPoint(v));
    mNormals.resize(source.mNormals.size());
    if (!source.mNormals.empty() || !mEdgeFaces.empty() || !mVertexFaces.empty()) {
        Matrix<float> const cofactors = m.getInverseTransposeSafe();
        for (Polygon& face : mVertexFaces) face.faceNormal = cofactors.transformNormal(face.faceNormal);
        for (Polygon& face : mEdgeFaces) face.faceNormal = cofactors.transformNormal(face.faceNormal);
        for (std::size_t i = 0; i < mNormals.size(); ++i)
            mNormals[i] = cofactors.transformNormal(source.mNormals[i]);
    }
    // Recomputed from the moved corners, so a mirror keeps normals consistent with the winding.
    calcFaceNormals();
}

Mesh& Mesh::operator=(Mesh const& source) {
    if (this == &source) return *this;
    mDefaultMaterial = source.mDefaultMaterial;
    mName = source.mName;
    mVertices = source.mVertices;
    mNormals = source.mNormals;
    mTexCoords = source.mTexCoords;
    mFaces = source.mFaces;
    mEdgeFaces = source.mEdgeFaces;
    mVertexFaces = source.mVertexFaces;
    mFaceMaterials = source.mFaceMaterials;
    mFaceMaterialStartIndices = source.mFaceMaterialStartIndices;
    mHoles = source.mHoles;
    mCache.clear();
    return *this;
}

Mesh::~Mesh() { mCache.clear(); }

Mesh* Mesh::getTransformedCopy(Matrix<float> const& m) const { return new Mesh(*this, m, nullptr); }

Mesh* Mesh::getTransformedCopyBasic(Matrix<float> const& m) const {
    std::vector<Vector3<float>> vertices;
    vertices.reserve(mVertices.size());
    for (Vector3<float> const& v : mVertices) vertices.push_back(m.transformPoint(v));
    if (mVertexFaces.empty() && mEdgeFaces.empty()) {
        std::vector<Polygon> faces;
        faces.reserve(mFaces.size());
        for (Polygon const& face : mFaces) faces.emplace_back(face.vertexIndices);
        auto copy = std::make_unique<Mesh>(mName, vertices, faces, mHoles);
        copy->calcFaceNormals();
        return copy.release();
    }
    Matrix<float> const cofactors = m.getInverseTransposeSafe();
    auto transformed = [&](std::vector<Polygon> faces) {
        for (Polygon& face : faces) face.faceNormal = cofactors.transformNormal(face.faceNormal);
        return faces;
    };
    if (!mVertexFaces.empty())
        return new Mesh(mName, vertices, {}, transformed(mVertexFaces), mDefaultMaterial);
    return new Mesh(mName, vertices, transformed(mEdgeFaces), {}, mDefaultMaterial);
}

// ---- Queries ----

std::size_t Mesh::firstHoleGroup(unsigned int face) const {
    std::size_t i = 0;
    while (i < mHoles.size() && mHoles[i] != face) {
        while (i < mHoles.size() && mHoles[i] != HOLES_END) ++i;
        ++i;
    }
    return std::min(i, mHoles.size());
}

unsigned long Mesh::getFaceHolesCount(unsigned int face) const {
    unsigned long count = 0;
    for (std::size_t i = firstHoleGroup(face) + 1; i < mHoles.size() && mHoles[i] != HOLES_END; ++i)
        ++count;
    return count;
}

unsigned int Mesh::getFaceHole(unsigned int face, unsigned int hole) const {
    std::size_t const group = firstHoleGroup(face);
    if (group == mHoles.size()) throw std::runtime_error("illegal hole index.");
    return mHoles.at(group + 1 + hole);
}

bool Mesh::faceIsHole(unsigned int face) const {
    std::size_t i = 0;
    while (i < mHoles.size()) {
        ++i;  // the encircling face
        for (; i < mHoles.size() && mHoles[i] != HOLES_END; ++i)
            if (mHoles[i] == face) return true;
        ++i;
    }
    return false;
}

std::vector<Mesh::Polygon> const& Mesh::getActiveFaces() const {
    if (!mVertexFaces.empty()) return mVertexFaces;
    if (!mEdgeFaces.empty()) return mEdgeFaces;
    return mFaces;
}

std::vector<Mesh::Polygon>& Mesh::getActiveFaces() {
    return const_cast<std::vector<Polygon>&>(static_cast<Mesh const&>(*this).getActiveFaces());
}

Material const& Mesh::getFaceMaterial(unsigned int face) const {
    if (mFaceMaterials.empty()) return mDefaultMaterial;
    auto const next = std::upper_bound(mFaceMaterialStartIndices.begin(),
                                       mFaceMaterialStartIndices.end(), face);
    if (next == mFaceMaterialStartIndices.begin()) return mDefaultMaterial;
    return mFaceMaterials[static_cast<std::size_t>(next - mFaceMaterialStartIndices.begin()) - 1];
}

void Mesh::setFaceEdgeIndices(unsigned long start) {
    unsigned long next = start;
    for (Polygon& face : mFaces) {
        std::size_t const n = face.vertexIndices.size();
        face.normalIndices.resize(n);
        for (std::size_t k = 0; k < n; ++k) face.normalIndices[k] = static_cast<unsigned int>(next++);
        face.faceEdgeIndicesSet = true;
    }
}

void Mesh::clearFaceEdgeIndices() {
    for (Polygon& face : mFaces) {
        face.normalIndices.clear();
        face.faceEdgeIndicesSet = false;
    }
}

bool Mesh::hasFaceEdgeIndicesSet() const {
    return !mFaces.empty() && mFaces.front().faceEdgeIndicesSet;
}

void Mesh::calcFaceNormals() {
    for (Polygon& face : mFaces) MeshUtils::calcPolyNormal(mVertices, &face.vertexIndices, face.faceNormal);
}

}  // namespace util

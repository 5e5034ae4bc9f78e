#include "intersection/Mesh2TriangleMeshCache.h"

#include <boost/thread/lock_guard.hpp>

namespace util {

Mesh2TriangleMeshCache::KeyManager
    Mesh2TriangleMeshCache::KeyManager::mTheInstance[Mesh::KEY_COUNT];

unsigned long Mesh2TriangleMeshCache::KeyManager::draw() {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    return mNext++;
}

void Mesh2TriangleMeshCache::KeyManager::giveBack(unsigned long candidate) {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    if (mNext == candidate + 1) mNext = candidate;
}

unsigned long Mesh2TriangleMeshCache::KeyManager::peekNext() const {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    return mNext;
}

Mesh2TriangleMeshCache::Mesh2TriangleMeshCache(Mesh::KEY slot)
    : mSlot(slot), mTriangulator(nullptr) {}

std::size_t Mesh2TriangleMeshCache::size() const {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    return mEntries.size();
}

std::shared_ptr<TriangleMesh> Mesh2TriangleMeshCache::get(Mesh const& mesh) {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    KeyManager& keys = KeyManager::instance(mSlot);
    unsigned long const candidate = keys.draw();
    unsigned long const key = mesh.getCache().getOrSetCacheKey(mSlot, candidate);
    if (key != candidate) {
        auto const found = mEntries.find(key);
        if (found != mEntries.end()) {
            keys.giveBack(candidate);
            return found->second;
        }
    }
    Triangulator::Mode const mode = mSlot == Mesh::KEY_INTERSECTOR
                                        ? Triangulator::TRIANGLES_AND_EDGES
                                        : Triangulator::TRIANGLES;
    std::shared_ptr<TriangleMesh> triangleMesh(mTriangulator.triangulateVerticesOnly(
        mesh, new TriangleMesh::Positions(mesh.mVertices), mode));
    mEntries[key] = triangleMesh;
    return triangleMesh;
}

std::size_t Mesh2TriangleMeshCache::evictUnreferenced() {
    boost::lock_guard<boost::mutex> const lock(mMutex);
    // A count of 1 cannot rise meanwhile: new references are only made from the map, under
    // this mutex.
    std::size_t evicted = 0;
    for (auto entry = mEntries.begin(); entry != mEntries.end();) {
        if (entry->second.use_count() == 1) {
            entry = mEntries.erase(entry);
            ++evicted;
        } else {
            ++entry;
        }
    }
    return evicted;
}

}  // namespace util

#pragma once

#include <boost/thread/mutex.hpp>
#include <cstddef>
#include <map>
#include <memory>

#include "intersection/TriangleMesh.h"
#include "intersection/Triangulator.h"
#include "mesh/Mesh.h"

namespace util {

// Triangulates each mesh once per owner. A mesh is known by the key it carries in its own cache
// for this cache's slot; every cache of one slot (all pickers, say) sees the same key for a mesh
// but keeps its own triangle meshes. A mesh whose cache was cleared gets a new key and is
// triangulated afresh; other changes to a mesh go unnoticed.
//
// Any thread may call; triangulation is serialised on the cache mutex. Lock order: cache mutex,
// then a key manager's mutex, then the mesh's cache mutex.
class Mesh2TriangleMeshCache {
public:
    // Hands out the keys of one slot, process-wide; 0 is never a key.
    class KeyManager {
    public:
        static KeyManager& instance(Mesh::KEY slot) { return mTheInstance[slot]; }

        unsigned long draw();
        // Undoes the last draw if no other draw came in between.
        void giveBack(unsigned long candidate);
        unsigned long peekNext() const;

    private:
        KeyManager() = default;
        static KeyManager mTheInstance[Mesh::KEY_COUNT];

        mutable boost::mutex mMutex;  // guards mNext
        unsigned long mNext = 1;
    };

    // The intersector's slot (KEY_INTERSECTOR) also gets the meshes' edges as line indices.
    explicit Mesh2TriangleMeshCache(Mesh::KEY slot);
    Mesh2TriangleMeshCache(Mesh2TriangleMeshCache const&) = delete;
    Mesh2TriangleMeshCache& operator=(Mesh2TriangleMeshCache const&) = delete;

    std::size_t size() const;

    // Throws what the triangulator throws; the mesh keeps its key then.
    std::shared_ptr<TriangleMesh> get(Mesh const& mesh);
    // Drops the triangle meshes that no one but this cache holds; returns how many.
    std::size_t evictUnreferenced();

private:
    Mesh::KEY const mSlot;
    mutable boost::mutex mMutex;  // guards mEntries and mTriangulator
    std::map<unsigned long, std::shared_ptr<TriangleMesh>> mEntries;
    Triangulator mTriangulator;
};

}  // namespace util

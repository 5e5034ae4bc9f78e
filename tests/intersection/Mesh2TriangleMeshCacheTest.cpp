#include <gtest/gtest.h>

#include <algorithm>
#include <boost/thread/barrier.hpp>
#include <memory>
#include <thread>
#include <vector>

#include "intersection/Mesh2TriangleMeshCache.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {
using KeyManager = Mesh2TriangleMeshCache::KeyManager;

// Heap meshes: a mesh is not copied lightly (its cache and keys stay behind).
std::unique_ptr<Mesh> quadMesh() { return std::make_unique<Mesh>(test::makeRegularPolygon(4, 1)); }

// The key a mesh carries for a slot; offering 0 never sets one.
unsigned long keyOf(Mesh const& mesh, Mesh::KEY slot) {
    return mesh.getCache().getOrSetCacheKey(slot, 0);
}

TEST(Mesh2TriangleMeshCacheTest, OneKeyPerMeshAndSlotButOneTriangleMeshPerCache) {
    Mesh2TriangleMeshCache cache(Mesh::KEY_PICKER);
    Mesh2TriangleMeshCache other(Mesh::KEY_PICKER);
    std::unique_ptr<Mesh> const mesh = quadMesh();
    std::shared_ptr<TriangleMesh> const first = cache.get(*mesh);
    unsigned long const nextAfterFirst = KeyManager::instance(Mesh::KEY_PICKER).peekNext();
    EXPECT_EQ(cache.get(*mesh), first);
    EXPECT_EQ(KeyManager::instance(Mesh::KEY_PICKER).peekNext(), nextAfterFirst);
    EXPECT_NE(other.get(*mesh), first);
    EXPECT_EQ(keyOf(*mesh, Mesh::KEY_PICKER), nextAfterFirst - 1);
    EXPECT_EQ(first->getTriangleCount(), 2u);
}

TEST(Mesh2TriangleMeshCacheTest, SlotsKeyIndependentlyAndOnlyTheIntersectorGetsEdges) {
    Mesh2TriangleMeshCache picker(Mesh::KEY_PICKER);
    Mesh2TriangleMeshCache intersector(Mesh::KEY_INTERSECTOR);
    std::unique_ptr<Mesh> const mesh = quadMesh();
    EXPECT_EQ(picker.get(*mesh)->getLines(), nullptr);
    std::shared_ptr<TriangleMesh> const withEdges = intersector.get(*mesh);
    ASSERT_NE(withEdges->getLines(), nullptr);
    EXPECT_EQ(withEdges->getLines()->size(), 8u);
    EXPECT_NE(keyOf(*mesh, Mesh::KEY_INTERSECTOR), 0u);
    EXPECT_EQ(keyOf(*mesh, Mesh::KEY_GENERIC), 0u);
}

TEST(Mesh2TriangleMeshCacheTest, EvictionDropsOnlyMeshesHeldByTheCacheAlone) {
    Mesh2TriangleMeshCache cache(Mesh::KEY_PICKER);
    std::unique_ptr<Mesh> const kept = quadMesh();
    std::unique_ptr<Mesh> const dropped = quadMesh();
    std::shared_ptr<TriangleMesh> const held = cache.get(*kept);
    cache.get(*dropped);
    unsigned long const droppedKey = keyOf(*dropped, Mesh::KEY_PICKER);
    EXPECT_EQ(cache.evictUnreferenced(), 1u);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.get(*kept), held);

    // Back under its old key, triangulated afresh; the key drawn for the miss is not given back.
    unsigned long const next = KeyManager::instance(Mesh::KEY_PICKER).peekNext();
    std::shared_ptr<TriangleMesh> const again = cache.get(*dropped);
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(keyOf(*dropped, Mesh::KEY_PICKER), droppedKey);
    EXPECT_EQ(KeyManager::instance(Mesh::KEY_PICKER).peekNext(), next + 1);
    EXPECT_EQ(again->getTriangleCount(), 2u);
}

TEST(Mesh2TriangleMeshCacheTest, ConcurrentGetsTriangulateEachMeshOnce) {
    constexpr unsigned int THREADS = 4;
    std::vector<std::unique_ptr<Mesh>> meshes;
    for (int m = 0; m < 16; ++m) meshes.push_back(quadMesh());
    Mesh2TriangleMeshCache cache(Mesh::KEY_INTERSECTOR);
    unsigned long const firstKey = KeyManager::instance(Mesh::KEY_INTERSECTOR).peekNext();

    boost::barrier start(THREADS);
    std::vector<std::vector<TriangleMesh*>> seen(THREADS);
    std::vector<std::thread> threads;
    for (unsigned int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            for (std::size_t m = 0; m < meshes.size(); ++m) {
                // Threads walk the meshes from different ends to meet on the same ones.
                std::size_t const index = t % 2 == 0 ? m : meshes.size() - 1 - m;
                seen[t].push_back(cache.get(*meshes[index]).get());
            }
            if (t % 2 != 0) std::reverse(seen[t].begin(), seen[t].end());
        });
    }
    for (std::thread& thread : threads) thread.join();

    for (unsigned int t = 1; t < THREADS; ++t) EXPECT_EQ(seen[t], seen[0]) << "thread " << t;
    EXPECT_EQ(cache.size(), meshes.size());
    EXPECT_EQ(KeyManager::instance(Mesh::KEY_INTERSECTOR).peekNext(), firstKey + meshes.size());
}

}  // namespace
}  // namespace util

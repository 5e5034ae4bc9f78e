#include <gtest/gtest.h>

#include <random>

#include "intersection/IntersectionUtils.h"
#include "intersection/Mesh2TriangleMeshCache.h"
#include "picking/Pickable.h"
#include "picking/PickingTestSupport.h"

namespace util {
namespace test {
namespace {

// The pickable keeps its world-space vertices between rays; every answer must be exactly what
// transforming afresh for each ray gives, also after translations.
TEST(PickableTest, KeptWorldVerticesGiveExactlyTheFreshResult) {
    std::mt19937 random(17);
    std::uniform_real_distribution<float> coord(-2, 2);
    Mesh2TriangleMeshCache cache(Mesh::KEY_GENERIC);
    Pickable::TriangleMeshes meshes;
    for (int m = 0; m < 3; ++m) {
        std::vector<V3> vertices;
        std::vector<Corners> faces;
        for (unsigned int k = 0; k < 3 * 40; ++k) {
            vertices.emplace_back(coord(random), coord(random), coord(random));
            if (k % 3 == 2) faces.push_back({k - 2, k - 1, k});
        }
        meshes.push_back(cache.get(makeMesh(vertices, faces)));
    }
    Matrix<float> m;
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14}) m[i] = coord(random);
    Pickable pickable(1, m, meshes);
    int hits = 0;
    for (int r = 0; r < 200; ++r) {
        if (r % 40 == 39) pickable.translate(coord(random), coord(random), coord(random));
        V3 const origin = V3(coord(random), coord(random), coord(random)) * 2;
        V3 const direction(coord(random), coord(random), coord(random));
        float expected = NO_HIT;
        V3 expectedNormal(9, 9, 9);
        for (auto const& mesh : meshes) {
            float d = NO_HIT;
            V3 n;
            if (intersection::getPosRayDistance(*mesh, pickable.getTransform(), origin, direction,
                                                d, &n) &&
                d < expected) {
                expected = d;
                expectedNormal = n;
            }
        }
        float distance = 0;
        V3 normal(9, 9, 9);
        bool const hit = pickable.getSmallesPosDistance(origin, direction, distance, &normal);
        ASSERT_EQ(hit, expected < NO_HIT) << "ray " << r;
        EXPECT_EQ(distance, expected) << "ray " << r;
        EXPECT_EQ(normal, expectedNormal) << "ray " << r;  // untouched on a miss
        hits += hit;
    }
    EXPECT_GT(hits, 50);
}

}  // namespace
}  // namespace test
}  // namespace util

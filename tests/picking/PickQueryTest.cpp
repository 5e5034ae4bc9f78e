#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "intersection/IntersectionUtils.h"
#include "picking/OctreePicker.h"
#include "picking/PickingTestSupport.h"

namespace util {
namespace test {
namespace {

class PickQueryTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (unsigned long group : mGroups) mPicker.dispose(group);
        mPicker.processQueue();
    }
    unsigned long newGroup() { return mGroups.emplace_back(mPicker.createGroup()); }
    std::vector<int> query(unsigned long group, BoxView const& view, bool fullyInside) {
        std::vector<int> ids(512, -1);
        long const n = mPicker.getIntersectingEntries(
            group, view.corners.data(), view.viewProjection.m, fullyInside, ids.data(), ids.size());
        ids.resize(std::max(n, 0L));
        return ids;
    }
    struct Hit {
        bool hit;
        float distance;
        V3 normal;
    };
    Hit ray(unsigned long group, int id, V3 const& origin, V3 const& direction) {
        Hit result{false, 42, V3(42, 42, 42)};
        result.hit = mPicker.getShapeDist(group, id, &origin.x, &direction.x, result.distance,
                                          &result.normal.x);
        return result;
    }

    OctreePicker mPicker;
    std::vector<unsigned long> mGroups;
    Mesh const mUnit = makeTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    BoxView const mAll = boxView(V3(-5, -5, -5), V3(5, 5, 5));
};

// Too small a buffer reports -2 and writes nothing; a frustum elsewhere finds nothing.
TEST_F(PickQueryTest, CapacityDecidesBetweenWritingAndReportingTheCount) {
    Mesh const b = makeTriangle(V3(-2, -2, -1), V3(-1, -2, -1), V3(-2, -1, -1));
    unsigned long const group = newGroup();
    mPicker.addEntry(group, 10, {&mUnit}, Matrix<float>());
    mPicker.addEntry(group, 20, {&b}, Matrix<float>());
    float const* corners = mAll.corners.data();
    float const* matrix = mAll.viewProjection.m;
    int ids[2] = {-7, -7};
    for (unsigned long capacity : {0, 1})
        EXPECT_EQ(mPicker.getIntersectingEntries(group, corners, matrix, false, ids, capacity), -2);
    EXPECT_EQ(mPicker.getIntersectingEntries(group, corners, matrix, false, nullptr, 0), -2);
    EXPECT_EQ(ids[0], -7);
    EXPECT_EQ(ids[1], -7);
    std::vector<int> found = query(group, mAll, false);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<int>{10, 20}));
    EXPECT_TRUE(query(group, boxView(V3(50, 50, 50), V3(60, 60, 60)), false).empty());
}

// Ids come parent node first, then in stored order; fully inside rejects an entry with any
// mesh crossing a frustum side.
TEST_F(PickQueryTest, IdsComeParentNodeFirstAndFullyInsideRejectsCrossingEntries) {
    // 1 and 3 lie in one octant of the root, 2 straddles the root's centre planes.
    Mesh const small = makeTriangle(V3(1, 1, 1), V3(2, 1, 1), V3(1, 2, 1));
    Mesh const across = makeTriangle(V3(-1, -1, 0), V3(1, -1, 0), V3(0, 1, 0));
    Mesh const crossing = makeTriangle(V3(4, 0, 0), V3(6, 0, 0), V3(4, 1, 0));
    unsigned long const group = newGroup();
    mPicker.addEntry(group, 1, {&small}, Matrix<float>());
    mPicker.addEntry(group, 2, {&across}, Matrix<float>());
    mPicker.addEntry(group, 3, {&small}, Matrix<float>::translation(0.5f, 0.5f, 0));
    EXPECT_EQ(query(group, mAll, false), (std::vector<int>{2, 1, 3}));
    unsigned long const sides = newGroup();
    mPicker.addEntry(sides, 1, {&crossing}, Matrix<float>());
    mPicker.addEntry(sides, 2, {&small, &crossing}, Matrix<float>());
    mPicker.addEntry(sides, 3, {&small}, Matrix<float>());
    std::vector<int> partly = query(sides, mAll, false);
    std::sort(partly.begin(), partly.end());
    EXPECT_EQ(partly, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(query(sides, mAll, true), (std::vector<int>{3}));
}

TEST_F(PickQueryTest, ProjectionUsesTheAbsoluteWAndSetsAsideVerticesOnTheEyePlane) {
    auto pickable = [](Mesh const& mesh) {
        Mesh2TriangleMeshCache cache(Mesh::KEY_GENERIC);
        return Pickable(1, Matrix<float>(), {cache.get(mesh)});
    };
    // w = -1 everywhere: the whole scene lies behind the eye and is mirrored into view.
    Matrix<float> behind;
    behind[15] = -1;
    Pickable const near =
        pickable(makeTriangle(V3(0.1f, 0.1f, 0), V3(0.3f, 0.1f, 0), V3(0.1f, 0.3f, 0)));
    EXPECT_TRUE(near.intersects(behind, false));
    EXPECT_TRUE(near.intersects(behind, true));
    // w = z: vertex 0 sits on the eye plane. Placed at the origin, it makes the triangle reach
    // the cube; skipped, it leaves only the far vertices, which lie outside.
    Matrix<float> perspective;
    perspective[11] = 1;
    perspective[15] = 0;
    Pickable const eye = pickable(makeTriangle(V3(5, 0, 0), V3(5, 0.1f, 1), V3(5, 0.2f, 1)));
    EXPECT_TRUE(eye.intersects(perspective, false));
    EXPECT_FALSE(eye.intersects(perspective, true));
    Pickable const inFront = pickable(makeTriangle(V3(5, 0, 0), V3(0.5f, 0, 1), V3(0, 0.5f, 1)));
    EXPECT_TRUE(inFront.intersects(perspective, true));
}

TEST_F(PickQueryTest, GrowthKeepsEveryEarlierEntryReachable) {
    unsigned long const group = newGroup();
    std::vector<V3> const places{V3(1, 1, 1),     V3(-8, 3, 2),  V3(100, 0, 0),
                                 V3(-300, 40, 7), V3(2, -9, -9), V3(1e4f, 1e4f, -1e4f)};
    for (std::size_t i = 0; i < places.size(); ++i) {
        mPicker.addEntry(group, static_cast<int>(i), {&mUnit},
                         Matrix<float>::translation(places[i].x, places[i].y, places[i].z));
        mPicker.processQueue();
        for (std::size_t j = 0; j <= i; ++j) {
            V3 const& p = places[j];
            BoxView const view = boxView(p - V3(0.5f, 0.5f, 0.5f), p + V3(1.5f, 1.5f, 0.5f));
            EXPECT_EQ(query(group, view, true), std::vector<int>{static_cast<int>(j)})
                << "entry " << j << " after " << i;
            EXPECT_TRUE(ray(group, static_cast<int>(j), p + V3(0.25f, 0.25f, 1), V3(0, 0, -1)).hit);
        }
    }
}

TEST_F(PickQueryTest, RelocationMovesEntriesAndKeepsTheirIds) {
    Mesh const wall =
        makeMesh({V3(3, -1, -1), V3(3, 1, -1), V3(3, 1, 1), V3(3, -1, 1)}, {{0, 1, 2, 3}});
    unsigned long const group = newGroup();
    mPicker.addEntry(group, 1, {&wall}, Matrix<float>());
    mPicker.addEntry(group, 2, {&wall}, Matrix<float>::translation(200, 0, 0));
    EXPECT_EQ(ray(group, 1, V3(0, 0, 0), V3(1, 0, 0)).distance, 3);
    mPicker.relocate(group, 5, 0, 0);
    EXPECT_EQ(ray(group, 1, V3(0, 0, 0), V3(1, 0, 0)).distance, 8);
    EXPECT_EQ(ray(group, 2, V3(0, 0, 0), V3(1, 0, 0)).distance, 208);
    EXPECT_EQ(query(group, boxView(V3(7, -2, -2), V3(9, 2, 2)), true), std::vector<int>{1});
    EXPECT_TRUE(query(group, boxView(V3(2, -2, -2), V3(4, 2, 2)), false).empty());

    // T * M: the offset is scaled by each column's bottom entry.
    Matrix<float> projective;
    projective[15] = 2;
    projective[3] = 0.5f;
    Pickable pickable(1, projective, {});
    pickable.translate(1, 2, 3);
    Matrix<float> const& m = pickable.getTransform();
    EXPECT_EQ(V3(m[12], m[13], m[14]), V3(2, 4, 6));
    EXPECT_EQ(V3(m[0], m[1], m[2]), V3(1.5f, 1, 1.5f));
    EXPECT_EQ(m[3], 0.5f);
}

TEST_F(PickQueryTest, RayMissesWriteTheMissValuesOnlyForKnownEntries) {
    unsigned long const group = newGroup();
    unsigned long const empty = newGroup();
    mPicker.addEntry(group, 1, {&mUnit}, Matrix<float>());
    Hit const miss = ray(group, 1, V3(0.6f, 0.6f, 5), V3(0, 0, -1));  // beyond the long side
    EXPECT_FALSE(miss.hit);
    EXPECT_EQ(miss.distance, NO_HIT);
    EXPECT_EQ(miss.normal, V3(0, 0, 0));
    for (Hit const& untouched : {ray(group, 2, V3(0.2f, 0.2f, 1), V3(0, 0, -1)),
                                 ray(empty, 1, V3(0.2f, 0.2f, 1), V3(0, 0, -1))}) {
        EXPECT_FALSE(untouched.hit);
        EXPECT_EQ(untouched.distance, 42);
        EXPECT_EQ(untouched.normal, V3(42, 42, 42));
    }
    EXPECT_TRUE(query(empty, mAll, false).empty());
    EXPECT_EQ(mPicker.getGroupCount(), 1u);  // queries do not create groups
}

TEST_F(PickQueryTest, RayTestIsAbsoluteOneSidedInTAndKeepsTheEarlierOfEqualHits) {
    V3 const a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    Mesh const up = makeTriangle(a, b, c);
    Mesh const down = makeTriangle(a, c, b);
    Mesh const both = makeMesh({a, b, c}, {{0, 2, 1}, {0, 1, 2}});
    unsigned long const group = newGroup();
    mPicker.addEntry(group, 1, {&up, &down}, Matrix<float>());
    mPicker.addEntry(group, 2, {&down, &up}, Matrix<float>());
    mPicker.addEntry(group, 3, {&both}, Matrix<float>::translation(0, 0, -1));
    V3 const origin(0.25f, 0.25f, 5);
    EXPECT_EQ(ray(group, 1, origin, V3(0, 0, -1)).normal, V3(0, 0, 1));
    EXPECT_EQ(ray(group, 2, origin, V3(0, 0, -1)).normal, V3(0, 0, -1));
    Hit const lower = ray(group, 3, origin, V3(0, 0, -1));
    EXPECT_EQ(lower.distance, 6);
    EXPECT_EQ(lower.normal, V3(0, 0, -1));
    // Distances are in multiples of the direction, but |det| < 1e-5 is not scaled with it.
    EXPECT_EQ(ray(group, 1, origin, V3(0, 0, -0.5f)).distance, 10);
    EXPECT_FALSE(ray(group, 1, origin, V3(0, 0, -1e-6f)).hit);
    EXPECT_FALSE(ray(group, 1, origin, V3(1, 0, 0)).hit);  // in the plane's direction
    EXPECT_FALSE(ray(group, 1, V3(0.25f, 0.25f, -1), V3(0, 0, -1)).hit);      // behind the origin
    EXPECT_EQ(ray(group, 1, V3(0.25f, 0.25f, 0), V3(0, 0, -1)).distance, 0);  // t = 0 counts
}

// Non-finite coordinates must not hide the other entries: boxes beyond the float range make the
// octree's cube unusable for frustum queries, but the id map still reaches every entry by ray.
TEST_F(PickQueryTest, NonFiniteCoordinatesDoNotHideOtherEntries) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    float const inf = std::numeric_limits<float>::infinity();
    Mesh const broken = makeTriangle(V3(nan, 0, 0), V3(1, nan, 0), V3(0, 1, nan));
    Mesh const huge = makeTriangle(V3(-3e38f, 0, 0), V3(3e38f, 0, 0), V3(0, inf, 0));
    unsigned long const group = newGroup();
    mPicker.addEntry(group, 1, {&broken}, Matrix<float>());
    mPicker.addEntry(group, 2, {&huge}, Matrix<float>());
    mPicker.addEntry(group, 3, {&mUnit}, Matrix<float>::scaling(nan, 1, 1));
    mPicker.relocate(group, inf, 0, 0);
    mPicker.addEntry(group, 4, {&mUnit}, Matrix<float>::translation(2, 2, 0));
    query(group, mAll, false);
    EXPECT_FALSE(ray(group, 1, V3(0.2f, 0.2f, 1), V3(0, 0, -1)).hit);
    EXPECT_EQ(ray(group, 4, V3(2.2f, 2.2f, 1), V3(0, 0, -1)).distance, 1);
    unsigned long const finite = newGroup();  // NaN alone leaves the cube usable
    mPicker.addEntry(finite, 1, {&broken}, Matrix<float>());
    mPicker.addEntry(finite, 4, {&mUnit}, Matrix<float>::translation(2, 2, 0));
    EXPECT_EQ(query(finite, boxView(V3(1.5f, 1.5f, -1), V3(3.5f, 3.5f, 1)), true),
              std::vector<int>{4});
}

// Random entries and frusta: the octree's pruned search must report exactly what a scan of every
// entry (box pre-test, then projection) reports, in some order.
TEST_F(PickQueryTest, FrustumQueryMatchesAScanOfAllEntries) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> place(-40, 40), size(0.1f, 6), unit(-1, 1);
    std::vector<Mesh> meshes;
    for (int i = 0; i < 6; ++i) {
        std::vector<V3> v;
        for (int k = 0; k < 4; ++k) v.emplace_back(unit(random), unit(random), unit(random));
        meshes.push_back(makeMesh(v, {{0, 1, 2}, {0, 2, 3}, {1, 3, 2}}));
    }
    unsigned long const group = newGroup();
    std::vector<Pickable> entries;
    Mesh2TriangleMeshCache cache(Mesh::KEY_GENERIC);
    for (int id = 0; id < 300; ++id) {
        Matrix<float> m = Matrix<float>::scaling(size(random), size(random), size(random));
        m[12] = place(random);
        m[13] = place(random);
        m[14] = place(random);
        Mesh const& mesh = meshes[id % meshes.size()];
        mPicker.addEntry(group, id, {&mesh}, m);
        entries.emplace_back(id, m, Pickable::TriangleMeshes{cache.get(mesh)});
    }
    int reported = 0;
    for (int q = 0; q < 300; ++q) {
        V3 const lo(place(random), place(random), place(random));
        V3 const extent(size(random) * 4, size(random) * 4, size(random) * 4);
        BoxView view = boxView(lo, lo + extent);
        // Every other one a perspective frustum: the near end shrunk towards the far end's axis.
        float const shrink = q % 2 == 0 ? 1 : 0.1f + 0.8f * (unit(random) + 1) / 2;
        std::vector<Vector3<float>> corners;
        for (int i = 0; i < 8; ++i) {
            for (int k = 0; i >= 4 && k < 2; ++k) {
                float const mid = lo[k] + extent[k] / 2;
                view.corners[3 * i + k] = mid + (view.corners[3 * i + k] - mid) * shrink;
            }
            corners.emplace_back(view.corners[3 * i], view.corners[3 * i + 1],
                                 view.corners[3 * i + 2]);
        }
        bool const fullyInside = q % 3 == 0;
        std::vector<int> expected;
        for (Pickable const& entry : entries) {
            BasicBoundingBox<float> const box = entry.getBoundingBox();
            V3 const half = (box.max - box.min) * 0.5f;
            if (intersection::frustumBoxOverlap(corners, box.min + half, half) &&
                entry.intersects(view.viewProjection, fullyInside))
                expected.push_back(entry.getId());
        }
        std::vector<int> ids = query(group, view, fullyInside);
        std::sort(ids.begin(), ids.end());
        ASSERT_EQ(ids, expected) << "query " << q;
        reported += static_cast<int>(ids.size());
    }
    EXPECT_GT(reported, 100);  // the random scenes are not all empty
}

}  // namespace
}  // namespace test
}  // namespace util

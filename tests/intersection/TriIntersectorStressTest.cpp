#include <gtest/gtest.h>

#include <atomic>
#include <boost/thread/barrier.hpp>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "intersection/TriIntersector.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {
constexpr int PRODUCERS = 8;
constexpr int QUERIERS = 2;
constexpr int ROUNDS = 40;

// Producers add, box, and shift their groups back and forth along x, so that a ray down through
// (0.3, 0.2) meets every group at distance 100 (to rounding) whatever has executed; queries only
// ever see an absent group, a group without geometry, or that distance. One thread keeps flushing.
TEST(TriIntersectorStressTest, ProducersQueriesAndFlushesInterleave) {
    TriIntersector intersector;
    Mesh const shared = test::makeRegularPolygon(24, 2);  // cached, used by every producer at once
    std::vector<unsigned long> groups;
    for (int p = 0; p < PRODUCERS; ++p) groups.push_back(intersector.createGroup());
    boost::barrier start(PRODUCERS + QUERIERS + 1);
    std::atomic<int> producing(PRODUCERS);
    std::atomic<int> badDistances(0);
    std::vector<std::thread> threads;

    for (int p = 0; p < PRODUCERS; ++p) {
        threads.emplace_back([&, p] {
            Triangulator triangulator;
            Mesh const small = test::makeRegularPolygon(static_cast<unsigned int>(3 + p), 2);
            start.wait();
            for (int round = 0; round < ROUNDS; ++round) {
                intersector.addEntry(groups[p], round % 2 ? small : shared, Matrix<float>(),
                                     triangulator);
                intersector.setOABBox(groups[p], small, triangulator);
                intersector.relocate(groups[p], round % 2 ? -1.0 : 1.0, 0, 0);
            }
            --producing;
        });
    }
    for (int q = 0; q < QUERIERS; ++q) {
        threads.emplace_back([&, q] {
            float const origin[3] = {0.3f, 0.2f, 100};
            float const direction[3] = {0, 0, -1};
            Matrix<float> const view = Matrix<float>::scaling(0.1f, 0.1f, 0.1f);
            start.wait();
            while (producing > 0) {
                for (unsigned long const group : groups) {
                    float distance = -1;
                    float normal[3];
                    intersector.getDistanceToGroup(group, origin, direction, distance, normal);
                    if (distance != -1 && distance != 3.4028235e38f &&
                        std::fabs(distance - 100) > 1e-4f)
                        ++badDistances;
                    float point[3], a[3], b[3], c[3];
                    intersector.snap(group, view.m, origin, direction, point, a, b, c);
                    intersector.intersects(group, view.m, q == 0);
                }
                intersector.processQueue();
            }
        });
    }
    threads.emplace_back([&] {
        start.wait();
        while (producing > 0) {
            intersector.flushQueue();
            intersector.getQueueSize();
        }
    });
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(badDistances, 0);
    for (unsigned long const group : groups) intersector.dispose(group);
    intersector.processQueue();
    EXPECT_EQ(intersector.getQueueSize(), 0u);
    EXPECT_EQ(intersector.getCacheSize(), 0u);  // every entry gone, so every cached mesh
}

}  // namespace
}  // namespace util

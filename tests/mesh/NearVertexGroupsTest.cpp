#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

#include "mesh/NearVertexGroups.h"
#include "support/MeshBuilders.h"

namespace util {
namespace detail {
namespace {

using test::V3;
using Groups = std::vector<std::vector<unsigned int>>;

constexpr NeighbourSearch ALL_SEARCHES[] = {NeighbourSearch::DIRECT, NeighbourSearch::POINT_OCTREE,
                                            NeighbourSearch::CELL_GRID};

Groups group(std::vector<V3> const& positions, float tolerance, NeighbourSearch search,
             boost::dynamic_bitset<> processed = {}) {
    processed.resize(positions.size());
    return findNearVertexGroups(positions, tolerance, 0, 0, processed, search);
}

// Points that put many pairs at exactly, just under and just over the tolerance, exact
// duplicates, and enough spread that pairs straddle the grid's cell faces.
std::vector<V3> trickyCloud(std::mt19937& rng, float tolerance, std::size_t count) {
    float const spread = tolerance > 0 ? 20 * tolerance : 1.0f;
    std::uniform_real_distribution<float> coordinate(-spread, spread);
    std::uniform_int_distribution<int> lattice(-20, 20);
    std::uniform_int_distribution<int> kind(0, 5);
    std::vector<V3> points;
    while (points.size() < count) {
        V3 p(coordinate(rng), coordinate(rng), coordinate(rng));
        switch (points.empty() ? 0 : kind(rng)) {
            case 0:
                break;
            case 1:  // on a lattice of the tolerance: exact distances
                p = V3(lattice(rng) * tolerance, lattice(rng) * tolerance, 0.5f);
                break;
            case 2:  // a duplicate
                p = points[rng() % points.size()];
                break;
            default: {  // one tolerance away along an axis, give or take one float step
                p = points[rng() % points.size()];
                int const axis = static_cast<int>(rng() % 3);
                float const moved = p[axis] + tolerance;
                float const direction[] = {-INFINITY, 0, INFINITY};
                float const step = direction[rng() % 3];
                p[axis] = step == 0 ? moved : std::nextafter(moved, step);
            }
        }
        points.push_back(p);
    }
    return points;
}

TEST(NearVertexGroupsTest, TheSearchFollowsTheCandidateAndStartCounts) {
    // The search decides which inputs throw, so the thresholds are part of the behaviour.
    EXPECT_EQ(chooseNeighbourSearch(999, 0, 0), NeighbourSearch::DIRECT);
    EXPECT_EQ(chooseNeighbourSearch(1010, 10, 10), NeighbourSearch::CELL_GRID);
    EXPECT_EQ(chooseNeighbourSearch(1009, 10, 10), NeighbourSearch::DIRECT);
    EXPECT_EQ(chooseNeighbourSearch(1000, 0, 1), NeighbourSearch::POINT_OCTREE);
    EXPECT_EQ(chooseNeighbourSearch(99999, 0, 99880), NeighbourSearch::DIRECT);  // 119 starts
    EXPECT_EQ(chooseNeighbourSearch(99999, 0, 99879), NeighbourSearch::POINT_OCTREE);
}

TEST(NearVertexGroupsTest, DistanceEqualToTheToleranceIsNearGroupsDoNotChainInfinityTakesAll) {
    std::vector<V3> const line{{0, 0, 0}, {0.5f, 0, 0}, {1.0f, 0, 0}, {1.5f, 0, 0}};
    std::vector<V3> const duplicates{{1, 2, 3}, {1, 2, 3.0000005f}, {1, 2, 3}};
    for (NeighbourSearch const search : ALL_SEARCHES) {
        SCOPED_TRACE(static_cast<int>(search));
        // 0 takes 1; 2 is 1.0 from 0, within 0.5 of 1 but 1 is taken: 2 leads and takes 3.
        EXPECT_EQ(group(line, 0.5f, search), (Groups{{0, 1}, {2, 3}}));
        EXPECT_EQ(group(line, 0.4999999f, search), Groups{});
        EXPECT_EQ(group(duplicates, 0, search), (Groups{{0, 2}}));
        // Unselected vertices start processed and never join.
        boost::dynamic_bitset<> unselected(4);
        unselected.set(1);
        EXPECT_EQ(group(line, 0.5f, search, unselected), (Groups{{2, 3}}));
        EXPECT_EQ(group({{0, 0, 0}, {-1e38f, 1, 2}, {1e38f, 0, 0}}, INFINITY, search),
                  (Groups{{0, 1, 2}}));
    }
}

// The grid must give the direct scan's groups exactly, and so must the octree.
TEST(NearVertexGroupsTest, AllSearchesAgreeOnRandomCloudsAtTheTolerance) {
    float const tolerances[] = {0.25f, 0.1f, 1e-3f, 0, 3.7e4f, -0.25f};
    std::mt19937 rng(20261206);
    std::size_t grouped = 0;
    for (float const tolerance : tolerances) {
        for (int round = 0; round < 4; ++round) {
            std::vector<V3> const cloud = trickyCloud(rng, std::fabs(tolerance), 1500);
            boost::dynamic_bitset<> unselected(cloud.size());
            if (round == 3)
                for (std::size_t v = 0; v < cloud.size(); v += 7) unselected.set(v);
            Groups const expected = group(cloud, tolerance, NeighbourSearch::DIRECT, unselected);
            grouped += expected.size();
            EXPECT_EQ(group(cloud, tolerance, NeighbourSearch::POINT_OCTREE, unselected), expected)
                << "tolerance " << tolerance << " round " << round;
            EXPECT_EQ(group(cloud, tolerance, NeighbourSearch::CELL_GRID, unselected), expected)
                << "tolerance " << tolerance << " round " << round;
        }
    }
    EXPECT_GT(grouped, 1000u);  // the clouds do exercise the tolerance
}

// Reference vertices (below first) never start a group; the lowest near one leads it.
TEST(NearVertexGroupsTest, ReferenceVerticesOnlyLeadGroups) {
    std::vector<V3> const points{{0, 0, 0}, {5, 0, 0}, {5, 0, 0.1f}, {0, 0, 0.1f}, {9, 9, 9}};
    for (NeighbourSearch const search : {NeighbourSearch::DIRECT, NeighbourSearch::POINT_OCTREE}) {
        boost::dynamic_bitset<> processed(points.size());
        EXPECT_EQ(findNearVertexGroups(points, 0.2f, 0, 2, processed, search),
                  (Groups{{1, 2}, {0, 3}}));
    }
}

TEST(NearVertexGroupsTest, NonFiniteCoordinatesNeverGroupAndStopTheOctreeSearches) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<V3> const points{{0, 0, 0}, {0, 0, 0}, {nan, 0, 0}, {nan, 0, 0}, {1, 1, 1}};
    EXPECT_EQ(group(points, 1.0f, NeighbourSearch::DIRECT), (Groups{{0, 1}}));
    for (NeighbourSearch const search :
         {NeighbourSearch::POINT_OCTREE, NeighbourSearch::CELL_GRID}) {
        // The message is checked where the host receives it, through the cleanup record.
        EXPECT_THROW(group(points, 1.0f, search), std::runtime_error);
        boost::dynamic_bitset<> skipped(points.size());  // processed ones are never looked up
        skipped.set(2).set(3);
        EXPECT_EQ(group(points, 1.0f, search, skipped), (Groups{{0, 1}}));
        EXPECT_THROW(group({{0, 0, 0}, {INFINITY, 0, 0}}, 1.0f, search), std::runtime_error);
        EXPECT_THROW(group({{0, 0, 0}, {0, 0, 0}}, nan, search), std::runtime_error);
    }
}

}  // namespace
}  // namespace detail
}  // namespace util

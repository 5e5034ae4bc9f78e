#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "spatial/BBoxOctree.h"
#include "support/MeshBuilders.h"

namespace util {
namespace {

using V3 = Vector3<float>;
using Box = BasicBoundingBox<float>;
using Tree = BBoxOctree<unsigned int, float>;

Box cube(float lo, float hi) { return {V3(lo, lo, lo), V3(hi, hi, hi)}; }

void expectPath(Tree const& tree, std::vector<unsigned long> const& path) {
    for (unsigned long const index : path) {
        ASSERT_NE(tree.findNode(index), nullptr) << index;
        EXPECT_EQ(tree.findNode(index)->count, 1u) << index;
    }
    EXPECT_EQ(tree.findNode(path.back())->entries.size(), 1u);
}

std::vector<unsigned long> collect(Tree& tree, Box const& query) {
    std::vector<unsigned long> nodes;
    Tree::CChildrenCollector(tree, query, nodes).getChildren(0, 0, tree.getCentre(), 10);
    return nodes;
}

// The picker's tree: a box is stored in the first cube whose centre plane cuts it.
TEST(BBoxOctreeTest, BoxDescendsUntilACentrePlaneCutsIt) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 7);
    expectPath(tree, {0, 8, 65, 521});
    tree.add(cube(-1, 1), 8);  // straddles the root's centre planes: stays in the root
    EXPECT_EQ(tree.getNode(0).entries.size(), 1u);
    EXPECT_EQ(tree.getNode(0).count, 2u);
    // Node 521's cube is [0, 2.5]^3: a query box touching it still visits it.
    EXPECT_EQ(collect(tree, cube(2.5f, 3)), (std::vector<unsigned long>{0, 521}));
    EXPECT_EQ(collect(tree, cube(2.6f, 3)), std::vector<unsigned long>{0});
}

TEST(BBoxOctreeTest, BoxOnACentrePlaneGoesToTheSideItDoesNotCross) {
    Tree tree(2, V3(0, 0, 0), 10);
    tree.add(Box(V3(0, -1, -1), V3(1, 0, 0)), 1);  // min on the x plane, max on y and z
    EXPECT_EQ(tree.getNode(2).entries.size(), 1u);

    // A point at the root centre is lower there, but upper in every cube below it; the root's
    // lower corner takes octant 0 all the way.
    Tree centre(5, V3(0, 0, 0), 10);
    centre.add(cube(0, 0), 2);
    expectPath(centre, {0, 1, 16, 136, 1096});
    Tree corner(5, V3(0, 0, 0), 10);
    corner.add(cube(-10, -10), 3);
    expectPath(corner, {0, 1, 9, 73, 585});
}

TEST(BBoxOctreeTest, GrowthRecentresOnTheUnionAndDoublesTheHalfSize) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(-10, 10), 1);  // touching the root cube fits
    EXPECT_EQ(tree.getHalfSize(), 10.0f);
    tree.add(Box(V3(99, -1, -1), V3(101, 1, 1)), 2);
    EXPECT_EQ(tree.getCentre(), V3(45.5f, 0, 0));
    EXPECT_EQ(tree.getHalfSize(), 80.0f);  // 10, 20, 40, 80 >= 55.5

    Tree small(5, V3(0, 0, 0), 10);  // a small overshoot moves the centre, never shrinks the cube
    small.add(Box(V3(9, 9, 9), V3(10.5f, 10, 10)), 3);
    EXPECT_EQ(small.getCentre(), V3(9.75f, 9.5f, 9.5f));
    EXPECT_EQ(small.getHalfSize(), 10.0f);
}

TEST(BBoxOctreeTest, RemoveAllReturnsEntriesInNodePreOrderAndEmptiesTheTree) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 1);
    tree.add(cube(-1, 1), 2);
    tree.add(cube(-2, -1), 3);
    tree.add(cube(-0.5f, 0.5f), 4);
    std::vector<unsigned int> values;
    for (auto const& entry : tree.removeAll()) values.push_back(entry.value);
    EXPECT_EQ(values, (std::vector<unsigned int>{2, 4, 3, 1}));  // root, then octant 0 before 7

    std::vector<unsigned long> nodes;
    Tree::CAllNodeFinder(tree, nodes).getAllNodes(0, 0);
    EXPECT_TRUE(nodes.empty());
    tree.add(cube(1, 2), 5);  // the cube is unchanged
    expectPath(tree, {0, 8, 65, 521});
}

// Oracle: the collected nodes hold every entry whose box meets the query, through growth.
TEST(BBoxOctreeTest, BoxQueriesMatchABruteForceScan) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-30, 30), size(0, 4);
    auto const randomBox = [&] {
        V3 const lo(pos(rng), pos(rng), pos(rng));
        return Box(lo, lo + V3(size(rng), size(rng), size(rng)));
    };
    Tree tree(4, V3(0, 0, 0), 10);
    std::vector<Box> boxes;
    for (unsigned int i = 0; i < 300; ++i) tree.add(boxes.emplace_back(randomBox()), i);
    for (int q = 0; q < 100; ++q) {
        Box const query = randomBox();
        std::vector<unsigned int> expected, found;
        for (unsigned int i = 0; i < boxes.size(); ++i)
            if (boxes[i].meets(query)) expected.push_back(i);
        tree.forEachEntryMeeting(query, [&found](auto const& e) { found.push_back(e.value); });
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected);
    }
}

TEST(BBoxOctreeTest, VisibleNodesAreThoseWithEntriesInsideTheFrustum) {
    BBoxOctree<std::pair<unsigned int, unsigned int>, float> tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), {0, 1});         // node 521
    tree.add(cube(-9, -8), {1, 2});       // octant 0 of the root
    tree.add(cube(-0.5f, 0.5f), {2, 3});  // root
    std::vector<V3> const frustum = test::boxCorners(V3(0.5f, 0.5f, 0.5f), V3(3, 3, 3));
    std::vector<unsigned long> nodes;
    decltype(tree)::CVisibleNodeFinder(tree, frustum, nodes).getVisibleNodes(0, 0, V3(), 10);
    EXPECT_EQ(nodes, (std::vector<unsigned long>{0, 521}));
}

}  // namespace
}  // namespace util

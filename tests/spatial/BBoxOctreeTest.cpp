#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>

#include "spatial/BBoxOctree.h"

namespace util {
namespace {

using V3 = Vector3<float>;
using Box = BasicBoundingBox<float>;
using Tree = BBoxOctree<unsigned int, float>;

Box cube(float lo, float hi) { return {V3(lo, lo, lo), V3(hi, hi, hi)}; }

unsigned long countAt(Tree const& tree, unsigned long index) {
    auto const* node = tree.findNode(index);
    return node == nullptr ? 0 : node->count;
}

std::vector<unsigned int> valuesMeeting(Tree& tree, Box const& query) {
    std::vector<unsigned int> values;
    tree.forEachEntryMeeting(query, [&values](Tree::Entry const& e) { values.push_back(e.value); });
    return values;
}

TEST(BBoxOctreeTest, NodeTableHoldsAFullTree) {
    EXPECT_EQ(Tree::nodeCountForDepth(1), 1u);
    EXPECT_EQ(Tree::nodeCountForDepth(5), 4681u);
    EXPECT_EQ(Tree::nodeCountForDepth(10), 153391689u);
}

// The picker's tree: a box is stored in the first cube whose centre plane cuts it.
TEST(BBoxOctreeTest, BoxDescendsUntilACentrePlaneCutsIt) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 7);
    for (unsigned long const index : {0ul, 8ul, 65ul, 521ul}) EXPECT_EQ(countAt(tree, index), 1u);
    EXPECT_TRUE(tree.getNode(65).entries.empty());
    ASSERT_EQ(tree.getNode(521).entries.size(), 1u);
    EXPECT_EQ(tree.getNode(521).entries[0].value, 7u);

    tree.add(cube(-1, 1), 8);  // straddles the root's planes, however small
    tree.add(Box(V3(-0.001f, 3, 3), V3(0.001f, 4, 4)), 9);
    EXPECT_EQ(tree.getNode(0).entries.size(), 2u);
    EXPECT_EQ(countAt(tree, 0), 3u);
    EXPECT_EQ(countAt(tree, 8), 1u);
}

TEST(BBoxOctreeTest, BoxOnACentrePlaneGoesToTheSideItDoesNotCross) {
    Tree tree(2, V3(0, 0, 0), 10);
    tree.add(Box(V3(0, -1, -1), V3(1, 0, 0)), 1);  // min on the x plane, max on y and z
    EXPECT_EQ(tree.getNode(2).entries.size(), 1u);

    // A point at the root centre is lower there, but upper in every cube below it.
    Tree deep(5, V3(0, 0, 0), 10);
    deep.add(cube(0, 0), 2);
    for (unsigned long const index : {0ul, 1ul, 16ul, 136ul, 1096ul}) {
        EXPECT_EQ(countAt(deep, index), 1u);
    }
    EXPECT_EQ(deep.getNode(1096).entries.size(), 1u);
    deep.add(cube(-10, -10), 3);  // the root's lower corner takes octant 0 all the way
    for (unsigned long const index : {1ul, 9ul, 73ul, 585ul}) EXPECT_GE(countAt(deep, index), 1u);
    EXPECT_EQ(deep.getNode(585).entries.size(), 1u);
}

TEST(BBoxOctreeTest, DepthOneKeepsEverythingInTheRoot) {
    Tree tree(1, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 1);
    tree.add(cube(-5, -4), 2);
    EXPECT_EQ(tree.getNode(0).entries.size(), 2u);
    std::vector<unsigned long> nodes;
    Tree::CChildrenCollector(tree, cube(1, 1), nodes).getChildren(0, 0, V3(0, 0, 0), 10);
    EXPECT_EQ(nodes, std::vector<unsigned long>{0});
}

TEST(BBoxOctreeTest, BoxTouchingTheRootCubeDoesNotGrowIt) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(Box(V3(-10, -10, -10), V3(10, 10, 10)), 1);
    EXPECT_EQ(tree.getCentre(), V3(0, 0, 0));
    EXPECT_EQ(tree.getHalfSize(), 10.0f);
}

TEST(BBoxOctreeTest, GrowthRecentresOnTheUnionAndDoublesTheHalfSize) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 1);
    tree.add(Box(V3(99, -1, -1), V3(101, 1, 1)), 2);
    EXPECT_EQ(tree.getCentre(), V3(51, 0.5f, 0.5f));
    EXPECT_EQ(tree.getHalfSize(), 80.0f);  // 10, 20, 40, 80 >= 50
    EXPECT_EQ(countAt(tree, 0), 2u);
    EXPECT_EQ(valuesMeeting(tree, cube(1.5f, 1.5f)), std::vector<unsigned int>{1});

    // A small overshoot moves the centre but never shrinks the cube.
    Tree small(5, V3(0, 0, 0), 10);
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
    EXPECT_EQ(tree.getHalfSize(), 10.0f);
    tree.add(cube(1, 2), 5);
    EXPECT_EQ(countAt(tree, 521), 1u);
    EXPECT_EQ(countAt(tree, 0), 1u);
}

TEST(BBoxOctreeTest, QueryBoxTouchingANodeCubeVisitsIt) {
    Tree tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), 1);  // node 521, cube [0, 2.5]^3
    std::vector<unsigned long> nodes;
    Tree::CChildrenCollector(tree, cube(2.5f, 3), nodes).getChildren(0, 0, V3(0, 0, 0), 10);
    EXPECT_EQ(nodes, std::vector<unsigned long>{521});
    nodes.clear();
    Tree::CChildrenCollector(tree, cube(2.6f, 3), nodes).getChildren(0, 0, V3(0, 0, 0), 10);
    EXPECT_TRUE(nodes.empty());
}

// Oracle: the collected nodes hold every entry whose box meets the query, through growth.
TEST(BBoxOctreeTest, BoxQueriesMatchABruteForceScan) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-30, 30);
    std::uniform_real_distribution<float> size(0, 4);
    auto const randomBox = [&] {
        V3 const lo(pos(rng), pos(rng), pos(rng));
        return Box(lo, lo + V3(size(rng), size(rng), size(rng)));
    };
    Tree tree(4, V3(0, 0, 0), 10);
    std::vector<Box> boxes;
    for (unsigned int i = 0; i < 400; ++i) {
        boxes.push_back(randomBox());
        tree.add(boxes.back(), i);
    }
    EXPECT_EQ(countAt(tree, 0), 400u);
    for (int q = 0; q < 200; ++q) {
        Box const query = randomBox();
        std::vector<unsigned int> expected;
        for (unsigned int i = 0; i < boxes.size(); ++i) {
            if (boxes[i].meets(query)) expected.push_back(i);
        }
        std::vector<unsigned int> found = valuesMeeting(tree, query);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected);
    }
}

// A box frustum from lo to hi, corners ordered so that every plane normal points outwards.
std::vector<V3> boxFrustum(V3 const& lo, V3 const& hi) {
    return {V3(lo.x, hi.y, lo.z), V3(hi.x, hi.y, lo.z), V3(hi.x, lo.y, lo.z), V3(lo.x, lo.y, lo.z),
            V3(lo.x, hi.y, hi.z), V3(hi.x, hi.y, hi.z), V3(hi.x, lo.y, hi.z), V3(lo.x, lo.y, hi.z)};
}

TEST(BBoxOctreeTest, VisibleNodesAreThoseWithEntriesInsideTheFrustum) {
    BBoxOctree<std::pair<unsigned int, unsigned int>, float> tree(5, V3(0, 0, 0), 10);
    tree.add(cube(1, 2), {0, 1});         // node 521
    tree.add(cube(-9, -8), {1, 2});       // far corner, octant 0
    tree.add(cube(-0.5f, 0.5f), {2, 3});  // root
    std::vector<unsigned long> nodes;
    decltype(tree)::CVisibleNodeFinder(tree, boxFrustum(V3(0.5f, 0.5f, 0.5f), V3(3, 3, 3)), nodes)
        .getVisibleNodes(0, 0, V3(0, 0, 0), 10);
    EXPECT_EQ(nodes, (std::vector<unsigned long>{0, 521}));
}

}  // namespace
}  // namespace util

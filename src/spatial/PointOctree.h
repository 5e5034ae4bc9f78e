#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "base/BasicBoundingBox.h"
#include "base/Vector3.h"
#include "spatial/Octree.h"

namespace util {

// A stored vertex: where it is (in the caller's array) and its number there.
struct Point {
    Vector3<float> const* position;
    unsigned long index;
};

struct PointOctreeNode {
    std::vector<Point> points;  // leaves only, in insertion order
    unsigned int count = 0;     // points in this subtree
};

// Finds every stored point within a radius of a query position. Built once over positions
// that it does not copy: the caller's array must outlive the tree unchanged and unmoved.
// Points live in the deepest level; a leaf holding more than MAX_LEAF_POINTS points gets a
// sub-tree of its own over them, which bounds the distance tests per leaf on dense input.
// Queries create empty nodes, so a tree serves one thread.
class PointOctree : public Octree<PointOctreeNode> {
public:
    static constexpr std::size_t MAX_LEAF_POINTS = 10000;

    // Nodes whose cube meets the query box (closed) and that hold points, in pre-order.
    class CChildrenCollector {
    public:
        CChildrenCollector(PointOctree& tree, BasicBoundingBox<float> const& query,
                           std::vector<unsigned long>& out)
            : mTree(tree), mQuery(query), mOut(out) {}
        // Start with (0, 0, tree centre, tree half size), or on any sub-cube.
        void getChildren(unsigned long index, unsigned int level, Vector3<float> const& centre,
                         float halfSize);

    private:
        // getChildren for a node whose cube is known to meet the query.
        void collectMeeting(unsigned long index, unsigned int level, Vector3<float> const& centre,
                            float halfSize);

        PointOctree& mTree;
        BasicBoundingBox<float> const mQuery;
        std::vector<unsigned long>& mOut;
    };

    // The smallest depth whose full tree has at least one node per point, clamped to 3 ... 8.
    static unsigned int depthForPointCount(std::size_t pointCount);

    // `points` must not be empty: an empty set has no finite cube.
    PointOctree(unsigned int depth, std::vector<Point> const& points);
    // Stores positions[firstIndex ...] under their array indices; firstIndex < positions.size().
    PointOctree(unsigned int depth, std::vector<Vector3<float>> const& positions,
                unsigned long firstIndex);

    Vector3<float> const& getCentre() const { return mCentre; }
    float getHalfSize() const { return mHalfSize; }
    Vector3<float> const& getTolerance() const { return mTolerance; }
    // Null when the leaf has no sub-tree.
    PointOctree const* findSubTree(unsigned long index) const;

    // Appends (never clears) every point p with |query - p|^2 <= radius^2 in double precision,
    // ordered by node in pre-order and by input order within a node. Radius 0 finds exact
    // duplicates: the query box never gets thinner than the tolerance.
    void findPoints(Vector3<float> const& query, float radius, std::vector<Point>& result);

private:
    void setCube(std::vector<Point> const& points);
    void setTolerance();
    void insert(Point const& point);
    void subdivideCrowdedLeaves(std::size_t pointCount);

    Vector3<float> mCentre{0, 0, 0};
    float mHalfSize = 1.0f;
    // Per axis the smallest query half-extent still resolvable at both faces of the root cube.
    Vector3<float> mTolerance;
    std::map<unsigned long, std::unique_ptr<PointOctree>> mSubTrees;
};

}  // namespace util

#pragma once

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "base/BasicBoundingBox.h"
#include "base/Vector3.h"
#include "intersection/IntersectionUtils.h"
#include "spatial/Octree.h"

namespace util {

// One cube of a BBoxOctree: the entries stored here and how many the whole subtree holds.
template <typename T, typename F>
class BBoxOctreeNode {
public:
    struct Entry {
        BasicBoundingBox<F> box;
        T value;
    };

    BBoxOctreeNode() = default;
    virtual ~BBoxOctreeNode() = default;

    // Leaves `count` alone: the insertion descent's visitor keeps the subtree counts.
    void add(BasicBoundingBox<F> const& box, T const& value) { entries.push_back({box, value}); }

    std::vector<Entry> entries;  // in insertion order
    unsigned long count = 0;     // entries here and below; 0 means the subtree is skipped
};

// Stores (box, value) entries in the smallest cube of a fixed-depth tree that wholly contains
// the box, and tells which nodes may hold entries near a box or inside a frustum; callers test
// the entries of those nodes themselves. A box outside the root cube makes `add` rebuild the
// tree around all boxes with the half size doubled as often as needed, so the half size only
// ever grows by powers of two. Queries create empty nodes, so even concurrent queries must be
// serialised by the owner. The half size must be positive.
template <typename T, typename F>
class BBoxOctree : public Octree<BBoxOctreeNode<T, F>> {
public:
    using Node = BBoxOctreeNode<T, F>;
    using Entry = typename Node::Entry;
    using Box = BasicBoundingBox<F>;

    // Driven along the insertion descent: Visit for each node passed, VisitLast where it stops.
    class IOctreeVisitor {
    public:
        virtual ~IOctreeVisitor() = default;
        virtual void Visit(unsigned long index, Node& node) const = 0;
        virtual void VisitLast(unsigned long index, Node& node) const = 0;
    };
    class CNull final : public IOctreeVisitor {
    public:
        void Visit(unsigned long, Node&) const override {}
        void VisitLast(unsigned long, Node&) const override {}
    };
    class CAdder final : public IOctreeVisitor {
    public:
        void Visit(unsigned long, Node& node) const override { ++node.count; }
        void VisitLast(unsigned long, Node& node) const override { ++node.count; }
    };
    class CRemover final : public IOctreeVisitor {
    public:
        void Visit(unsigned long, Node& node) const override { --node.count; }
        void VisitLast(unsigned long, Node& node) const override { --node.count; }
    };

    // The collectors write node indices in pre-order (a node before its children, children in
    // octant order) and are started from the root: (0, 0, tree centre, tree half size).

    // Nodes whose cube meets the query box (closed) and that hold entries of their own.
    class CChildrenCollector {
    public:
        CChildrenCollector(BBoxOctree& tree, Box const& query, std::vector<unsigned long>& out)
            : mTree(tree), mQuery(query), mOut(out) {}
        void getChildren(unsigned long index, unsigned int level, Vector3<F> const& centre,
                         F halfSize);

    private:
        BBoxOctree& mTree;
        Box const mQuery;
        std::vector<unsigned long>& mOut;
    };

    // Every node whose subtree holds an entry; started with (0, 0).
    class CAllNodeFinder {
    public:
        CAllNodeFinder(BBoxOctree& tree, std::vector<unsigned long>& out)
            : mTree(tree), mOut(out) {}
        void getAllNodes(unsigned long index, unsigned int level);

    private:
        BBoxOctree& mTree;
        std::vector<unsigned long>& mOut;
    };

    // Nodes whose cube overlaps the frustum (eight corners, as frustumBoxOverlap takes them)
    // and that hold entries of their own.
    class CVisibleNodeFinder {
    public:
        CVisibleNodeFinder(BBoxOctree& tree, std::vector<Vector3<F>> const& frustum,
                           std::vector<unsigned long>& out)
            : mTree(tree), mFrustum(frustum), mOut(out) {}
        void getVisibleNodes(unsigned long index, unsigned int level, Vector3<F> const& centre,
                             F halfSize);

    private:
        BBoxOctree& mTree;
        std::vector<Vector3<F>> const mFrustum;
        std::vector<unsigned long>& mOut;
    };

    BBoxOctree(unsigned int depth, Vector3<F> const& centre, F halfSize)
        : Octree<Node>(depth), mCentre(centre), mHalfSize(halfSize) {}

    Vector3<F> const& getCentre() const { return mCentre; }
    F getHalfSize() const { return mHalfSize; }

    // Calls fn(entry) for each entry whose box meets the query box (closed), node by node in
    // collection order and in stored order within a node: the scan every box query ends with.
    template <typename Fn>
    void forEachEntryMeeting(Box const& query, Fn&& fn);

    // A box touching the root cube fits; one reaching outside it rebuilds the tree first.
    void add(Box const& box, T const& value);
    // Takes every entry out (nodes in pre-order, entries in stored order); the cube stays.
    std::vector<Entry> removeAll();

private:
    // Pre-order descent shared by the box and frustum collectors: skips cubes the query misses
    // and subtrees without entries, records nodes holding entries of their own.
    template <typename CubeTest>
    void collectMeeting(unsigned long index, unsigned int level, Vector3<F> const& centre,
                        F halfSize, std::vector<unsigned long>& out, CubeTest const& meets);
    bool fits(Box const& box) const;
    void growToCover(std::vector<Entry> const& entries, Box const& box);
    void insert(Box const& box, T const& value, IOctreeVisitor const& visitor);

    CAdder const mAdder;
    Vector3<F> mCentre;
    F mHalfSize;
};

template <typename T, typename F>
void BBoxOctree<T, F>::CChildrenCollector::getChildren(unsigned long index, unsigned int level,
                                                       Vector3<F> const& centre, F halfSize) {
    Box const& query = mQuery;
    mTree.collectMeeting(index, level, centre, halfSize, mOut, [&query](Vector3<F> const& c, F h) {
        return detail::cubeMeetsBox(c, h, query);
    });
}

template <typename T, typename F>
void BBoxOctree<T, F>::CAllNodeFinder::getAllNodes(unsigned long index, unsigned int level) {
    if (mTree.getNode(index).count != 0) mOut.push_back(index);
    if (mTree.isDeepestLevel(level)) return;
    for (unsigned int octant = 0; octant < 8; ++octant) {
        unsigned long const child = BBoxOctree::childIndex(index, octant);
        if (mTree.getNode(child).count != 0) getAllNodes(child, level + 1);
    }
}

template <typename T, typename F>
void BBoxOctree<T, F>::CVisibleNodeFinder::getVisibleNodes(unsigned long index, unsigned int level,
                                                           Vector3<F> const& centre, F halfSize) {
    std::vector<Vector3<F>> const& frustum = mFrustum;
    mTree.collectMeeting(index, level, centre, halfSize, mOut, [&frustum](Vector3<F> const& c, F h) {
        return intersection::frustumBoxOverlap(frustum, c, Vector3<F>(h, h, h));
    });
}

template <typename T, typename F>
template <typename CubeTest>
void BBoxOctree<T, F>::collectMeeting(unsigned long index, unsigned int level,
                                      Vector3<F> const& centre, F halfSize,
                                      std::vector<unsigned long>& out, CubeTest const& meets) {
    if (!meets(centre, halfSize)) return;
    if (!this->getNode(index).entries.empty()) out.push_back(index);
    if (this->isDeepestLevel(level)) return;
    F const childHalfSize = halfSize / 2;
    for (unsigned int octant = 0; octant < 8; ++octant) {
        unsigned long const child = BBoxOctree::childIndex(index, octant);
        if (this->getNode(child).count == 0) continue;
        collectMeeting(child, level + 1, detail::octantCentre(centre, octant, childHalfSize),
                       childHalfSize, out, meets);
    }
}

template <typename T, typename F>
template <typename Fn>
void BBoxOctree<T, F>::forEachEntryMeeting(Box const& query, Fn&& fn) {
    std::vector<unsigned long> nodes;
    CChildrenCollector(*this, query, nodes).getChildren(0, 0, mCentre, mHalfSize);
    for (unsigned long const index : nodes) {
        for (Entry const& entry : this->getNode(index).entries) {
            if (entry.box.meets(query)) fn(entry);
        }
    }
}

template <typename T, typename F>
void BBoxOctree<T, F>::add(Box const& box, T const& value) {
    if (!fits(box)) {
        std::vector<Entry> const entries = removeAll();
        growToCover(entries, box);
        for (Entry const& entry : entries) insert(entry.box, entry.value, mAdder);
    }
    insert(box, value, mAdder);
}

template <typename T, typename F>
std::vector<typename BBoxOctree<T, F>::Entry> BBoxOctree<T, F>::removeAll() {
    std::vector<unsigned long> nodes;
    CAllNodeFinder(*this, nodes).getAllNodes(0, 0);
    std::vector<Entry> result;
    for (unsigned long const index : nodes) {
        std::vector<Entry>& entries = this->getNode(index).entries;
        std::move(entries.begin(), entries.end(), std::back_inserter(result));
        // Deleting the inner nodes of the paths is what resets their counts.
        this->deleteNode(index);
    }
    return result;
}

template <typename T, typename F>
bool BBoxOctree<T, F>::fits(Box const& box) const {
    for (int k = 0; k < 3; ++k) {
        if (!(box.max[k] <= mCentre[k] + mHalfSize && box.min[k] >= mCentre[k] - mHalfSize)) {
            return false;
        }
    }
    return true;
}

// Re-centres on the union of all boxes and doubles the half size until it covers half the
// union's largest extent; doubling keeps the number of rebuilds logarithmic in the extent.
template <typename T, typename F>
void BBoxOctree<T, F>::growToCover(std::vector<Entry> const& entries, Box const& box) {
    Box united;  // per-axis min / max, so an empty entry box adds nothing
    auto const unite = [&united](Box const& b) {
        for (int k = 0; k < 3; ++k) {
            united.min[k] = std::min(united.min[k], b.min[k]);
            united.max[k] = std::max(united.max[k], b.max[k]);
        }
    };
    for (Entry const& entry : entries) unite(entry.box);
    unite(box);
    Vector3<F> const extent = united.max - united.min;
    mCentre = united.min + extent * F(0.5);
    F const needed = F(0.5) * std::max({std::max(F(0), extent.x), extent.y, extent.z});
    while (mHalfSize < needed) mHalfSize = mHalfSize + mHalfSize;
}

// Descends while the box lies wholly in one half on every axis; a box whose max equals a
// centre coordinate goes to the lower half.
template <typename T, typename F>
void BBoxOctree<T, F>::insert(Box const& box, T const& value, IOctreeVisitor const& visitor) {
    unsigned long index = 0;
    Vector3<F> centre = mCentre;
    F halfSize = mHalfSize;
    for (unsigned int level = 0; !this->isDeepestLevel(level); ++level) {
        unsigned int octant = 0;
        bool straddles = false;
        for (int k = 0; k < 3 && !straddles; ++k) {
            if (centre[k] >= box.max[k]) continue;
            if (box.min[k] >= centre[k]) {
                octant |= 1u << k;
            } else {
                straddles = true;
            }
        }
        if (straddles) break;
        visitor.Visit(index, this->getNode(index));
        halfSize = halfSize / 2;
        index = this->childIndex(index, octant);
        centre = detail::octantCentre(centre, octant, halfSize);
    }
    Node& node = this->getNode(index);
    visitor.VisitLast(index, node);
    node.add(box, value);
}

}  // namespace util

#pragma once

#include <algorithm>
#include <cassert>
#include <memory>
#include <vector>

#include "base/BasicBoundingBox.h"
#include "base/Vector3.h"

namespace util {

// Fixed-depth octree whose nodes live in one table sized for the full tree and addressed by a
// computed index, so reaching a node is one lookup: the root is 0 and the children of node i
// are 8 * i + 1 + octant, where octant bit 0 means the upper half in x, bit 1 in y, bit 2 in z.
// Nodes are created lazily by getNode, which is why the queries of derived trees modify them.
// Depth 1 ... 10 (the node count is computed in 32 bits). No locking, even for queries.
template <typename Node>
class Octree {
public:
    static constexpr unsigned int MAX_DEPTH = 10;

    explicit Octree(unsigned int depth)
        : mDepth(depth), mNodeCount(nodeCountForDepth(depth)), mNodes(mNodeCount) {
        assert(depth >= 1 && depth <= MAX_DEPTH);
    }
    virtual ~Octree() = default;
    Octree(Octree const&) = delete;
    Octree& operator=(Octree const&) = delete;

    // (8^depth - 1) / 7 nodes in a full tree of that depth.
    static unsigned long nodeCountForDepth(unsigned int depth) {
        return ((1u << (3 * depth)) - 1u) / 7u;
    }
    static unsigned long childIndex(unsigned long index, unsigned int octant) {
        return 8 * index + 1 + octant;
    }

    unsigned int getDepth() const { return mDepth; }
    unsigned long getNodeCount() const { return mNodeCount; }
    // Null while nothing has created the node.
    Node const* findNode(unsigned long index) const { return mNodes[index].get(); }

    // Creates an empty node in a null slot first.
    Node& getNode(unsigned long index) {
        std::unique_ptr<Node>& slot = mNodes[index];
        if (!slot) slot = std::make_unique<Node>();
        return *slot;
    }

protected:
    bool isDeepestLevel(unsigned int level) const { return level + 1 >= mDepth; }
    void deleteNode(unsigned long index) { mNodes[index].reset(); }

private:
    unsigned int mDepth;
    unsigned long mNodeCount;
    std::vector<std::unique_ptr<Node>> mNodes;
};

namespace detail {
// Centre of the child cube in `octant` of a cube centred at c, for the child's half size.
template <typename F>
Vector3<F> octantCentre(Vector3<F> const& c, unsigned int octant, F childHalfSize) {
    return {c.x + ((octant & 1u) ? childHalfSize : -childHalfSize),
            c.y + ((octant & 2u) ? childHalfSize : -childHalfSize),
            c.z + ((octant & 4u) ? childHalfSize : -childHalfSize)};
}

// Closed intervals: a cube that only touches the box meets it.
template <typename F>
bool cubeMeetsBox(Vector3<F> const& c, F halfSize, BasicBoundingBox<F> const& box) {
    for (int k = 0; k < 3; ++k) {
        F const lo = std::max(c[k] - halfSize, box.min[k]);
        F const hi = std::min(c[k] + halfSize, box.max[k]);
        if (!(hi >= lo)) return false;
    }
    return true;
}
}  // namespace detail

}  // namespace util

#include "spatial/PointOctree.h"

#include <algorithm>
#include <cmath>

namespace util {
namespace {
std::vector<Point> pointsFrom(std::vector<Vector3<float>> const& positions,
                              unsigned long firstIndex) {
    std::vector<Point> points;
    points.reserve(positions.size() - firstIndex);
    for (unsigned long i = firstIndex; i < positions.size(); ++i)
        points.push_back({&positions[i], i});
    return points;
}

// Doubles t until b - t and b + t are distinct floats.
float resolvableStep(float b, float t) {
    while (b - t == b + t) t = t + t;
    return t;
}

double squaredDistance(Vector3<float> const& a, Vector3<float> const& b) {
    double const dx = static_cast<double>(a.x) - static_cast<double>(b.x);
    double const dy = static_cast<double>(a.y) - static_cast<double>(b.y);
    double const dz = static_cast<double>(a.z) - static_cast<double>(b.z);
    return dx * dx + dy * dy + dz * dz;
}
}  // namespace

// The child's half size is measured from the centres rather than halved, so a sub-cube whose
// centre rounded still reaches its parent's centre plane. A child cube is tested against the
// query before its node is fetched: the nodes are scattered in memory and a small query meets
// one or two of the eight, so fetching all of them first would dominate a query.
void PointOctree::CChildrenCollector::getChildren(unsigned long index, unsigned int level,
                                                  Vector3<float> const& centre, float halfSize) {
    if (!detail::cubeMeetsBox(centre, halfSize, mQuery)) return;
    collectMeeting(index, level, centre, halfSize);
}

void PointOctree::CChildrenCollector::collectMeeting(unsigned long index, unsigned int level,
                                                     Vector3<float> const& centre, float halfSize) {
    if (!mTree.getNode(index).points.empty()) mOut.push_back(index);
    if (mTree.isDeepestLevel(level)) return;
    for (unsigned int octant = 0; octant < 8; ++octant) {
        Vector3<float> const childCentre = detail::octantCentre(centre, octant, halfSize / 2);
        float const childHalfSize =
            std::max({std::fabs(childCentre.x - centre.x), std::fabs(childCentre.y - centre.y),
                      std::fabs(childCentre.z - centre.z)});
        if (!detail::cubeMeetsBox(childCentre, childHalfSize, mQuery)) continue;
        unsigned long const child = childIndex(index, octant);
        if (mTree.getNode(child).count == 0) continue;
        collectMeeting(child, level + 1, childCentre, childHalfSize);
    }
}

unsigned int PointOctree::depthForPointCount(std::size_t pointCount) {
    double const depth =
        std::ceil(std::log2(std::cbrt(7.0 * static_cast<double>(pointCount) + 1.0)));
    return static_cast<unsigned int>(std::clamp(depth, 3.0, 8.0));
}

PointOctree::PointOctree(unsigned int depth, std::vector<Point> const& points)
    : Octree<PointOctreeNode>(depth) {
    setCube(points);
    setTolerance();
    for (Point const& point : points) insert(point);
    subdivideCrowdedLeaves(points.size());
}

PointOctree::PointOctree(unsigned int depth, std::vector<Vector3<float>> const& positions,
                         unsigned long firstIndex)
    : PointOctree(depth, pointsFrom(positions, firstIndex)) {}

PointOctree const* PointOctree::findSubTree(unsigned long index) const {
    auto const found = mSubTrees.find(index);
    return found == mSubTrees.end() ? nullptr : found->second.get();
}

void PointOctree::findPoints(Vector3<float> const& query, float radius,
                             std::vector<Point>& result) {
    Vector3<float> const extent(std::max(mTolerance.x, radius), std::max(mTolerance.y, radius),
                                std::max(mTolerance.z, radius));
    std::vector<unsigned long> nodes;
    CChildrenCollector(*this, {query - extent, query + extent}, nodes)
        .getChildren(0, 0, mCentre, mHalfSize);
    double const radiusSquared = static_cast<double>(radius) * static_cast<double>(radius);
    for (unsigned long const index : nodes) {
        auto const subTree = mSubTrees.find(index);
        if (subTree != mSubTrees.end()) {
            subTree->second->findPoints(query, radius, result);
            continue;
        }
        for (Point const& point : getNode(index).points) {
            if (squaredDistance(query, *point.position) <= radiusSquared) result.push_back(point);
        }
    }
}

// The running comparison keeps the first axis's extent (plus the margin) unless a later axis
// reaches that value; the 1% on top keeps every point strictly inside the root cube.
void PointOctree::setCube(std::vector<Point> const& points) {
    BasicBoundingBox<float> box;
    for (Point const& point : points) box.extend(*point.position);
    Vector3<float> const extent = box.max - box.min;
    mCentre = box.min + extent * 0.5f;
    float largest = 0;
    for (int k = 0; k < 3; ++k) {
        if (extent[k] >= largest) largest = extent[k] + 0.01f;
    }
    mHalfSize = (largest * 0.5f) * 1.01f;
}

// Far from the origin a tiny query box would collapse onto its centre in float; the tolerance
// is the smallest 1e-8 * 2^n that both faces of the root cube can still resolve.
void PointOctree::setTolerance() {
    for (int k = 0; k < 3; ++k) {
        float const step = resolvableStep(mCentre[k] - mHalfSize, 1e-8f);
        mTolerance[k] = resolvableStep(mCentre[k] + mHalfSize, step);
    }
}

// A coordinate equal to a centre coordinate goes to the lower half.
void PointOctree::insert(Point const& point) {
    Vector3<float> const& p = *point.position;
    unsigned long index = 0;
    Vector3<float> centre = mCentre;
    float halfSize = mHalfSize;
    for (unsigned int level = 0; !isDeepestLevel(level); ++level) {
        ++getNode(index).count;
        halfSize = halfSize / 2;
        unsigned int const octant =
            (p.x > centre.x ? 1u : 0u) | (p.y > centre.y ? 2u : 0u) | (p.z > centre.z ? 4u : 0u);
        index = childIndex(index, octant);
        centre = detail::octantCentre(centre, octant, halfSize);
    }
    PointOctreeNode& leaf = getNode(index);
    ++leaf.count;
    leaf.points.push_back(point);
}

// A leaf that got every point again would only rebuild itself, so that ends the recursion.
void PointOctree::subdivideCrowdedLeaves(std::size_t pointCount) {
    for (unsigned long index = 0; index < getNodeCount(); ++index) {
        PointOctreeNode const* node = findNode(index);
        if (node == nullptr || node->points.size() <= MAX_LEAF_POINTS) continue;
        if (node->points.size() == pointCount) continue;
        mSubTrees.emplace(index, std::make_unique<PointOctree>(getDepth(), node->points));
    }
}

}  // namespace util

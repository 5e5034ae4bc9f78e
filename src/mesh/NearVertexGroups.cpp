#include "mesh/NearVertexGroups.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

#include "base/HugePages.h"
#include "base/RuntimeErrorST.h"
#include "spatial/PointOctree.h"

namespace util {
namespace detail {
namespace {
using Groups = std::vector<std::vector<unsigned int>>;
using V3 = Vector3<float>;

constexpr unsigned long DIRECT_LIMIT = 999;
constexpr unsigned long DIRECT_LIMIT_FEW_STARTS = 99999;
constexpr unsigned long FEW_STARTS = 120;

double squaredDistance(V3 const& a, V3 const& b) {
    double const dx = static_cast<double>(a.x) - static_cast<double>(b.x);
    double const dy = static_cast<double>(a.y) - static_cast<double>(b.y);
    double const dz = static_cast<double>(a.z) - static_cast<double>(b.z);
    return dx * dx + dy * dy + dz * dz;
}

// The same tolerance for every search: the octree is asked with the radius, the others compare
// against its square. A negative tolerance means its magnitude, as its square does.
struct Reach {
    explicit Reach(float tolerance)
        : radius(std::fabs(tolerance)),
          squared(static_cast<double>(tolerance) * static_cast<double>(tolerance)) {}
    bool near(V3 const& a, V3 const& b) const { return squaredDistance(a, b) <= squared; }
    // What a radius query can find at all: a vertex is always near itself unless a coordinate
    // or the tolerance is not a number.
    bool findable(V3 const& a) const { return near(a, a); }

    float radius;
    double squared;
};

[[noreturn]] void throwNotFound(V3 const& position) {
    std::ostringstream text;
    text << "Merge failed : Vertex " << position << " not found in octree.";
    throw RuntimeErrorST(text.str());
}

void keepGroup(std::vector<unsigned int> const& group, Groups& groups) {
    if (group.size() >= 2) groups.push_back(group);
}

Groups directGroups(std::vector<V3> const& positions, Reach const& reach,
                    unsigned long candidateStart, unsigned long first,
                    boost::dynamic_bitset<>& processed) {
    Groups groups;
    std::vector<unsigned int> group;
    std::size_t const n = positions.size();
    for (std::size_t i = first; i < n; ++i) {
        if (processed.test(i)) continue;
        group.clear();
        // Every vertex of [first, i) is processed by now: only reference vertices can lead.
        for (std::size_t j = candidateStart; j < first; ++j) {
            if (processed.test(j) || !reach.near(positions[j], positions[i])) continue;
            group.push_back(static_cast<unsigned int>(j));
            break;
        }
        group.push_back(static_cast<unsigned int>(i));
        for (std::size_t k = i + 1; k < n; ++k)
            if (!processed.test(k) && reach.near(positions[i], positions[k]))
                group.push_back(static_cast<unsigned int>(k));
        for (unsigned int const v : group) processed.set(v);
        keepGroup(group, groups);
    }
    return groups;
}

Groups octreeGroups(std::vector<V3> const& positions, Reach const& reach,
                    unsigned long candidateStart, unsigned long first,
                    boost::dynamic_bitset<>& processed) {
    Groups groups;
    std::size_t const n = positions.size();
    PointOctree tree(PointOctree::depthForPointCount(n - candidateStart), positions,
                     candidateStart);
    std::vector<Point> found;
    std::vector<unsigned int> group;
    for (std::size_t i = first; i < n; ++i) {
        if (processed.test(i)) continue;
        found.clear();
        tree.findPoints(positions[i], reach.radius, found);
        if (found.empty()) throwNotFound(positions[i]);
        std::sort(found.begin(), found.end(),
                  [](Point const& a, Point const& b) { return a.index < b.index; });
        group.clear();
        for (std::size_t k = 0; k < found.size(); ++k) {
            unsigned long const v = found[k].index;
            // Only the nearest-numbered candidate may be a reference vertex.
            if ((k == 0 ? v < candidateStart : v < first) || processed.test(v)) continue;
            group.push_back(static_cast<unsigned int>(v));
            processed.set(v);
        }
        processed.set(i);
        keepGroup(group, groups);
    }
    return groups;
}

// Cells of edge length at least eight times the (padded) radius, so that a query box meets at
// most two cells per axis. The grid is sparse, so cells are hashed into buckets; a bucket may hold
// several cells, which only adds points to the exact test. Each bucket keeps its unprocessed
// vertices, with copies of their positions, in one slice of a shared array, sorted in by a
// counting sort: a query reads a slice or two instead of chasing vertices across the mesh, and a
// processed vertex leaves its slice at once, so dense clusters are scanned once.
class CellGrid {
public:
    CellGrid(std::vector<V3> const& positions, Reach const& reach, unsigned long first,
             boost::dynamic_bitset<> const& processed)
        : mPositions(positions), mReach(reach), mFirst(first) {
        // The search compares squared distances within double rounding of the radius; the pad
        // keeps every vertex that passes the test inside the cells a query visits.
        mPad = static_cast<double>(reach.radius) * (1.0 + std::ldexp(1.0, -19));
        auto const isLive = [&](std::size_t v) {
            return !processed.test(v) && reach.findable(positions[v]);
        };
        setCells(positions, first, isLive);
        fill(positions, first, isLive);
    }

    // Appends every unprocessed vertex near the live vertex v; touched receives the buckets
    // read. The bucket of v's own cell is known without the hash table.
    void collectNear(unsigned int v, std::vector<unsigned int>& out,
                     std::vector<std::uint32_t>& touched) const {
        touched.clear();
        V3 const& p = mPositions[v];
        std::uint64_t lo[3], hi[3], own[3];
        for (int k = 0; k < 3; ++k) {
            lo[k] = key(static_cast<double>(p[k]) - mPad, k);
            hi[k] = key(static_cast<double>(p[k]) + mPad, k);
            own[k] = key(p[k], k);
        }
        for (std::uint64_t z = lo[2]; z <= hi[2]; ++z)
            for (std::uint64_t y = lo[1]; y <= hi[1]; ++y)
                for (std::uint64_t x = lo[0]; x <= hi[0]; ++x) {
                    bool const isOwn = x == own[0] && y == own[1] && z == own[2];
                    std::uint32_t const b =
                        isOwn ? mBucketOfVertex[v - mFirst] : mBucketOfHash[hashOf(x, y, z)];
                    if (b == NO_BUCKET ||
                        std::find(touched.begin(), touched.end(), b) != touched.end())
                        continue;
                    touched.push_back(b);
                    collectInBucket(b, p, out);
                }
    }

    // Drops the processed vertices from the given buckets.
    void compact(std::vector<std::uint32_t> const& buckets,
                 boost::dynamic_bitset<> const& processed) {
        for (std::uint32_t const b : buckets) {
            Bucket& bucket = mBuckets[b];
            Entry* const begin = mEntries.data() + bucket.start;
            Entry* const end = std::remove_if(begin, begin + bucket.live, [&](Entry const& e) {
                return processed.test(e.vertex);
            });
            bucket.live = static_cast<std::uint32_t>(end - begin);
        }
    }

private:
    static constexpr int KEY_BITS = 21;
    static constexpr std::uint64_t MAX_CELLS_PER_AXIS = std::uint64_t{1} << KEY_BITS;
    static constexpr std::uint32_t NO_BUCKET = 0xFFFFFFFFu;

    struct Entry {
        unsigned int vertex;
        V3 position;
    };
    struct Bucket {
        std::uint32_t start;
        std::uint32_t live;
    };

    // Monotone in x, which is all the exactness argument needs; NaN lands in cell 0.
    std::uint64_t key(double x, int axis) const {
        double const u = (x - mOrigin[axis]) * mInverseSize;
        if (!(u > 0)) return 0;
        if (u >= static_cast<double>(mCellsPerAxis[axis] - 1)) return mCellsPerAxis[axis] - 1;
        return static_cast<std::uint64_t>(u);
    }

    std::size_t hashOf(std::uint64_t x, std::uint64_t y, std::uint64_t z) const {
        std::uint64_t const cell = x | (y << KEY_BITS) | (z << (2 * KEY_BITS));
        return static_cast<std::size_t>((cell * 0x9E3779B97F4A7C15ull) >> mHashShift);
    }

    std::size_t hashOf(V3 const& p) const { return hashOf(key(p.x, 0), key(p.y, 1), key(p.z, 2)); }

    template <typename IsLive>
    void setCells(std::vector<V3> const& positions, std::size_t first, IsLive const& isLive) {
        double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        std::size_t live = 0;
        for (std::size_t v = first; v < positions.size(); ++v) {
            if (!isLive(v)) continue;
            for (int k = 0; k < 3; ++k) {
                double const c = positions[v][k];
                if (live == 0 || c < lo[k]) lo[k] = c;
                if (live == 0 || c > hi[k]) hi[k] = c;
            }
            ++live;
        }
        double const extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2]});
        double const size =
            std::max(8 * mPad, extent / static_cast<double>(MAX_CELLS_PER_AXIS / 2));
        // A zero or infinite size puts everything in one cell.
        mInverseSize = size > 0 && std::isfinite(size) ? 1 / size : 0;
        for (int k = 0; k < 3; ++k) {
            mOrigin[k] = lo[k];
            double const cells = std::floor((hi[k] - lo[k]) * mInverseSize) + 1;
            mCellsPerAxis[k] = static_cast<std::uint64_t>(
                std::min(cells, static_cast<double>(MAX_CELLS_PER_AXIS)));
        }
        std::size_t hashCount = 16;
        while (hashCount < live / 4) hashCount *= 2;
        // Huge pages: the queries jump around these arrays, and 4 KiB pages would make nearly
        // every jump a TLB miss.
        reserveAdvised(mBucketOfHash, hashCount);
        mBucketOfHash.assign(hashCount, NO_BUCKET);
        mHashShift = 64;
        for (std::size_t h = hashCount; h > 1; h /= 2) --mHashShift;
        reserveAdvised(mEntries, live);
        mEntries.resize(live);
    }

    // Buckets are numbered as the vertices first reach them, so that queries, which come in
    // vertex order, read the bucket list and the entries nearly in sequence when the input has
    // any spatial coherence.
    template <typename IsLive>
    void fill(std::vector<V3> const& positions, std::size_t first, IsLive const& isLive) {
        reserveAdvised(mBucketOfVertex, positions.size() - first);
        mBucketOfVertex.assign(positions.size() - first, NO_BUCKET);
        reserveAdvised(mBuckets, mEntries.size() / 4);
        for (std::size_t v = first; v < positions.size(); ++v) {
            if (!isLive(v)) continue;
            std::uint32_t& b = mBucketOfHash[hashOf(positions[v])];
            if (b == NO_BUCKET) {
                b = static_cast<std::uint32_t>(mBuckets.size());
                mBuckets.push_back({0, 0});
            }
            ++mBuckets[b].live;
            mBucketOfVertex[v - first] = b;
        }
        std::uint32_t start = 0;
        for (Bucket& bucket : mBuckets) {
            bucket.start = start;
            start += bucket.live;
            bucket.live = 0;
        }
        for (std::size_t v = first; v < positions.size(); ++v) {
            if (!isLive(v)) continue;
            Bucket& bucket = mBuckets[mBucketOfVertex[v - first]];
            mEntries[bucket.start + bucket.live++] = {static_cast<unsigned int>(v), positions[v]};
        }
    }

    void collectInBucket(std::uint32_t b, V3 const& p, std::vector<unsigned int>& out) const {
        Bucket const& bucket = mBuckets[b];
        Entry const* const begin = mEntries.data() + bucket.start;
        for (Entry const* e = begin; e != begin + bucket.live; ++e)
            if (mReach.near(p, e->position)) out.push_back(e->vertex);
    }

    std::vector<V3> const& mPositions;
    Reach const mReach;
    std::size_t const mFirst;
    double mPad = 0;
    double mOrigin[3] = {0, 0, 0};
    double mInverseSize = 0;
    std::uint64_t mCellsPerAxis[3] = {1, 1, 1};
    int mHashShift = 64;
    std::vector<std::uint32_t> mBucketOfHash;  // NO_BUCKET where no vertex hashed
    std::vector<Bucket> mBuckets;
    std::vector<Entry> mEntries;                 // live vertices, bucket by bucket
    std::vector<std::uint32_t> mBucketOfVertex;  // from mFirst on; NO_BUCKET if not live
};

// Without reference vertices the octree's group of i is i and every unprocessed vertex near it,
// which is what the grid collects.
Groups gridGroups(std::vector<V3> const& positions, Reach const& reach, unsigned long first,
                  boost::dynamic_bitset<>& processed) {
    Groups groups;
    CellGrid grid(positions, reach, first, processed);
    std::vector<unsigned int> group;
    std::vector<std::uint32_t> touched;
    for (std::size_t i = first; i < positions.size(); ++i) {
        if (processed.test(i)) continue;
        if (!reach.findable(positions[i])) throwNotFound(positions[i]);
        group.clear();
        grid.collectNear(static_cast<unsigned int>(i), group, touched);
        std::sort(group.begin(), group.end());
        for (unsigned int const v : group) processed.set(v);
        grid.compact(touched, processed);
        keepGroup(group, groups);
    }
    return groups;
}
}  // namespace

NeighbourSearch chooseNeighbourSearch(unsigned long vertexCount, unsigned long candidateStart,
                                      unsigned long first) {
    unsigned long const candidates = vertexCount - candidateStart;
    if (candidates <= DIRECT_LIMIT ||
        (candidates <= DIRECT_LIMIT_FEW_STARTS && vertexCount - first < FEW_STARTS))
        return NeighbourSearch::DIRECT;
    return first == candidateStart ? NeighbourSearch::CELL_GRID : NeighbourSearch::POINT_OCTREE;
}

std::vector<std::vector<unsigned int>> findNearVertexGroups(
    std::vector<Vector3<float>> const& positions, float tolerance, unsigned long candidateStart,
    unsigned long first, boost::dynamic_bitset<>& processed, NeighbourSearch search) {
    if (first >= positions.size()) return {};
    Reach const reach(tolerance);
    switch (search) {
        case NeighbourSearch::DIRECT:
            return directGroups(positions, reach, candidateStart, first, processed);
        case NeighbourSearch::POINT_OCTREE:
            return octreeGroups(positions, reach, candidateStart, first, processed);
        case NeighbourSearch::CELL_GRID:
            assert(first == candidateStart);
            return gridGroups(positions, reach, first, processed);
    }
    return {};
}

}  // namespace detail
}  // namespace util

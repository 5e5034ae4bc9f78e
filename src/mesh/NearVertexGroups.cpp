#include "mesh/NearVertexGroups.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>

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

// Cells of edge length at least eight times the (padded) radius, so a query box meets at most
// two cells per axis, stored in a hash table since the grid is sparse. Each cell keeps its
// unprocessed vertices in one slice of a shared array; a vertex leaves its slice as soon as it
// is processed, so dense clusters are scanned once, not once per member.
class CellGrid {
public:
    CellGrid(std::vector<V3> const& positions, Reach const& reach, unsigned long first,
             boost::dynamic_bitset<> const& processed)
        : mPositions(positions), mReach(reach) {
        // The search compares squared distances within double rounding of the radius; the pad
        // keeps every vertex that passes the test inside the cells a query visits.
        mPad = static_cast<double>(reach.radius) * (1.0 + std::ldexp(1.0, -19));
        std::vector<unsigned int> live;
        for (std::size_t v = first; v < positions.size(); ++v)
            if (!processed.test(v) && reach.findable(positions[v]))
                live.push_back(static_cast<unsigned int>(v));
        setCells(live);
        fill(live);
    }

    // Appends every unprocessed vertex near p.
    void collectNear(V3 const& p, std::vector<unsigned int>& out) const {
        std::uint64_t lo[3], hi[3];
        for (int k = 0; k < 3; ++k) {
            lo[k] = key(static_cast<double>(p[k]) - mPad, k);
            hi[k] = key(static_cast<double>(p[k]) + mPad, k);
        }
        for (std::uint64_t z = lo[2]; z <= hi[2]; ++z)
            for (std::uint64_t y = lo[1]; y <= hi[1]; ++y)
                for (std::uint64_t x = lo[0]; x <= hi[0]; ++x) collectInCell(pack(x, y, z), p, out);
    }

    void remove(unsigned int v) {
        Cell& cell = mCells[mCellOf[v]];
        unsigned int const last = mOrder[cell.start + cell.live - 1];
        mOrder[mSlot[v]] = last;
        mSlot[last] = mSlot[v];
        --cell.live;
    }

private:
    static constexpr int KEY_BITS = 21;
    static constexpr std::uint64_t MAX_CELLS_PER_AXIS = std::uint64_t{1} << KEY_BITS;
    static constexpr std::uint32_t NO_CELL = 0xFFFFFFFFu;

    struct Cell {
        std::uint64_t key;
        std::uint32_t start;
        std::uint32_t live;
    };
    struct Slot {
        std::uint64_t key;
        std::uint32_t cell;
    };

    static std::uint64_t pack(std::uint64_t x, std::uint64_t y, std::uint64_t z) {
        return x | (y << KEY_BITS) | (z << (2 * KEY_BITS));
    }

    // Monotone in x, which is all the exactness argument needs; NaN lands in cell 0.
    std::uint64_t key(double x, int axis) const {
        double const u = (x - mOrigin[axis]) * mInverseSize;
        if (!(u > 0)) return 0;
        if (u >= static_cast<double>(mCellsPerAxis[axis] - 1)) return mCellsPerAxis[axis] - 1;
        return static_cast<std::uint64_t>(u);
    }

    void setCells(std::vector<unsigned int> const& live) {
        double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        for (std::size_t j = 0; j < live.size(); ++j) {
            V3 const& p = mPositions[live[j]];
            for (int k = 0; k < 3; ++k) {
                double const c = p[k];
                if (j == 0 || c < lo[k]) lo[k] = c;
                if (j == 0 || c > hi[k]) hi[k] = c;
            }
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
    }

    std::size_t slotOf(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> mHashShift);
    }

    std::uint32_t findCell(std::uint64_t key) const {
        for (std::size_t s = slotOf(key);; s = (s + 1) & (mTable.size() - 1)) {
            Slot const& slot = mTable[s];
            if (slot.cell == NO_CELL || slot.key == key) return slot.cell;
        }
    }

    std::uint32_t findOrAddCell(std::uint64_t key) {
        if (2 * (mCells.size() + 1) > mTable.size()) resizeTable(2 * mTable.size());
        std::size_t s = slotOf(key);
        for (; mTable[s].cell != NO_CELL; s = (s + 1) & (mTable.size() - 1))
            if (mTable[s].key == key) return mTable[s].cell;
        mTable[s] = {key, static_cast<std::uint32_t>(mCells.size())};
        mCells.push_back({key, 0, 0});
        return mTable[s].cell;
    }

    void resizeTable(std::size_t size) {
        mTable.assign(size, {0, NO_CELL});
        mHashShift = 64;
        for (std::size_t s = size; s > 1; s /= 2) --mHashShift;
        for (std::uint32_t c = 0; c < mCells.size(); ++c) {
            std::size_t s = slotOf(mCells[c].key);
            while (mTable[s].cell != NO_CELL) s = (s + 1) & (size - 1);
            mTable[s] = {mCells[c].key, c};
        }
    }

    // Counting sort of the live vertices by cell.
    void fill(std::vector<unsigned int> const& live) {
        std::size_t tableSize = 16;
        while (tableSize < live.size() / 2) tableSize *= 2;
        resizeTable(tableSize);
        mCellOf.assign(mPositions.size(), NO_CELL);
        for (unsigned int const v : live) {
            V3 const& p = mPositions[v];
            std::uint32_t const cell = findOrAddCell(pack(key(p.x, 0), key(p.y, 1), key(p.z, 2)));
            mCellOf[v] = cell;
            ++mCells[cell].live;
        }
        std::uint32_t start = 0;
        for (Cell& cell : mCells) {
            cell.start = start;
            start += cell.live;
            cell.live = 0;
        }
        mOrder.resize(live.size());
        mSlot.assign(mPositions.size(), 0);
        for (unsigned int const v : live) {
            Cell& cell = mCells[mCellOf[v]];
            mSlot[v] = cell.start + cell.live++;
            mOrder[mSlot[v]] = v;
        }
    }

    void collectInCell(std::uint64_t cellKey, V3 const& p, std::vector<unsigned int>& out) const {
        std::uint32_t const c = findCell(cellKey);
        if (c == NO_CELL) return;
        Cell const& cell = mCells[c];
        for (std::uint32_t j = cell.start; j < cell.start + cell.live; ++j)
            if (mReach.near(p, mPositions[mOrder[j]])) out.push_back(mOrder[j]);
    }

    std::vector<V3> const& mPositions;
    Reach const mReach;
    double mPad = 0;
    double mOrigin[3] = {0, 0, 0};
    double mInverseSize = 0;
    std::uint64_t mCellsPerAxis[3] = {1, 1, 1};
    std::vector<Cell> mCells;
    std::vector<Slot> mTable;
    int mHashShift = 64;
    std::vector<std::uint32_t> mCellOf;  // per vertex
    std::vector<std::uint32_t> mSlot;    // per vertex: its position in mOrder while live
    std::vector<unsigned int> mOrder;    // live vertices, cell by cell
};

// Without reference vertices the octree's group of i is i and every unprocessed vertex near it,
// which is what the grid collects.
Groups gridGroups(std::vector<V3> const& positions, Reach const& reach, unsigned long first,
                  boost::dynamic_bitset<>& processed) {
    Groups groups;
    CellGrid grid(positions, reach, first, processed);
    std::vector<unsigned int> group;
    for (std::size_t i = first; i < positions.size(); ++i) {
        if (processed.test(i)) continue;
        if (!reach.findable(positions[i])) throwNotFound(positions[i]);
        group.clear();
        grid.collectNear(positions[i], group);
        std::sort(group.begin(), group.end());
        for (unsigned int const v : group) {
            processed.set(v);
            grid.remove(v);
        }
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

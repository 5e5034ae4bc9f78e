#include <algorithm>
#include <iterator>

#include "base/HugePages.h"
#include "mesh/Mesh.h"

namespace util {

namespace {
constexpr unsigned int REMOVED = 0xFFFFFFFFu;
constexpr std::size_t SHRINK_AFTER_REMOVED_FACES = 16;

// A hole group with every index kept as read and as it will be renumbered.
struct HoleGroup {
    unsigned int face;
    unsigned int newFace;
    std::vector<unsigned int> holes;
    std::vector<unsigned int> newHoles;
};

std::vector<HoleGroup> readHoleGroups(std::vector<unsigned int> const& holes) {
    std::vector<HoleGroup> groups;
    std::size_t i = 0;
    while (i < holes.size()) {
        HoleGroup group{holes[i], holes[i], {}, {}};
        for (++i; i < holes.size() && holes[i] != Mesh::HOLES_END; ++i) group.holes.push_back(holes[i]);
        group.newHoles = group.holes;
        groups.push_back(std::move(group));
        ++i;
    }
    return groups;
}

// Like shrink_to_fit, but into a buffer advised for huge pages: a large face list would
// otherwise be faulted in page by page.
void releaseUnusedCapacity(std::vector<Mesh::Polygon>& faces) {
    std::vector<Mesh::Polygon> compact;
    reserveAdvised(compact, faces.size());
    std::move(faces.begin(), faces.end(), std::back_inserter(compact));
    faces.swap(compact);
}

// An index beyond the face list names no face; it moves down by every removed face, as all of
// them lie below it.
void renumber(unsigned int asRead, unsigned int& renumbered,
              std::vector<unsigned int> const& newIndex, std::size_t removedCount) {
    renumbered = asRead < newIndex.size() ? newIndex[asRead]
                                          : asRead - static_cast<unsigned int>(removedCount);
}
}  // namespace

unsigned long Mesh::deleteUnusedVertices(boost::dynamic_bitset<>* vertexFlags) {
    std::size_t const n = mVertices.size();
    if (n == 0) return 0;
    if (mFaces.empty() && mEdgeFaces.empty() && mVertexFaces.empty()) {
        mVertices.clear();
        mCache.clear();
        if (vertexFlags != nullptr) vertexFlags->resize(0);
        return n;
    }
    std::vector<Polygon>& faces = getActiveFaces();
    boost::dynamic_bitset<> used(n);
    for (Polygon const& face : faces)
        for (unsigned int const v : face.vertexIndices) used.set(v);
    if (used.all()) return 0;

    std::vector<unsigned int> newIndex(n, REMOVED);
    std::vector<Vector3<float>> kept;
    kept.reserve(used.count());
    boost::dynamic_bitset<> keptFlags;
    for (std::size_t v = 0; v < n; ++v) {
        if (!used.test(v)) continue;
        newIndex[v] = static_cast<unsigned int>(kept.size());
        kept.push_back(mVertices[v]);
        if (vertexFlags != nullptr) keptFlags.push_back(v < vertexFlags->size() && vertexFlags->test(v));
    }
    if (vertexFlags != nullptr) *vertexFlags = std::move(keptFlags);
    mCache.clear();
    std::size_t const removed = n - kept.size();
    mVertices = std::move(kept);
    for (Polygon& face : faces)
        for (unsigned int& v : face.vertexIndices) v = newIndex[v];
    return removed;
}

void Mesh::removeEmptyFaces(std::vector<unsigned int>* removed) {
    if (removed != nullptr) removed->clear();
    std::vector<HoleGroup> groups;
    if (!mHoles.empty()) groups = readHoleGroups(mHoles);
    bool const hasRanges = !mFaceMaterialStartIndices.empty();
    std::vector<unsigned int> newIndex(groups.empty() ? 0 : mFaces.size());

    std::size_t write = 0;
    std::size_t removedCount = 0;
    std::size_t range = 0;  // next material range whose start is still to be lowered
    for (std::size_t read = 0; read < mFaces.size(); ++read) {
        if (hasRanges) {
            while (range < mFaceMaterialStartIndices.size() && mFaceMaterialStartIndices[range] < read)
                ++range;
            while (range < mFaceMaterialStartIndices.size() && mFaceMaterialStartIndices[range] == read) {
                mFaceMaterialStartIndices[range] -= static_cast<unsigned int>(removedCount);
                ++range;
            }
        }
        if (mFaces[read].vertexIndices.empty()) {
            auto const face = static_cast<unsigned int>(read);
            if (!groups.empty()) newIndex[read] = REMOVED;
            if (removed != nullptr) removed->push_back(face);
            ++removedCount;
            continue;
        }
        if (!groups.empty()) newIndex[read] = static_cast<unsigned int>(write);
        if (write != read) mFaces[write] = std::move(mFaces[read]);
        ++write;
    }
    // One table lookup per hole entry: walking every group per removed face is quadratic.
    for (HoleGroup& group : groups) {
        renumber(group.face, group.newFace, newIndex, removedCount);
        for (std::size_t h = 0; h < group.holes.size(); ++h)
            renumber(group.holes[h], group.newHoles[h], newIndex, removedCount);
    }

    if (removedCount > 0 && mFaceMaterialStartIndices.size() >= 2) {
        std::size_t const faceCount = write;
        bool rebuild = false;
        for (std::size_t k = 0; k < mFaceMaterialStartIndices.size(); ++k) {
            bool const emptyRange = k + 1 < mFaceMaterialStartIndices.size() &&
                                    mFaceMaterialStartIndices[k] == mFaceMaterialStartIndices[k + 1];
            if (emptyRange || mFaceMaterialStartIndices[k] >= faceCount) rebuild = true;
        }
        if (rebuild) {
            std::vector<Material> materials;
            std::vector<unsigned int> starts;
            for (std::size_t k = 0; k < mFaceMaterialStartIndices.size(); ++k) {
                unsigned int const start = mFaceMaterialStartIndices[k];
                bool const emptyRange = k + 1 < mFaceMaterialStartIndices.size() &&
                                        start == mFaceMaterialStartIndices[k + 1];
                if (emptyRange || start >= faceCount) continue;
                if (!materials.empty() && !(materials.back() != mFaceMaterials[k])) continue;
                materials.push_back(mFaceMaterials[k]);
                starts.push_back(start);
            }
            if (materials.size() == 1) {
                mDefaultMaterial = materials.front();
                mFaceMaterials.clear();
                mFaceMaterialStartIndices.clear();
            } else {
                mFaceMaterials = std::move(materials);
                mFaceMaterialStartIndices = std::move(starts);
            }
        }
    }

    mFaces.resize(write);
    mCache.clear();

    if (!mHoles.empty()) {
        mHoles.clear();
        for (HoleGroup const& group : groups) {
            if (group.newFace == REMOVED) continue;
            std::vector<unsigned int> holes;
            for (unsigned int const h : group.newHoles)
                if (h != REMOVED) holes.push_back(h);
            if (holes.empty()) continue;
            mHoles.push_back(group.newFace);
            mHoles.insert(mHoles.end(), holes.begin(), holes.end());
            mHoles.push_back(HOLES_END);
        }
    }
    if (removedCount >= SHRINK_AFTER_REMOVED_FACES) releaseUnusedCapacity(mFaces);
}

}  // namespace util

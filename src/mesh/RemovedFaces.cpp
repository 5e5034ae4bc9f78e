#include "mesh/RemovedFaces.h"

#include "mesh/Mesh.h"

namespace util {

namespace {
constexpr std::size_t WORD_BITS = 64;

std::uint64_t bitOf(std::size_t face) { return std::uint64_t(1) << (face % WORD_BITS); }
std::uint64_t bitsBelow(std::size_t face) { return bitOf(face) - 1; }

// Ranges that became empty or start past the last kept face are dropped, and so is a range with
// the material of the range kept before it; a single remaining range becomes the default material.
void rebuildRanges(Mesh& mesh, std::size_t faceCount) {
    std::vector<unsigned int> const& starts = mesh.mFaceMaterialStartIndices;
    auto dropped = [&](std::size_t k) {
        return (k + 1 < starts.size() && starts[k] == starts[k + 1]) || starts[k] >= faceCount;
    };
    bool rebuild = false;
    for (std::size_t k = 0; k < starts.size() && !rebuild; ++k) rebuild = dropped(k);
    if (!rebuild) return;
    std::vector<Material> materials;
    std::vector<unsigned int> kept;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        if (dropped(k)) continue;
        if (!materials.empty() && !(materials.back() != mesh.mFaceMaterials[k])) continue;
        materials.push_back(mesh.mFaceMaterials[k]);
        kept.push_back(starts[k]);
    }
    if (materials.size() == 1) {
        mesh.mDefaultMaterial = materials.front();
        mesh.mFaceMaterials.clear();
        mesh.mFaceMaterialStartIndices.clear();
    } else {
        mesh.mFaceMaterials = std::move(materials);
        mesh.mFaceMaterialStartIndices = std::move(kept);
    }
}
}  // namespace

void RemovedFaces::append(bool removed) {
    if (mFaceCount % WORD_BITS == 0) {
        mWords.push_back(0);
        mRanks.push_back(static_cast<std::uint32_t>(mRemovedCount));
    }
    if (removed) {
        mWords.back() |= bitOf(mFaceCount);
        ++mRemovedCount;
    }
    ++mFaceCount;
}

bool RemovedFaces::isRemoved(std::size_t face) const {
    return face < mFaceCount && (mWords[face / WORD_BITS] & bitOf(face)) != 0;
}

std::size_t RemovedFaces::removedBefore(std::size_t face) const {
    if (face >= mFaceCount) return mRemovedCount;
    std::size_t const word = face / WORD_BITS;
    return mRanks[word] +
           static_cast<std::size_t>(__builtin_popcountll(mWords[word] & bitsBelow(face)));
}

unsigned int RemovedFaces::newIndex(unsigned int face) const {
    if (face == Mesh::HOLES_END || isRemoved(face)) return REMOVED;
    return face - static_cast<unsigned int>(removedBefore(face));
}

void RemovedFaces::renumberHoles(std::vector<unsigned int>& holes) const {
    std::vector<unsigned int> result;
    result.reserve(holes.size());
    std::size_t i = 0;
    while (i < holes.size()) {
        std::size_t const groupStart = result.size();
        unsigned int const face = newIndex(holes[i]);
        result.push_back(face);
        for (++i; i < holes.size() && holes[i] != Mesh::HOLES_END; ++i) {
            unsigned int const hole = newIndex(holes[i]);
            if (hole != REMOVED) result.push_back(hole);
        }
        ++i;
        if (face == REMOVED || result.size() == groupStart + 1)
            result.resize(groupStart);
        else
            result.push_back(Mesh::HOLES_END);
    }
    holes.swap(result);
}

// The face-by-face walk, jumping over faces where nothing happens: at each old face it passes
// the ranges starting before it, then lowers the run of ranges starting at it. Starts out of
// order are thus passed over unchanged, as they always were.
void RemovedFaces::renumberMaterialRanges(Mesh& mesh) const {
    std::vector<unsigned int>& starts = mesh.mFaceMaterialStartIndices;
    std::size_t range = 0;
    std::size_t face = 0;
    while (range < starts.size() && face < mFaceCount) {
        if (starts[range] < face) {
            ++range;
        } else if (starts[range] > face) {
            face = starts[range];
        } else {
            auto const lowering = static_cast<unsigned int>(removedBefore(face));
            for (; range < starts.size() && starts[range] == face; ++range)
                starts[range] -= lowering;
            ++face;
        }
    }
    if (mRemovedCount > 0 && starts.size() >= 2) rebuildRanges(mesh, mFaceCount - mRemovedCount);
}

void RemovedFaces::renumberRangesAndHoles(Mesh& mesh) const {
    renumberMaterialRanges(mesh);
    if (!mesh.mHoles.empty()) renumberHoles(mesh.mHoles);
}

}  // namespace util

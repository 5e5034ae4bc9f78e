#include <algorithm>
#include <iterator>

#include "base/HugePages.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"
#include "mesh/RemovedFaces.h"

namespace util {

namespace {
constexpr std::size_t SHRINK_AFTER_REMOVED_FACES = 16;

// Moves a face down onto an emptied or moved-from one, as move assignment would. Only lists that
// hold something are touched: a face uses one or two of its twelve lists, and writing the others
// back as empty would double the memory traffic of the walk, which runs over every face.
void moveFaceDown(Mesh::Polygon& to, Mesh::Polygon& from) {
    auto moveList = [](std::vector<unsigned int>& a, std::vector<unsigned int>& b) {
        if (a.capacity() != 0 || b.capacity() != 0) a = std::move(b);
    };
    moveList(to.vertexIndices, from.vertexIndices);
    moveList(to.normalIndices, from.normalIndices);
    for (unsigned int s = 0; s < Mesh::UV_SET_COUNT; ++s)
        moveList(to.uvIndices[s], from.uvIndices[s]);
    to.faceNormal = from.faceNormal;
    to.faceEdgeIndicesSet = from.faceEdgeIndicesSet;
}

// Like shrink_to_fit, declined while the slack is below three quarters of the capacity. A large
// list keeps its address range and gives the pages of its slack back to the system: moving the
// faces into a fresh buffer would fault in every page of it, which on a virtual machine costs more
// than most passes (70 ms for a list of 126k faces). A small list moves into a buffer advised for
// huge pages.
void releaseUnusedCapacity(std::vector<Mesh::Polygon>& faces) {
    std::size_t const slack = faces.capacity() - faces.size();
    if (slack < faces.capacity() / 4 * 3) return;
    if (releaseUnusedPages(faces.data() + faces.size(), slack * sizeof(Mesh::Polygon))) return;
    std::vector<Mesh::Polygon> compact;
    reserveAdvised(compact, faces.size());
    std::move(faces.begin(), faces.end(), std::back_inserter(compact));
    faces.swap(compact);
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
    std::vector<unsigned int> const newIndex = MeshCleanupUtils::keptVertexIndices(faces, n);
    if (newIndex.empty()) return 0;

    // Kept vertices move down in place, keeping their order.
    boost::dynamic_bitset<> keptFlags;
    std::size_t kept = 0;
    for (std::size_t v = 0; v < n; ++v) {
        if (newIndex[v] == MeshCleanupUtils::UNUSED) continue;
        mVertices[kept++] = mVertices[v];
        if (vertexFlags != nullptr) keptFlags.push_back(v < vertexFlags->size() && vertexFlags->test(v));
    }
    if (vertexFlags != nullptr) *vertexFlags = std::move(keptFlags);
    mCache.clear();
    mVertices.resize(kept);
    for (Polygon& face : faces)
        for (unsigned int& v : face.vertexIndices) v = newIndex[v];
    return n - kept;
}

void Mesh::removeEmptyFaces(std::vector<unsigned int>* removed) {
    if (removed != nullptr) removed->clear();
    RemovedFaces removal;
    std::size_t write = 0;
    for (std::size_t read = 0; read < mFaces.size(); ++read) {
        bool const empty = mFaces[read].vertexIndices.empty();
        removal.append(empty);
        if (empty) {
            if (removed != nullptr) removed->push_back(static_cast<unsigned int>(read));
            continue;
        }
        if (write != read) moveFaceDown(mFaces[write], mFaces[read]);
        ++write;
    }
    mFaces.resize(write);
    removal.renumberRangesAndHoles(*this);
    mCache.clear();
    if (removal.removedCount() >= SHRINK_AFTER_REMOVED_FACES) releaseUnusedCapacity(mFaces);
}

}  // namespace util

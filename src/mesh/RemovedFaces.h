#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace util {

class Mesh;

// Which faces of a face list a removal takes out, and the index every other face gets. Faces are
// appended in order; the new index of any face is then found in constant time, so the holes
// structure and the material ranges are renumbered in one sweep however many faces go. One bit
// and a small rank table per face: bounded by the face count, not by the 304-byte polygons.
class RemovedFaces {
public:
    static constexpr unsigned int REMOVED = 0xFFFFFFFFu;

    void append(bool removed);
    std::size_t faceCount() const { return mFaceCount; }
    std::size_t removedCount() const { return mRemovedCount; }
    bool isRemoved(std::size_t face) const;
    // Number of removed faces below face; face may be past the face count.
    std::size_t removedBefore(std::size_t face) const;
    // REMOVED for a removed face and for HOLES_END; any other index (also one past the face
    // count, as a garbage holes entry may be) moves down by the removed faces below it.
    unsigned int newIndex(unsigned int face) const;

    // A holes structure after the removal: a group whose encircling face went is dropped, so
    // are removed holes and groups left without holes.
    void renumberHoles(std::vector<unsigned int>& holes) const;
    // Lowers the range starts and drops ranges left empty. Only the ranges are read and written,
    // so the faces may be taken out before or after.
    void renumberMaterialRanges(Mesh& mesh) const;
    // Both of the above on the mesh: what taking the faces out does to everything that names them.
    void renumberRangesAndHoles(Mesh& mesh) const;

private:
    std::vector<std::uint64_t> mWords;
    std::vector<std::uint32_t> mRanks;  // removed faces before each word
    std::size_t mFaceCount = 0;
    std::size_t mRemovedCount = 0;
};

}  // namespace util

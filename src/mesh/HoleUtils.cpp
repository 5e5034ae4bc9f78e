#include "mesh/HoleUtils.h"

#include <algorithm>
#include <unordered_map>

#include "mesh/Mesh.h"

namespace util {

void HoleUtils::removeIllegalHolesStructureEntries(unsigned int const* holes, unsigned long count,
                                                   unsigned long faceCount,
                                                   std::vector<unsigned int>& out,
                                                   bool keepEmptyGroups) {
    out.clear();
    if (holes == nullptr || count < 2 || holes[count - 1] != Mesh::HOLES_END) return;
    out.reserve(count);
    // Candidates per encircling face, repeats included; repeats are dropped below, face by face.
    std::unordered_map<unsigned int, std::vector<unsigned int>> holesOfFace;
    std::vector<unsigned int> faceOrder;
    unsigned int holeLimit = 0;  // one past the largest hole kept
    unsigned long i = 0;
    while (i < count) {
        unsigned int const entry = holes[i];
        if (entry == Mesh::HOLES_END) {
            ++i;
            continue;
        }
        if (entry >= faceCount) {
            while (i < count && holes[i] != Mesh::HOLES_END) ++i;
            ++i;
            continue;
        }
        auto inserted = holesOfFace.emplace(entry, std::vector<unsigned int>());
        if (inserted.second) faceOrder.push_back(entry);
        std::vector<unsigned int>& list = inserted.first->second;
        for (++i; i < count && holes[i] != Mesh::HOLES_END; ++i) {
            unsigned int const hole = holes[i];
            if (hole >= faceCount || hole == entry) continue;
            list.push_back(hole);
            holeLimit = std::max(holeLimit, hole + 1);
        }
        ++i;
    }
    // listedUnder[h] is the ordinal (from 1) of the last face whose list took hole h.
    std::vector<unsigned int> listedUnder(holeLimit, 0);
    unsigned int ordinal = 0;
    for (unsigned int const face : faceOrder) {
        ++ordinal;
        std::size_t const groupStart = out.size();
        out.push_back(face);
        for (unsigned int const hole : holesOfFace[face]) {
            if (listedUnder[hole] == ordinal) continue;
            listedUnder[hole] = ordinal;
            out.push_back(hole);
        }
        if (out.size() == groupStart + 1 && !keepEmptyGroups) {
            out.resize(groupStart);
            continue;
        }
        out.push_back(Mesh::HOLES_END);
    }
}

}  // namespace util

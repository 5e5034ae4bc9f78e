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
    std::unordered_map<unsigned int, std::vector<unsigned int>> holesOfFace;
    std::vector<unsigned int> faceOrder;
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
            if (hole < faceCount && hole != entry &&
                std::find(list.begin(), list.end(), hole) == list.end())
                list.push_back(hole);
        }
        ++i;
    }
    for (unsigned int const face : faceOrder) {
        std::vector<unsigned int> const& list = holesOfFace[face];
        if (list.empty() && !keepEmptyGroups) continue;
        out.push_back(face);
        out.insert(out.end(), list.begin(), list.end());
        out.push_back(Mesh::HOLES_END);
    }
}

}  // namespace util

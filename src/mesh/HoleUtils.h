#pragma once

#include <vector>

namespace util {

// Helpers for the flat holes structure {face, holes..., HOLES_END}.
class HoleUtils {
public:
    // Rebuilds a structure from untrusted input: drops stray terminators, groups of faces out of
    // range, out-of-range, self-referencing and repeated holes, and merges repeated groups of one
    // face. A structure that does not end with HOLES_END is discarded whole. Conflicts between
    // groups (a hole under two faces) are left to the hole repair pass.
    static void removeIllegalHolesStructureEntries(unsigned int const* holes, unsigned long count,
                                                   unsigned long faceCount,
                                                   std::vector<unsigned int>& out,
                                                   bool keepEmptyGroups);
};

}  // namespace util

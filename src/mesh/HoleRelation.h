#pragma once

#include <map>
#include <vector>

namespace util {

// The holes structure as two lookup tables. Assumes a well-formed structure.
class HoleRelation {
public:
    explicit HoleRelation(std::vector<unsigned int> const& holes);

    std::map<unsigned int, std::vector<unsigned int>> mFaceToHoles;
    std::map<unsigned int, unsigned int> mHoleToFace;  // a later group overwrites an earlier one
};

}  // namespace util

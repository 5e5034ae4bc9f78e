#include "RecordValidity.h"

#include <cstring>

namespace fuzz {

namespace {
constexpr unsigned int HOLES_END = 0xFFFFFFFFu;

bool inRange(int const* values, int count, int limit) {
    for (int i = 0; i < count; ++i)
        if (values[i] < 0 || values[i] >= limit) return false;
    return true;
}

std::string facesProblem(Cleanup::MeshData const& r) {
    if (r.mCounts == nullptr || r.mCountCount <= 0) return "no faces";
    long long sum = 0;
    for (int f = 0; f < r.mCountCount; ++f) {
        if (r.mCounts[f] < 3) return "face " + std::to_string(f) + " has fewer than 3 corners";
        sum += r.mCounts[f];
    }
    if (sum != r.mIndexCount) return "counts do not sum to mIndexCount";
    if (r.mIndices == nullptr) return "no indices";
    if (!inRange(r.mIndices, r.mIndexCount, r.mVCCount / 3)) return "vertex index out of range";
    return "";
}

std::string textureProblem(Cleanup::MeshData const& r) {
    if (r.mTexCoords == nullptr) {
        if (r.mTCIndices != nullptr || r.mTCCount != 0)
            return "texture indices without coordinates";
        return "";
    }
    if (r.mTCCount <= 0 || r.mTCCount % 2 != 0) return "odd or empty mTCCount";
    if (r.mTCIndices == nullptr || r.mTCIndexCount != r.mIndexCount)
        return "texture indices not parallel to the vertex indices";
    if (!inRange(r.mTCIndices, r.mTCIndexCount, r.mTCCount / 2))
        return "texture index out of range";
    return "";
}

// Groups without holes are legal output: the conversion keeps them.
std::string holesProblem(Cleanup::MeshData const& r) {
    if (r.mHolesCount == 0) return r.mHoles == nullptr ? "" : "holes array without entries";
    if (r.mHoles == nullptr || r.mHolesCount < 2) return "short holes structure";
    if (r.mHoles[r.mHolesCount - 1] != HOLES_END) return "holes structure not terminated";
    auto const faces = static_cast<unsigned int>(r.mCountCount);
    for (int i = 0; i < r.mHolesCount;) {
        unsigned int const face = r.mHoles[i++];
        if (face >= faces) return "encircling face out of range";
        for (; r.mHoles[i] != HOLES_END; ++i)
            if (r.mHoles[i] >= faces || r.mHoles[i] == face) return "illegal hole entry";
        ++i;
    }
    return "";
}

std::string materialProblem(Cleanup::MeshData const& r, bool startFacesMustAscend) {
    if (r.mTexturesCount < 0 || (r.mTexturesCount > 0 && r.mTextures == nullptr))
        return "texture names missing";
    for (int i = 0; i < r.mTexturesCount; ++i)
        if (r.mTextures[i] != nullptr && std::strlen(r.mTextures[i]) == 0)
            return "empty texture name";
    if (r.mTexturesStartFaces == nullptr || !startFacesMustAscend) return "";
    if (r.mTexturesStartFacesCount != r.mTexturesCount)
        return "start faces not parallel to textures";
    for (int i = 0; i < r.mTexturesStartFacesCount; ++i) {
        if (r.mTexturesStartFaces[i] >= static_cast<unsigned int>(r.mCountCount))
            return "start face out of range";
        if (i > 0 && r.mTexturesStartFaces[i] <= r.mTexturesStartFaces[i - 1])
            return "start faces not ascending";
    }
    return "";
}
}  // namespace

std::string returnedRecordProblem(Cleanup::MeshData const& r, bool startFacesMustAscend) {
    if (r.mVertexCoords == nullptr || r.mVCCount <= 0 || r.mVCCount % 3 != 0) return "no vertices";
    for (auto const check : {facesProblem, textureProblem, holesProblem}) {
        std::string problem = check(r);
        if (!problem.empty()) return problem;
    }
    std::string problem = materialProblem(r, startFacesMustAscend);
    if (!problem.empty()) return problem;
    if (r.mConversionMessage != nullptr && r.mConversionMessage[0] == 0) return "empty message";
    return "";
}

}  // namespace fuzz

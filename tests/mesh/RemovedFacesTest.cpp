#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "material/Shader.h"
#include "mesh/Mesh.h"
#include "mesh/RemovedFaces.h"

namespace util {
namespace {

unsigned int const END = Mesh::HOLES_END;
unsigned int const GONE = RemovedFaces::REMOVED;

// The plain removal the one-sweep renumbering replaces: an entry loses one per removed face
// below it, a group goes with its face or its last hole, a range start loses the faces removed
// before it once the scan reaches it. Garbage entries and unordered ranges included.
struct PlainRemoval {
    std::vector<unsigned int> holes;
    std::vector<unsigned int> starts;
    std::size_t keptFaces = 0;

    PlainRemoval(std::vector<bool> const& removed, std::vector<unsigned int> const& oldHoles,
                 std::vector<unsigned int> startsIn)
        : starts(std::move(startsIn)) {
        std::vector<unsigned int> below{0};  // removed faces below each index
        for (bool const r : removed) below.push_back(below.back() + (r ? 1 : 0));
        auto renumber = [&](unsigned int v) {
            if (v == GONE || (v < removed.size() && removed[v])) return GONE;
            return v - below[std::min<std::size_t>(v, removed.size())];
        };
        for (std::size_t i = 0; i < oldHoles.size(); ++i) {
            std::vector<unsigned int> group{renumber(oldHoles[i])};
            for (++i; i < oldHoles.size() && oldHoles[i] != END; ++i)
                if (renumber(oldHoles[i]) != GONE) group.push_back(renumber(oldHoles[i]));
            if (group[0] == GONE || group.size() == 1) continue;
            holes.insert(holes.end(), group.begin(), group.end());
            holes.push_back(END);
        }
        std::size_t range = 0;
        for (std::size_t read = 0; read < removed.size(); ++read) {
            while (range < starts.size() && starts[range] < read) ++range;
            while (range < starts.size() && starts[range] == read) starts[range++] -= below[read];
        }
        keptFaces = removed.size() - below.back();
    }
};

// The one sweep against the plain removal on random meshes: holes entries of any value (stray
// terminators, out of range, repeated) and range starts in any order.
TEST(RemovedFacesTest, RemoveEmptyFacesMatchesThePlainRemoval) {
    std::mt19937 random(5);
    auto pick = [&random](unsigned int n) {
        return std::uniform_int_distribution<unsigned int>(0, n - 1)(random);
    };
    Material const materials[] = {Material(Shader(L"A")), Material(Shader(L"B")),
                                  Material(Shader(L"C"))};
    for (int round = 0; round < 300; ++round) {
        unsigned int const faceCount = 1 + pick(round < 200 ? 12 : 150);
        Mesh mesh("m");
        mesh.mVertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        std::vector<bool> removed(faceCount);
        for (unsigned int f = 0; f < faceCount; ++f) {
            removed[f] = pick(3) == 0;
            mesh.mFaces.emplace_back(removed[f] ? std::vector<unsigned int>{}
                                                : std::vector<unsigned int>{0, 1, 2});
            mesh.mFaces.back().faceNormal = {0, 0, static_cast<float>(f)};
        }
        for (unsigned int e = pick(3 * faceCount); e > 0; --e)
            mesh.mHoles.push_back(pick(6) == 0 ? END : pick(faceCount + 3));
        if (pick(2) == 0) mesh.mHoles.push_back(END);
        for (unsigned int r = pick(5); r > 0; --r) {
            mesh.mFaceMaterials.push_back(materials[pick(3)]);
            mesh.mFaceMaterialStartIndices.push_back(pick(faceCount + 2));
        }
        PlainRemoval const plain(removed, mesh.mHoles, mesh.mFaceMaterialStartIndices);

        std::vector<unsigned int> removedFaces{99};  // replaced, not appended to
        mesh.removeEmptyFaces(&removedFaces);
        ASSERT_EQ(mesh.mFaces.size(), plain.keptFaces);
        for (std::size_t f = 0, kept = 0; f < removed.size(); ++f) {
            if (removed[f]) continue;
            EXPECT_EQ(mesh.mFaces[kept++].faceNormal.z, static_cast<float>(f));
        }
        std::vector<unsigned int> expectedRemoved;
        for (unsigned int f = 0; f < faceCount; ++f)
            if (removed[f]) expectedRemoved.push_back(f);
        EXPECT_EQ(removedFaces, expectedRemoved) << "round " << round;
        EXPECT_EQ(mesh.mHoles, plain.holes) << "round " << round;
        // Range rebuilding is shared code; the lowered starts are what the sweep computes.
        if (mesh.mFaceMaterialStartIndices.size() == plain.starts.size()) {
            EXPECT_EQ(mesh.mFaceMaterialStartIndices, plain.starts) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace util

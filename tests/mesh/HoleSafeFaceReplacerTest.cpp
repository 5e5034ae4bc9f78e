#include "mesh/HoleSafeFaceReplacer.h"

#include <gtest/gtest.h>

#include "support/MeshBuilders.h"

namespace util {
namespace {

using test::Corners;
using test::V3;
constexpr unsigned int END = Mesh::HOLES_END;

// Face 0 (the square [0,10]^2) was split into face 2 (left half), face 3 (right half) and
// face 5 (far away); face 1 is a hole in the left half, face 4 one in the right half.
class HoleSafeFaceReplacerTest : public ::testing::Test {
protected:
    HoleSafeFaceReplacerTest() {
        std::vector<V3> vertices;
        std::vector<Corners> faces{test::addSquare(vertices, 0, 0, 10, 10),
                                   test::addSquare(vertices, 1, 1, 2, 2, true),
                                   test::addSquare(vertices, 0, 0, 5, 10),
                                   test::addSquare(vertices, 5, 0, 10, 10),
                                   test::addSquare(vertices, 6, 1, 7, 2, true),
                                   test::addSquare(vertices, 20, 0, 30, 10)};
        mesh = test::makeMesh(vertices, faces, {0, 1, 4, END});
    }
    Mesh mesh{"empty"};
    HoleSafeFaceReplacer replacer;
};

TEST_F(HoleSafeFaceReplacerTest, HolesGoToThePieceThatContainsThemOrUntestedToTheOnlyOne) {
    std::vector<unsigned int> holes;
    replacer.writeToHoles(mesh.mHoles, mesh.mVertices, mesh.mFaces, holes);
    EXPECT_EQ(holes, mesh.mHoles);  // no replacement
    HoleSafeFaceReplacer single;
    single.addReplacement(0, {5});  // holes 1 and 4 lie outside face 5
    single.writeToHoles(mesh.mHoles, mesh.mVertices, mesh.mFaces, holes);
    EXPECT_EQ(holes, (Corners{5, 1, 4, END}));
    replacer.addReplacement(0, {2, 3, 5});
    replacer.writeToHoles(mesh.mHoles, mesh.mVertices, mesh.mFaces, mesh.mHoles);
    EXPECT_EQ(mesh.mHoles, (Corners{2, 1, END, 3, 4, END}));
}

TEST_F(HoleSafeFaceReplacerTest, SuccessorsFollowLaterReplacementsInListOrder) {
    replacer.addReplacement(0, {2, 3});
    replacer.addReplacement(2, {6, 7});
    replacer.addReplacement(7, {9});
    std::vector<unsigned int> out{42};
    replacer.findAllSuccessors(0, out);
    EXPECT_EQ(out, (Corners{42, 6, 9, 3}));
    out.clear();
    replacer.findAllSuccessors(4, out);
    EXPECT_EQ(out, (Corners{4}));
}

}  // namespace
}  // namespace util

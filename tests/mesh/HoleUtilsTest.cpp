#include "mesh/HoleUtils.h"

#include <gtest/gtest.h>

#include "mesh/Mesh.h"

namespace util {
namespace {

unsigned int const END = Mesh::HOLES_END;

TEST(HoleUtilsTest, SanitiserDropsIllegalEntriesAndMergesGroups) {
    std::vector<unsigned int> const holes{1, 2, 2, 1, 99, END, 1, 3, END, 50, 4, END};
    std::vector<unsigned int> out{7};
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), 10, out, false);
    EXPECT_EQ(out, (std::vector<unsigned int>{1, 2, 3, END}));
}

TEST(HoleUtilsTest, StructureWithoutFinalTerminatorIsDiscarded) {
    std::vector<unsigned int> const holes{1, 2, END, 3, 4};
    std::vector<unsigned int> out{7};
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), 10, out, true);
    EXPECT_TRUE(out.empty());
    HoleUtils::removeIllegalHolesStructureEntries(nullptr, 0, 10, out, true);
    EXPECT_TRUE(out.empty());
}

TEST(HoleUtilsTest, EmptyGroupsAreKeptOnlyOnRequestAndStrayTerminatorsVanish) {
    std::vector<unsigned int> const holes{END, 4, END, END, 5, 6, END};
    std::vector<unsigned int> out;
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), 10, out, true);
    EXPECT_EQ(out, (std::vector<unsigned int>{4, END, 5, 6, END}));
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), 10, out, false);
    EXPECT_EQ(out, (std::vector<unsigned int>{5, 6, END}));
}

TEST(HoleUtilsTest, AHoleUnderTwoFacesStaysUnderBoth) {
    std::vector<unsigned int> const holes{1, 3, END, 2, 3, END};
    std::vector<unsigned int> out;
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), 4, out, false);
    EXPECT_EQ(out, holes);
}

}  // namespace
}  // namespace util

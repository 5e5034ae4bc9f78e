#include "mesh/HoleUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

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

// The sanitiser's repeat detection against a linear search of each face's list.
TEST(HoleUtilsTest, SanitiserMatchesALinearRepeatSearch) {
    std::mt19937 random(9);
    auto pick = [&random](unsigned int n) {
        return std::uniform_int_distribution<unsigned int>(0, n - 1)(random);
    };
    for (int round = 0; round < 300; ++round) {
        unsigned int const faceCount = 1 + pick(20);
        std::vector<unsigned int> holes;
        for (unsigned int e = pick(60); e > 0; --e) holes.push_back(pick(5) == 0 ? END : pick(faceCount + 2));
        holes.push_back(END);
        std::vector<unsigned int> expected;
        std::vector<unsigned int> order;
        std::vector<std::vector<unsigned int>> lists(faceCount);
        for (std::size_t i = 0; i < holes.size(); ++i) {
            unsigned int const f = holes[i];
            if (f == END) continue;
            if (f >= faceCount) {
                while (i < holes.size() && holes[i] != END) ++i;
                continue;
            }
            if (std::find(order.begin(), order.end(), f) == order.end()) order.push_back(f);
            for (++i; i < holes.size() && holes[i] != END; ++i)
                if (holes[i] < faceCount && holes[i] != f &&
                    std::find(lists[f].begin(), lists[f].end(), holes[i]) == lists[f].end())
                    lists[f].push_back(holes[i]);
        }
        bool const keepEmpty = round % 2 == 0;
        for (unsigned int const f : order) {
            if (lists[f].empty() && !keepEmpty) continue;
            expected.push_back(f);
            expected.insert(expected.end(), lists[f].begin(), lists[f].end());
            expected.push_back(END);
        }
        std::vector<unsigned int> out;
        HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), faceCount, out,
                                                      keepEmpty);
        EXPECT_EQ(out, expected) << "round " << round;
    }
}

}  // namespace
}  // namespace util

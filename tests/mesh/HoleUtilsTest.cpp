#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "mesh/HoleUtils.h"
#include "mesh/Mesh.h"

namespace util {
namespace {

unsigned int const END = Mesh::HOLES_END;

std::vector<unsigned int> sanitised(std::vector<unsigned int> const& holes, unsigned int faces,
                                    bool keepEmpty) {
    std::vector<unsigned int> out{7};  // replaced, not appended to
    HoleUtils::removeIllegalHolesStructureEntries(holes.data(), holes.size(), faces, out,
                                                  keepEmpty);
    return out;
}

TEST(HoleUtilsTest, SanitiserDropsIllegalEntriesAndMergesGroups) {
    using Holes = std::vector<unsigned int>;
    // Repeats, a face as its own hole and entries beyond the faces go; groups of a face merge.
    EXPECT_EQ(sanitised({1, 2, 2, 1, 99, END, 1, 3, END, 50, 4, END}, 10, false),
              (Holes{1, 2, 3, END}));
    // Without a final terminator the whole structure is discarded.
    EXPECT_TRUE(sanitised({1, 2, END, 3, 4}, 10, true).empty());
    EXPECT_TRUE(sanitised({}, 10, true).empty());
    // Empty groups stay only on request; stray terminators vanish.
    EXPECT_EQ(sanitised({END, 4, END, END, 5, 6, END}, 10, true), (Holes{4, END, 5, 6, END}));
    EXPECT_EQ(sanitised({END, 4, END, END, 5, 6, END}, 10, false), (Holes{5, 6, END}));
    // A hole under two faces stays under both.
    EXPECT_EQ(sanitised({1, 3, END, 2, 3, END}, 4, false), (Holes{1, 3, END, 2, 3, END}));
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
        for (unsigned int e = pick(60); e > 0; --e)
            holes.push_back(pick(5) == 0 ? END : pick(faceCount + 2));
        holes.push_back(END);
        std::vector<unsigned int> expected, order;
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

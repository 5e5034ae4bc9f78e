#pragma once

#include <gtest/gtest.h>

#include "mesh/Mesh.h"

namespace util {
namespace test {

// What every pass must leave behind: faces of at least 3 corners within the vertex list, no
// unused vertex, parallel lists as long as the corner lists, a well-formed holes structure and
// consistent material ranges. Use as EXPECT_TRUE(isConsistent(mesh)).
::testing::AssertionResult isConsistent(Mesh const& mesh);

}  // namespace test
}  // namespace util

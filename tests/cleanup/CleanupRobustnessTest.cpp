#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "cleanup/Cleanup.h"
#include "support/MeshBuilders.h"

namespace Cleanup {
namespace {

// Random records that are readable but otherwise hostile: repeated and degenerate corners,
// non-finite coordinates, holes structures with stray, repeated and out-of-range entries, and
// texture ranges in any order. Every operation must return a record or null, never crash.
TEST(CleanupRobustnessTest, HostileRecordsGiveARecordOrNull) {
    std::mt19937 random(11);
    auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    float const specials[] = {std::numeric_limits<float>::quiet_NaN(),
                              std::numeric_limits<float>::infinity(), 0.0f, 1e-30f, 1e30f};
    char name[] = "t.png";
    for (int round = 0; round < 300; ++round) {
        util::test::RecordBuilder b;
        int const vertexCount = 1 + pick(12);
        for (int v = 0; v < vertexCount; ++v)
            b.addVertex(pick(10) == 0 ? specials[pick(5)] : static_cast<float>(pick(4)),
                        static_cast<float>(pick(4)), pick(3) == 0 ? 0.0f : static_cast<float>(pick(2)));
        int const faceCount = pick(8);
        for (int f = 0; f < faceCount; ++f) {
            int const corners = pick(7);
            b.counts.push_back(corners);
            for (int c = 0; c < corners; ++c) b.indices.push_back(pick(vertexCount));
        }
        b.withTexCoords = pick(2) == 0;
        b.texCoords = {0, 0, 1, 1};
        for (std::size_t i = 0; i < b.indices.size(); ++i) b.tcIndices.push_back(pick(2));
        for (int t = pick(4); t > 0; --t) {
            b.textures.push_back(pick(3) == 0 ? nullptr : name);
            b.startFaces.push_back(static_cast<unsigned int>(pick(faceCount + 2)));
        }
        b.withStartFaces = pick(2) == 0;
        for (int h = pick(10); h > 0; --h)
            b.holes.push_back(pick(4) == 0 ? util::Mesh::HOLES_END
                                           : static_cast<unsigned int>(pick(faceCount + 2)));
        if (pick(2) == 0) b.holes.push_back(util::Mesh::HOLES_END);
        MeshData const record = b.record();
        float const threshold = pick(2) == 0 ? 0.5f : 1e-3f;
        freeMeshData(removeEdgesZero(threshold, record));
        freeMeshData(removeFacesZero(threshold, record));
        freeMeshData(removeFacesDouble(round % 2 == 0, record));
        freeMeshData(removeVerticesColinear(threshold * 10.0f, round % 2 == 0, record));
        freeMeshData(conformNormals(record));
    }
}

}  // namespace
}  // namespace Cleanup

#include "support/MeshInvariants.h"

#include <set>
#include <vector>

namespace util {
namespace test {

::testing::AssertionResult isConsistent(Mesh const& mesh) {
    auto failure = [] { return ::testing::AssertionFailure(); };
    std::vector<char> used(mesh.mVertices.size(), 0);
    for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
        Mesh::Polygon const& face = mesh.mFaces[f];
        std::size_t const n = face.vertexIndices.size();
        if (n < 3) return failure() << "face " << f << " has " << n << " corners";
        for (unsigned int const v : face.vertexIndices) {
            if (v >= used.size()) return failure() << "face " << f << " uses " << v;
            used[v] = 1;
        }
        for (auto const& list : face.uvIndices)
            if (!list.empty() && list.size() != n) return failure() << "face " << f << " UVs";
    }
    for (std::size_t v = 0; v < used.size(); ++v)
        if (!used[v]) return failure() << "vertex " << v << " is unused";

    std::vector<unsigned int> const& h = mesh.mHoles;
    if (!h.empty() && (h.size() < 3 || h.back() != Mesh::HOLES_END))
        return failure() << "holes structure is not terminated";
    std::set<unsigned int> holes;
    for (std::size_t i = 0; i < h.size(); ++i) {
        unsigned int const face = h[i];
        std::size_t const first = i + 1;
        for (i = first; h[i] != Mesh::HOLES_END; ++i)
            if (h[i] >= mesh.mFaces.size() || h[i] == face || !holes.insert(h[i]).second)
                return failure() << "bad hole " << h[i] << " of " << face;
        if (face >= mesh.mFaces.size() || i == first) return failure() << "group of " << face;
    }

    std::vector<unsigned int> const& starts = mesh.mFaceMaterialStartIndices;
    if (starts.size() != mesh.mFaceMaterials.size() || starts.size() == 1)
        return failure() << starts.size() << " material ranges";
    for (std::size_t k = 0; k < starts.size(); ++k) {
        bool const ordered = k == 0 ? starts[0] == 0 : starts[k] > starts[k - 1];
        if (!ordered || starts[k] >= mesh.mFaces.size() ||
            (k > 0 && !(mesh.mFaceMaterials[k] != mesh.mFaceMaterials[k - 1])))
            return failure() << "material range " << k;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace test
}  // namespace util

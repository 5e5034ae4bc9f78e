#include <algorithm>
#include <vector>

#include "mesh/EdgeTable.h"
#include "mesh/Mesh.h"
#include "mesh/MeshCleanupUtils.h"

namespace util {

namespace {
constexpr float DEGREES_PER_RADIAN = 57.29578f;

// A face in which the candidate vertex forms a straight corner, with its two edges there.
struct StraightCorner {
    unsigned int face;
    std::size_t corner;
    unsigned int edges[2];
};

// A vertex that joins more than two others is a T-junction or a fork, never a point on a line.
// Every edge at v leads to its own neighbour except an edge from v to itself, listed twice.
bool joinsMoreThanTwo(detail::EdgeTable const& table, unsigned int v) {
    detail::EdgeTable::Range const edges = table.vertexEdges(v);
    if (edges.size() < 3) return false;
    std::size_t selfEntries = 0;
    for (unsigned int const e : edges)
        if (table.lowVertex(e) == table.highVertex(e)) ++selfEntries;
    std::size_t const neighbours = edges.size() - selfEntries + (selfEntries > 0 ? 1 : 0);
    return neighbours > 2;
}

std::vector<char> findCandidates(detail::EdgeTable const& table, std::size_t vertexCount,
                                 boost::dynamic_bitset<> const* selection, bool keepBorder) {
    std::vector<char> candidate(vertexCount, 0);
    for (std::size_t v = 0; v < vertexCount; ++v)
        candidate[v] = (selection == nullptr || selection->test(v)) &&
                       !table.vertexEdges(static_cast<unsigned int>(v)).empty();
    if (keepBorder) {
        for (std::size_t e = 0; e < table.edgeCount(); ++e) {
            if (table.faces(e).size() >= 2) continue;
            candidate[table.lowVertex(e)] = 0;
            candidate[table.highVertex(e)] = 0;
        }
    }
    for (std::size_t v = 0; v < vertexCount; ++v)
        if (candidate[v] && joinsMoreThanTwo(table, static_cast<unsigned int>(v))) candidate[v] = 0;
    return candidate;
}

bool isStraight(std::vector<Vector3<float>> const& vertices, unsigned int v, unsigned int a,
                unsigned int b, double limit) {
    Vector3<float> d1 = vertices[a] - vertices[v];
    Vector3<float> d2 = vertices[b] - vertices[v];
    d1.normalize();
    d2.normalize();
    float const degrees = angleBetweenUnitVector3s(d1, d2) * DEGREES_PER_RADIAN;
    return static_cast<double>(degrees) >= limit;
}

// The faces at v, ascending, in which v's two edges (as they were when the table was built)
// meet at a straight angle; faces that no longer hold v are left out.
void findStraightCorners(Mesh const& mesh, detail::EdgeTable const& table, unsigned int v,
                         double limit, std::vector<unsigned int>& faces,
                         std::vector<StraightCorner>& out) {
    out.clear();
    faces.clear();
    detail::EdgeTable::Range const edges = table.vertexEdges(v);
    for (unsigned int const e : edges)
        faces.insert(faces.end(), table.faces(e).begin(), table.faces(e).end());
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    for (unsigned int const f : faces) {
        StraightCorner straight{f, 0, {0, 0}};
        std::size_t found = 0;
        for (unsigned int const e : edges) {
            detail::EdgeTable::Range const users = table.faces(e);
            if (std::find(users.begin(), users.end(), f) == users.end()) continue;
            if (found < 2) straight.edges[found] = e;
            ++found;
        }
        if (found != 2) continue;  // only a degenerate face meets v other than by two edges
        if (!isStraight(mesh.mVertices, v, table.otherVertex(straight.edges[0], v),
                        table.otherVertex(straight.edges[1], v), limit))
            continue;
        std::vector<unsigned int> const& c = mesh.mFaces[f].vertexIndices;
        auto const corner = std::find(c.begin(), c.end(), v);
        if (corner == c.end()) continue;
        straight.corner = static_cast<std::size_t>(corner - c.begin());
        out.push_back(straight);
    }
}
}  // namespace

unsigned long Mesh::removeColinearPoints(float tolerance, bool checkUVs,
                                         boost::dynamic_bitset<>* vertexSelection,
                                         bool keepBorderVertices) {
    detail::EdgeTable const table(mFaces, mVertices.size());
    std::vector<char> const candidate =
        findCandidates(table, mVertices.size(), vertexSelection, keepBorderVertices);
    // A texture mismatch blocks the edges on both sides of the corner, so the vertex stays in
    // the neighbouring face too; a blocked edge stays blocked for its other end.
    std::vector<char> blocked(table.edgeCount(), 0);
    double const limit = 180.0 - static_cast<double>(tolerance);
    unsigned long count = 0;
    bool emptied = false;
    std::vector<unsigned int> faces;
    std::vector<StraightCorner> straight;
    for (std::size_t vertex = 0; vertex < mVertices.size(); ++vertex) {
        if (!candidate[vertex]) continue;
        auto const v = static_cast<unsigned int>(vertex);
        findStraightCorners(*this, table, v, limit, faces, straight);
        if (checkUVs)
            for (StraightCorner const& s : straight)
                if (!MeshCleanupUtils::uvsAreLinearInterpolation(*this, mFaces[s.face], s.corner))
                    blocked[s.edges[0]] = blocked[s.edges[1]] = 1;
        for (StraightCorner const& s : straight) {
            if (blocked[s.edges[0]] || blocked[s.edges[1]]) continue;
            Polygon& face = mFaces[s.face];
            if (face.vertexIndices.size() < 4) {
                face.clearIndices();
                emptied = true;
            } else {
                face.eraseIndex(s.corner, mVertices);
            }
            ++count;
        }
    }
    if (count != 0) {
        deleteUnusedVertices(vertexSelection);
        mCache.clear();
        calcFaceNormals();
    }
    if (emptied) removeEmptyFaces(nullptr);
    return count;
}

}  // namespace util

#include <algorithm>
#include <utility>

#include "mesh/HoleRelation.h"
#include "mesh/IdenticalVertexGroups.h"
#include "mesh/Mesh.h"
#include "mesh/MeshUtils.h"
#include "mesh/NearVertexGroups.h"

namespace util {
namespace {
using Groups = std::vector<std::vector<unsigned int>>;
using detail::EMPTYIVG;
using detail::removeFromIVG;

// The flip rule guards against welds that turn faces over; below this tolerance a weld moves a
// corner too little for that to matter.
constexpr float FLIP_CHECK_TOLERANCE = 0.15f;

// The vertices a call works on, after the selection has moved the range starts.
struct MergeRange {
    unsigned long candidateStart;
    unsigned long first;
};

// False when no selected vertex is left to start a group. Unselected candidates start out
// processed, so they never join one.
bool selectRange(boost::dynamic_bitset<> const* selection, std::size_t vertexCount,
                 MergeRange& range, boost::dynamic_bitset<>& processed) {
    processed.resize(vertexCount);
    range.first = std::max(range.first, range.candidateStart);
    if (selection != nullptr) {
        auto nextSelected = [selection](std::size_t from) {
            if (from >= selection->size()) return boost::dynamic_bitset<>::npos;
            return selection->test(from) ? from : selection->find_next(from);
        };
        std::size_t const start = nextSelected(range.candidateStart);
        if (start == boost::dynamic_bitset<>::npos || start >= vertexCount) return false;
        range.candidateStart = start;
        std::size_t const first = nextSelected(std::max<std::size_t>(range.first, start));
        if (first == boost::dynamic_bitset<>::npos || first >= vertexCount) return false;
        range.first = first;
        for (std::size_t v = range.candidateStart; v < vertexCount; ++v)
            if (v >= selection->size() || !selection->test(v)) processed.set(v);
    }
    return range.first < vertexCount;
}

std::vector<long> mapGroups(Groups const& groups, std::size_t vertexCount) {
    std::vector<long> groupOfVertex(vertexCount, EMPTYIVG);
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (unsigned int const v : groups[g]) groupOfVertex[v] = static_cast<long>(g);
    return groupOfVertex;
}

// One group's corners in one face end as a single run of adjacent corners; a corner apart from
// the run keeps its own vertex, since welding it would pinch the face into two loops.
bool unpinchGroup(std::vector<unsigned int> const& corners, long g, Groups& groups,
                  std::vector<long>& groupOfVertex) {
    std::size_t const c = corners.size();
    auto inGroup = [&](std::size_t position) { return groupOfVertex[corners[position % c]] == g; };
    std::size_t start = 0;
    if (inGroup(0))
        while (start < c && inGroup(start)) ++start;
    bool removed = false;
    bool met = false;
    std::size_t lastStep = 0;
    for (std::size_t step = 0; step < c; ++step) {
        std::size_t const p = (start + step) % c;
        if (!inGroup(p)) continue;
        bool const inRun = !met || lastStep + 1 == step;
        if (!inRun || (!inGroup(p + c - 1) && !inGroup(p + 1))) {
            removeFromIVG(corners[p], groups[static_cast<std::size_t>(g)], groupOfVertex);
            removed = true;
        }
        met = true;
        lastStep = step;
        if (groups[static_cast<std::size_t>(g)].empty()) break;
    }
    return removed;
}

void applyPinchRule(std::vector<Mesh::Polygon> const& faces, Groups& groups,
                    std::vector<long>& groupOfVertex) {
    std::vector<std::pair<long, std::size_t>> counts;  // (group, corners in it)
    for (bool removed = true; removed;) {
        removed = false;
        for (Mesh::Polygon const& face : faces) {
            std::vector<unsigned int> const& corners = face.vertexIndices;
            std::size_t const c = corners.size();
            if (c < 4) continue;
            counts.clear();
            for (unsigned int const v : corners) {
                long const g = groupOfVertex[v];
                if (g == EMPTYIVG) continue;
                auto it = std::find_if(counts.begin(), counts.end(),
                                       [g](auto const& entry) { return entry.first == g; });
                if (it == counts.end())
                    counts.emplace_back(g, 1);
                else
                    ++it->second;
            }
            std::sort(counts.begin(), counts.end());
            for (auto const& entry : counts)
                if (entry.second >= 2 && entry.second <= c - 2 &&
                    unpinchGroup(corners, entry.first, groups, groupOfVertex))
                    removed = true;
        }
    }
}

// Without strict holes a hole may only weld where that cannot tear it from its outline: a group
// with several hole vertices loses them all, one hole vertex stays only apart from its own
// face's outline, and then lends the group its position.
void applyLooseHoleRule(Mesh& mesh, HoleRelation const& holes, unsigned long first, Groups& groups,
                        std::vector<long>& groupOfVertex) {
    std::size_t const faceCount = mesh.mFaces.size();
    std::vector<long> enclosingFace(mesh.mVertices.size(), -1);
    for (auto const& entry : holes.mFaceToHoles) {
        if (entry.first >= faceCount) continue;
        for (unsigned int const h : entry.second)
            if (h < faceCount)
                for (unsigned int const v : mesh.mFaces[h].vertexIndices)
                    enclosingFace[v] = entry.first;
    }
    for (std::vector<unsigned int>& group : groups) {
        auto const isHoleVertex = [&](unsigned int v) { return enclosingFace[v] != -1; };
        auto const holeVertices = std::count_if(group.begin(), group.end(), isHoleVertex);
        if (holeVertices >= 2) {
            for (std::size_t k = group.size(); k-- > 0 && !group.empty();)
                if (isHoleVertex(group[k])) removeFromIVG(group[k], group, groupOfVertex);
            continue;
        }
        if (holeVertices != 1) continue;
        auto const position = std::find_if(group.begin(), group.end(), isHoleVertex);
        unsigned int const u = *position;
        long const g = groupOfVertex[u];
        auto const& outline = mesh.mFaces[static_cast<std::size_t>(enclosingFace[u])].vertexIndices;
        bool const meetsOutline = std::any_of(
            outline.begin(), outline.end(), [&](unsigned int v) { return groupOfVertex[v] == g; });
        if (meetsOutline) {
            removeFromIVG(u, group, groupOfVertex);
        } else if (position != group.begin()) {
            if (group.front() < first)
                removeFromIVG(u, group, groupOfVertex);
            else
                std::swap(mesh.mVertices[u], mesh.mVertices[group.front()]);
        }
    }
}

// For large tolerances a weld can move a corner far enough to turn its face over. Such a face
// gives back, one at a time, the corner whose weld moves it farthest.
void applyFlipRule(Mesh const& mesh, Groups& groups, std::vector<long>& groupOfVertex) {
    std::vector<char> settled(mesh.mFaces.size(), 0);
    std::vector<unsigned int> merged;
    auto survivor = [&](unsigned int v) {
        long const g = groupOfVertex[v];
        return g == EMPTYIVG ? v : groups[static_cast<std::size_t>(g)].front();
    };
    for (bool removed = true; removed;) {
        removed = false;
        for (std::size_t f = 0; f < mesh.mFaces.size(); ++f) {
            if (settled[f]) continue;
            Mesh::Polygon const& face = mesh.mFaces[f];
            bool grouped = false;
            merged.clear();
            for (unsigned int const v : face.vertexIndices) {
                grouped = grouped || groupOfVertex[v] != EMPTYIVG;
                unsigned int const m = survivor(v);
                if (merged.empty() || merged.back() != m) merged.push_back(m);
            }
            if (merged.size() > 1 && merged.back() == merged.front()) merged.pop_back();
            if (!grouped) {
                settled[f] = 1;
                continue;
            }
            if (merged.size() < 3) continue;
            Vector3<float> normal;
            if (MeshUtils::calcPolyNormal(mesh.mVertices, &merged, normal) &&
                normal.dot(face.faceNormal) > 0)
                continue;
            float farthest = -1;
            unsigned int corner = 0;
            for (unsigned int const v : face.vertexIndices) {
                unsigned int const s = survivor(v);
                if (s == v) continue;
                Vector3<float> const d = mesh.mVertices[v] - mesh.mVertices[s];
                float const distance = d.dot(d);
                if (distance > farthest) {
                    farthest = distance;
                    corner = v;
                }
            }
            if (farthest > 0) {
                long const g = groupOfVertex[corner];
                removeFromIVG(corner, groups[static_cast<std::size_t>(g)], groupOfVertex);
                removed = true;
            }
        }
    }
}

// Compacts the processing range: survivors keep their order, merged vertices take their
// survivor's new index. Returns how many vertices were merged away.
unsigned long renumber(Mesh& mesh, unsigned long first, Groups const& groups,
                       std::vector<long> const& groupOfVertex, boost::dynamic_bitset<>* selection) {
    std::size_t const n = mesh.mVertices.size();
    std::vector<unsigned int> newIndex(n);
    auto next = static_cast<unsigned int>(first);
    for (std::size_t v = first; v < n; ++v) {
        long const g = groupOfVertex[v];
        unsigned int const target = g == EMPTYIVG ? static_cast<unsigned int>(v)
                                                  : groups[static_cast<std::size_t>(g)].front();
        if (target == v) {
            mesh.mVertices[next] = mesh.mVertices[v];
            newIndex[v] = next++;
        } else {
            newIndex[v] = target < first ? target : newIndex[target];
        }
    }
    for (Mesh::Polygon& face : mesh.mFaces)
        for (unsigned int& corner : face.vertexIndices)
            if (corner >= first) corner = newIndex[corner];
    if (selection != nullptr) {
        boost::dynamic_bitset<> kept(next);
        for (std::size_t v = 0; v < std::min(n, selection->size()); ++v)
            if (selection->test(v)) kept.set(v < first ? v : newIndex[v]);
        *selection = std::move(kept);
    }
    mesh.mVertices.resize(next);
    mesh.getCache().clear();
    return n - next;
}
}  // namespace

unsigned long Mesh::mergeDuplicateVertices(float tolerance, unsigned long first,
                                           unsigned long candidateStart, bool keepElements,
                                           std::vector<unsigned int>* removedFaces, bool areaCheck,
                                           bool strictHoles,
                                           boost::dynamic_bitset<>* vertexSelection) {
    if (mFaces.empty()) return 0;
    unsigned long merged = 0;
    MergeRange range{candidateStart, first};
    boost::dynamic_bitset<> processed;
    if (selectRange(vertexSelection, mVertices.size(), range, processed)) {
        Groups groups = detail::findNearVertexGroups(
            mVertices, tolerance, range.candidateStart, range.first, processed,
            detail::chooseNeighbourSearch(mVertices.size(), range.candidateStart, range.first));
        processed = boost::dynamic_bitset<>();
        if (!groups.empty()) {
            std::vector<long> groupOfVertex = mapGroups(groups, mVertices.size());
            applyPinchRule(mFaces, groups, groupOfVertex);
            if (!mHoles.empty()) {
                HoleRelation const holes(mHoles);
                if (strictHoles)
                    detail::enforceHoleConsistency(mFaces, holes, groups, groupOfVertex, mVertices,
                                                   range.first);
                else if (!holes.mFaceToHoles.empty())
                    applyLooseHoleRule(*this, holes, range.first, groups, groupOfVertex);
            }
            if (tolerance > FLIP_CHECK_TOLERANCE) applyFlipRule(*this, groups, groupOfVertex);
            merged = renumber(*this, range.first, groups, groupOfVertex, vertexSelection);
        }
    }
    removeCollapsedEdges(keepElements, true, removedFaces, !areaCheck, false);
    if (!keepElements) deleteUnusedVertices(vertexSelection);
    calcFaceNormals();
    if (strictHoles) removeEdgesCoplanar(-1.0f, false, keepElements, vertexSelection);
    return merged;
}

}  // namespace util

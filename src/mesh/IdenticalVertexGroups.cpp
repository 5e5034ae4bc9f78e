#include "mesh/IdenticalVertexGroups.h"

#include <algorithm>
#include <map>
#include <utility>

#include "mesh/HoleRelation.h"

namespace util {
namespace detail {

namespace {
// One group while the holes touching it are taken out of it. After a split of the whole group
// (a hole meeting its own face) the work continues on the new group.
class GroupWork {
public:
    GroupWork(std::vector<std::vector<unsigned int>>& groups, std::vector<long>& groupOfVertex,
              long index)
        : mGroups(groups), mGroupOfVertex(groupOfVertex), mCurrent(&groups[index]), mIndex(index) {}

    bool contains(unsigned int vertex) const { return mGroupOfVertex[vertex] == mIndex; }
    bool inNoGroup(unsigned int vertex) const { return mGroupOfVertex[vertex] == EMPTYIVG; }
    std::vector<unsigned int> const& members() const { return *mCurrent; }

    // Appends the face's vertices in this group to out, each once.
    void collectMembers(Mesh::Polygon const& face, std::vector<unsigned int>& out) const {
        for (unsigned int const v : face.vertexIndices)
            if (contains(v) && std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
    }

    // Moves the given members into a new group; true when one was made.
    bool split(std::vector<unsigned int>& moved) {
        for (unsigned int const v : moved)
            if (contains(v)) removeFromIVG(v, *mCurrent, mGroupOfVertex);
        return addIVGToBackAndClear(moved, mGroupOfVertex, mGroups, mCurrent, mIndex);
    }

    void switchToLastGroup() {
        mIndex = static_cast<long>(mGroups.size()) - 1;
        mCurrent = &mGroups.back();
    }

private:
    std::vector<std::vector<unsigned int>>& mGroups;
    std::vector<long>& mGroupOfVertex;
    std::vector<unsigned int>* mCurrent;
    long mIndex;
};

unsigned int encirclingFace(HoleRelation const& holes, unsigned int hole) {
    return holes.mHoleToFace.at(hole);
}

// Holes touching each group, ascending by hole index.
std::map<long, std::vector<unsigned int>> holesPerGroup(std::vector<Mesh::Polygon> const& faces,
                                                        HoleRelation const& holes,
                                                        std::vector<long> const& groupOfVertex) {
    std::map<long, std::vector<unsigned int>> touching;
    for (auto const& entry : holes.mHoleToFace) {
        unsigned int const hole = entry.first;
        for (unsigned int const v : faces[hole].vertexIndices) {
            long const g = groupOfVertex[v];
            if (g == EMPTYIVG) continue;
            std::vector<unsigned int>& list = touching[g];
            if (list.empty() || list.back() != hole) list.push_back(hole);
        }
    }
    return touching;
}

// The hole's run of consecutive group members around its first member, when the run is
// bordered on both sides by vertices in no group and is not the whole hole; else empty.
std::vector<unsigned int> isolatedRun(Mesh::Polygon const& hole, GroupWork const& work) {
    std::vector<unsigned int> const& c = hole.vertexIndices;
    std::size_t const n = c.size();
    auto const first = std::find_if(c.begin(), c.end(), [&work](unsigned int v) { return work.contains(v); });
    if (first == c.end()) return {};
    std::size_t start = static_cast<std::size_t>(first - c.begin());
    std::size_t end = start;
    std::size_t length = 1;
    while (length < n && work.contains(c[(start + n - 1) % n])) {
        start = (start + n - 1) % n;
        ++length;
    }
    if (length == n || !work.inNoGroup(c[(start + n - 1) % n])) return {};
    while (work.contains(c[(end + 1) % n])) {
        end = (end + 1) % n;
        ++length;
    }
    if (!work.inNoGroup(c[(end + 1) % n])) return {};
    std::vector<unsigned int> run;
    for (std::size_t i = start;; i = (i + 1) % n) {
        if (std::find(run.begin(), run.end(), c[i]) == run.end()) run.push_back(c[i]);
        if (i == end) break;
    }
    return run;
}

// A hole whose encircling face has a vertex in the group must not be welded to that face: all
// hole vertices of the group leave it together.
void separateHolesFromOwnFaces(std::vector<Mesh::Polygon> const& faces, HoleRelation const& holes,
                               std::vector<unsigned int> const& touching, GroupWork& work) {
    bool const meetsOwnFace = std::any_of(touching.begin(), touching.end(), [&](unsigned int h) {
        auto const& corners = faces[encirclingFace(holes, h)].vertexIndices;
        return std::any_of(corners.begin(), corners.end(),
                           [&work](unsigned int v) { return work.contains(v); });
    });
    if (!meetsOwnFace) return;
    std::vector<unsigned int> candidate;
    for (unsigned int const h : touching) work.collectMembers(faces[h], candidate);
    if (work.split(candidate)) work.switchToLastGroup();
}

// A hole that meets the group in one run between ungrouped vertices gets a group of its own.
void separateIsolatedRuns(std::vector<Mesh::Polygon> const& faces,
                          std::vector<unsigned int>& touching, GroupWork& work) {
    for (std::size_t k = 0; k < touching.size() && touching.size() >= 2 && !work.members().empty();) {
        std::vector<unsigned int> run = isolatedRun(faces[touching[k]], work);
        if (run.empty()) {
            ++k;
            continue;
        }
        work.split(run);
        touching.erase(touching.begin() + static_cast<long>(k));
    }
}

// Only holes of one face (the first hole's) may stay welded together.
void separateHolesOfOtherFaces(std::vector<Mesh::Polygon> const& faces, HoleRelation const& holes,
                               std::vector<unsigned int>& touching, GroupWork& work) {
    if (touching.empty()) return;
    unsigned int const reference = encirclingFace(holes, touching.front());
    for (std::size_t k = 1; k < touching.size() && touching.size() >= 2 && !work.members().empty();) {
        if (encirclingFace(holes, touching[k]) == reference) {
            ++k;
            continue;
        }
        std::vector<unsigned int> moved;
        work.collectMembers(faces[touching[k]], moved);
        work.split(moved);
        touching.erase(touching.begin() + static_cast<long>(k));
    }
}

// The weld keeps the position of the group's smallest member; giving that member a hole
// vertex's position keeps the hole's outline where it was.
void moveRepresentativeToHole(std::vector<Mesh::Polygon> const& faces,
                              std::vector<unsigned int> const& touching, GroupWork const& work,
                              std::vector<Vector3<float>>& vertices, unsigned long firstMovable) {
    if (work.members().empty()) return;
    unsigned int const representative = work.members().front();
    if (representative < firstMovable) return;
    for (unsigned int const h : touching) {
        for (unsigned int const v : faces[h].vertexIndices) {
            if (!work.contains(v)) continue;
            std::swap(vertices[representative], vertices[v]);
            return;
        }
    }
}
}  // namespace

void removeFromIVG(unsigned int vertex, std::vector<unsigned int>& group,
                   std::vector<long>& groupOfVertex) {
    if (group.size() == 2) {
        groupOfVertex[group[0]] = EMPTYIVG;
        groupOfVertex[group[1]] = EMPTYIVG;
        group.clear();
        return;
    }
    auto const it = std::lower_bound(group.begin(), group.end(), vertex);
    group.erase(it);
    groupOfVertex[vertex] = EMPTYIVG;
}

bool addIVGToBackAndClear(std::vector<unsigned int>& candidate, std::vector<long>& groupOfVertex,
                          std::vector<std::vector<unsigned int>>& groups,
                          std::vector<unsigned int>*& current, long currentIndex) {
    if (candidate.size() < 2) {
        candidate.clear();
        return false;
    }
    std::sort(candidate.begin(), candidate.end());
    auto const index = static_cast<long>(groups.size());
    for (unsigned int const v : candidate) groupOfVertex[v] = index;
    groups.push_back(candidate);
    current = &groups[static_cast<std::size_t>(currentIndex)];
    candidate.clear();
    return true;
}

void enforceHoleConsistency(std::vector<Mesh::Polygon> const& faces, HoleRelation const& holes,
                            std::vector<std::vector<unsigned int>>& groups,
                            std::vector<long>& groupOfVertex,
                            std::vector<Vector3<float>>& vertices, unsigned long firstMovable) {
    if (holes.mFaceToHoles.empty()) return;
    std::map<long, std::vector<unsigned int>> touchingPerGroup =
        holesPerGroup(faces, holes, groupOfVertex);
    for (auto& entry : touchingPerGroup) {
        std::vector<unsigned int>& touching = entry.second;
        GroupWork work(groups, groupOfVertex, entry.first);
        separateHolesFromOwnFaces(faces, holes, touching, work);
        separateIsolatedRuns(faces, touching, work);
        separateHolesOfOtherFaces(faces, holes, touching, work);
        moveRepresentativeToHole(faces, touching, work, vertices, firstMovable);
    }
}

}  // namespace detail
}  // namespace util

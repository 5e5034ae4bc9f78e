#include <algorithm>
#include <utility>
#include <vector>

#include "base/HugePages.h"
#include "mesh/EdgeTable.h"
#include "mesh/HoleRelation.h"
#include "mesh/Mesh.h"
#include "mesh/MeshUtils.h"

namespace util {

namespace {
constexpr float FLOAT_MAX = 3.4028235e38f;
enum State : unsigned char { UNVISITED = 0, FIRST = 1, SECOND = 2 };

struct Extent {
    Vector3<float> min{FLOAT_MAX, FLOAT_MAX, FLOAT_MAX};
    Vector3<float> max{-FLOAT_MAX, -FLOAT_MAX, -FLOAT_MAX};

    void add(Vector3<float> const& p) {
        for (int axis = 0; axis < 3; ++axis) {
            if (p[axis] < min[axis]) min[axis] = p[axis];
            if (p[axis] > max[axis]) max[axis] = p[axis];
        }
    }
    // Below the middle of the extent, so an open surface ends up facing up and out.
    Vector3<float> referencePoint() const {
        return {(max.x - min.x) * 0.5f + min.x, min.y - 1.0f, (max.z - min.z) * 0.5f + min.z};
    }
};

// For every corner, the edge from it to the next corner as seen from across: the one face whose
// corner shares that edge when exactly two corners do (a face using the edge twice sees itself),
// and whether that face runs the edge in the same direction. Corners are grouped per edge by the
// edge table's sort, so the walk over the faces needs no edge lookups and no scans of the
// neighbours' corner lists.
class CornerAdjacency {
public:
    static constexpr unsigned int BORDER = 0xFFFFFFFFu;  // no other corner on the edge
    static constexpr unsigned int SHARED = 0xFFFFFFFEu;  // three or more corners on the edge

    CornerAdjacency(std::vector<Mesh::Polygon> const& faces, std::size_t vertexCount)
        : mFaceStart(faces.size() + 1, 0) {
        for (std::size_t f = 0; f < faces.size(); ++f)
            mFaceStart[f + 1] = mFaceStart[f] + faces[f].vertexIndices.size();
        std::size_t const corners = mFaceStart.back();
        std::vector<unsigned int> cornerFace;
        reserveAdvised(mVertex, corners);
        reserveAdvised(cornerFace, corners);
        mVertex.resize(corners);
        cornerFace.resize(corners);
        for (std::size_t f = 0; f < faces.size(); ++f) {
            std::vector<unsigned int> const& c = faces[f].vertexIndices;
            std::copy(c.begin(), c.end(), mVertex.begin() + static_cast<long>(mFaceStart[f]));
            std::fill_n(cornerFace.begin() + static_cast<long>(mFaceStart[f]), c.size(),
                        static_cast<unsigned int>(f));
        }
        // Entries carry the corner, so that the direction of each can be read back.
        std::vector<std::size_t> groupEnd;
        std::vector<detail::EdgeEnd> entries;
        detail::sortEdgeEnds(
            faces, vertexCount,
            [this](std::size_t face, std::size_t k) {
                return static_cast<unsigned int>(mFaceStart[face] + k);
            },
            groupEnd, entries);

        reserveAdvised(mAcross, corners);
        mAcross.resize(corners);
        mAlong.resize(corners);
        // Equal edges are runs of one higher vertex inside the group of one lower vertex.
        for (std::size_t v = 0, first = 0; v < vertexCount; first = groupEnd[v++]) {
            auto const end = entries.begin() + static_cast<long>(groupEnd[v]);
            for (auto e = entries.begin() + static_cast<long>(first); e != end;) {
                auto group = e + 1;
                while (group != end && group->first == e->first) ++group;
                if (group - e == 2) {
                    unsigned int const c = e->second, d = (e + 1)->second;
                    // Two corners on one edge run it the same way when they start at one vertex.
                    bool const along = mVertex[c] == mVertex[d];
                    mAcross[c] = cornerFace[d];
                    mAcross[d] = cornerFace[c];
                    mAlong[c] = mAlong[d] = along;
                } else {
                    for (auto i = e; i != group; ++i)
                        mAcross[i->second] = group - e == 1 ? BORDER : SHARED;
                }
                e = group;
            }
        }
    }

    std::size_t firstCorner(std::size_t face) const { return mFaceStart[face]; }
    std::size_t endCorner(std::size_t face) const { return mFaceStart[face + 1]; }
    unsigned int vertex(std::size_t corner) const { return mVertex[corner]; }
    unsigned int const* vertices() const { return mVertex.data(); }
    unsigned int across(std::size_t corner) const { return mAcross[corner]; }
    bool along(std::size_t corner) const { return mAlong[corner] != 0; }

private:
    std::vector<std::size_t> mFaceStart;
    std::vector<unsigned int> mVertex;
    std::vector<unsigned int> mAcross;
    std::vector<unsigned char> mAlong;
};

// Splits the faces into components and decides, per face, whether it is turned.
class OrientationPlan {
public:
    OrientationPlan(Mesh const& mesh, Matrix<float> const& m)
        : mMesh(mesh),
          mAdjacency(mesh.mFaces, mesh.mVertices.size()),
          mHoles(mesh.mHoles),
          mState(mesh.mFaces.size(), UNVISITED),
          mTurn(mesh.mFaces.size(), 0) {
        mPoints.reserve(mesh.mVertices.size());
        for (Vector3<float> const& v : mesh.mVertices) {
            mPoints.push_back(m.transformPoint(v));
            mExtent.add(mPoints.back());
        }
        for (std::size_t f = 0; f < mesh.mFaces.size(); ++f)
            if (mState[f] == UNVISITED && !mesh.mFaces[f].vertexIndices.empty())
                planComponent(static_cast<unsigned int>(f));
    }

    bool turns(std::size_t face) const { return mTurn[face] != 0; }
    Mesh::OrientationReport const& report() const { return mReport; }

private:
    void visit(unsigned int face, State state) {
        if (mState[face] != UNVISITED) return;
        mState[face] = state;
        mComponent.push_back(face);
    }

    // Breadth first: the component list doubles as the queue.
    void planComponent(unsigned int start) {
        mComponent.clear();
        bool open = false;
        visit(start, FIRST);
        for (std::size_t next = 0; next < mComponent.size(); ++next) {
            unsigned int const f = mComponent[next];
            if (spread(f)) open = true;
            auto const encircling = mHoles.mHoleToFace.find(f);
            if (encircling != mHoles.mHoleToFace.end()) visit(encircling->second, mState[f]);
            auto const holes = mHoles.mFaceToHoles.find(f);
            if (holes != mHoles.mFaceToHoles.end())
                for (unsigned int const hole : holes->second) visit(hole, mState[f]);
        }
        State const turned = signedVolume() > 0.0 ? SECOND : FIRST;  // NaN turns FIRST
        for (unsigned int const f : mComponent) {
            if (mState[f] != turned) continue;
            mTurn[f] = 1;
            ++mReport.turnedFaces;
        }
        ++mReport.components;
        if (open) ++mReport.openComponents;
    }

    // Gives the faces across f's two-face edges f's winding; true when f has a border edge.
    bool spread(unsigned int f) {
        State const same = mState[f];
        State const other = same == FIRST ? SECOND : FIRST;
        bool border = false;
        for (std::size_t c = mAdjacency.firstCorner(f); c < mAdjacency.endCorner(f); ++c) {
            unsigned int const g = mAdjacency.across(c);
            if (g == CornerAdjacency::BORDER) border = true;
            if (g >= CornerAdjacency::SHARED) continue;
            // A face running the shared edge the same way is wound against f.
            if (mState[g] == UNVISITED) visit(g, mAdjacency.along(c) ? other : same);
        }
        return border;
    }

    // Three times the enclosed volume for a closed component, as the faces of the first class
    // are wound; in double, over non-hole faces.
    // The corners come from the adjacency's flat copy: the faces are visited in walk order, and
    // reaching each one's own corner list costs a cache miss or two.
    double signedVolume() const {
        Extent componentExtent;
        for (unsigned int const f : mComponent)
            for (std::size_t k = mAdjacency.firstCorner(f); k < mAdjacency.endCorner(f); ++k)
                componentExtent.add(mPoints[mAdjacency.vertex(k)]);
        Vector3<float> const c =
            (mComponent.size() == 1 ? mExtent : componentExtent).referencePoint();
        double sum = 0.0;
        std::vector<unsigned int> corners;
        for (unsigned int const f : mComponent) {
            if (mHoles.mHoleToFace.count(f) != 0) continue;
            corners.assign(mAdjacency.vertices() + mAdjacency.firstCorner(f),
                           mAdjacency.vertices() + mAdjacency.endCorner(f));
            Vector3<float> n;
            MeshUtils::calcPolyNormal(mPoints, &corners, n);
            double const contribution = MeshUtils::area(mPoints, corners, n) *
                                        static_cast<double>((mPoints[corners[0]] - c).dot(n));
            sum += mState[f] == FIRST ? contribution : -contribution;
        }
        return sum;
    }

    Mesh const& mMesh;
    CornerAdjacency const mAdjacency;
    HoleRelation const mHoles;
    std::vector<Vector3<float>> mPoints;
    Extent mExtent;
    std::vector<State> mState;
    std::vector<unsigned char> mTurn;
    std::vector<unsigned int> mComponent;
    Mesh::OrientationReport mReport;
};
}  // namespace

void Mesh::conformNormals(Matrix<float> const& m) {
    mNormals.clear();
    for (Polygon& face : mFaces) face.normalIndices.clear();
    mCache.clear();
    OrientationPlan const plan(*this, m);
    for (std::size_t f = 0; f < mFaces.size(); ++f)
        if (plan.turns(f)) mFaces[f].invert();
    mCache.clear();
}

Mesh::OrientationReport Mesh::getOrientationReport(Matrix<float> const& m) const {
    return OrientationPlan(*this, m).report();
}

}  // namespace util

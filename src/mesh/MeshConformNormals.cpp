#include <vector>

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

// Splits the faces into components and decides, per face, whether it is turned.
class OrientationPlan {
public:
    OrientationPlan(Mesh const& mesh, Matrix<float> const& m)
        : mMesh(mesh),
          mTable(mesh.mFaces, mesh.mVertices.size()),
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
        std::vector<unsigned int> const& c = mMesh.mFaces[f].vertexIndices;
        State const same = mState[f];
        State const other = same == FIRST ? SECOND : FIRST;
        bool border = false;
        for (std::size_t i = 0; i < c.size(); ++i) {
            unsigned int const a = c[i];
            unsigned int const b = c[(i + 1) % c.size()];
            detail::EdgeTable::Range const users = mTable.faces(mTable.findEdge(a, b));
            if (users.size() == 1) border = true;
            if (users.size() != 2) continue;
            for (unsigned int const g : users)
                if (mState[g] == UNVISITED) visit(g, runsAlong(g, a, b) ? other : same);
        }
        return border;
    }

    // Face g has the edge a -> b in this direction, so it is wound against the face it shares
    // the edge with.
    bool runsAlong(unsigned int g, unsigned int a, unsigned int b) const {
        std::vector<unsigned int> const& c = mMesh.mFaces[g].vertexIndices;
        for (std::size_t j = 0; j < c.size(); ++j)
            if (c[j] == a && c[(j + 1) % c.size()] == b) return true;
        return false;
    }

    // Three times the enclosed volume for a closed component, as the faces of the first class
    // are wound; in double, over non-hole faces.
    double signedVolume() const {
        Extent componentExtent;
        for (unsigned int const f : mComponent)
            for (unsigned int const v : mMesh.mFaces[f].vertexIndices)
                componentExtent.add(mPoints[v]);
        Vector3<float> const c =
            (mComponent.size() == 1 ? mExtent : componentExtent).referencePoint();
        double sum = 0.0;
        for (unsigned int const f : mComponent) {
            if (mHoles.mHoleToFace.count(f) != 0) continue;
            std::vector<unsigned int> const& corners = mMesh.mFaces[f].vertexIndices;
            Vector3<float> n;
            MeshUtils::calcPolyNormal(mPoints, &corners, n);
            double const contribution = MeshUtils::area(mPoints, corners, n) *
                                        static_cast<double>((mPoints[corners[0]] - c).dot(n));
            sum += mState[f] == FIRST ? contribution : -contribution;
        }
        return sum;
    }

    Mesh const& mMesh;
    detail::EdgeTable const mTable;
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

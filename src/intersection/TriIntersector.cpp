#include "intersection/TriIntersector.h"

#include <boost/thread/lock_guard.hpp>
#include <utility>

namespace util {
namespace {

bool hasIdentityLinearPart(Matrix<float> const& m) {
    Matrix<float> const identity;
    for (int column = 0; column < 3; ++column)
        for (int row = 0; row < 3; ++row)
            if (m[4 * column + row] != identity[4 * column + row]) return false;
    return true;
}

// The small-mesh path hands world positions to the tessellator, which projects each face along
// its normal: with the mesh's own normals a rotated face can project onto a line and lose its
// triangles. The cofactor matrix keeps each normal consistent with the moved corners, mirrors
// included; a transform without rotation or scale leaves the mesh untouched.
TriangleMesh* triangulateInWorld(Mesh const& mesh, Matrix<float> const& transform,
                                 Triangulator& triangulator) {
    auto* const positions = new TriangleMesh::Positions();
    std::unique_ptr<TriangleMesh::Positions> owner(positions);
    positions->reserve(mesh.mVertices.size());
    for (Vector3<float> const& v : mesh.mVertices)
        positions->push_back(transform.transformPoint(v));
    if (hasIdentityLinearPart(transform)) {
        return triangulator.triangulateVerticesOnly(mesh, owner.release(),
                                                    Triangulator::TRIANGLES_AND_EDGES);
    }
    Mesh world(mesh);
    Matrix<float> const cofactors = transform.getInverseTransposeSafe();
    for (Mesh::Polygon& face : world.mFaces)
        face.faceNormal = cofactors.transformVector(face.faceNormal);
    return triangulator.triangulateVerticesOnly(world, owner.release(),
                                                Triangulator::TRIANGLES_AND_EDGES);
}

}  // namespace

class TriIntersector::AddEntryCommand : public TriIntersector::Command {
public:
    AddEntryCommand(unsigned long group, std::shared_ptr<TriangleMesh> triMesh,
                    Matrix<float> const& transform)
        : mGroup(group), mTriMesh(std::move(triMesh)), mTransform(transform) {}
    void execute(TriIntersector& intersector) override {
        intersector.findOrCreateGroup(mGroup).addGeometryEntry(
            std::make_unique<GeometryEntry>(mTriMesh, std::vector<Matrix<float>>{mTransform}));
    }

private:
    unsigned long mGroup;
    std::shared_ptr<TriangleMesh> mTriMesh;
    Matrix<float> mTransform;
};

class TriIntersector::AddPretransEntryCommand : public TriIntersector::Command {
public:
    AddPretransEntryCommand(unsigned long group, std::shared_ptr<TriangleMesh> triMesh)
        : mGroup(group), mTriMesh(std::move(triMesh)) {}
    void execute(TriIntersector& intersector) override {
        intersector.findOrCreateGroup(mGroup).addGeometryEntry(
            std::make_unique<GeometryEntry>(mTriMesh, std::vector<Matrix<float>>()));
    }

private:
    unsigned long mGroup;
    std::shared_ptr<TriangleMesh> mTriMesh;
};

class TriIntersector::SetOABBoxCommand : public TriIntersector::Command {
public:
    SetOABBoxCommand(unsigned long group, std::shared_ptr<TriangleMesh> box)
        : mGroup(group), mBox(std::move(box)) {}
    void execute(TriIntersector& intersector) override {
        intersector.findOrCreateGroup(mGroup).setBoundingMesh(mBox);
    }

private:
    unsigned long mGroup;
    std::shared_ptr<TriangleMesh> mBox;
};

class TriIntersector::RelocateCommand : public TriIntersector::Command {
public:
    RelocateCommand(unsigned long group, double x, double y, double z)
        : mGroup(group), mX(x), mY(y), mZ(z) {}
    void execute(TriIntersector& intersector) override {
        if (Entry* const entry = intersector.findGroup(mGroup)) entry->relocate(mX, mY, mZ);
    }

private:
    unsigned long mGroup;
    double mX, mY, mZ;
};

class TriIntersector::DisposeCommand : public TriIntersector::Command {
public:
    explicit DisposeCommand(unsigned long group) : mGroup(group) {}
    void execute(TriIntersector& intersector) override {
        intersector.eraseGroup(mGroup);
        delete reinterpret_cast<GroupHandle*>(mGroup);
    }

private:
    unsigned long mGroup;
};

TriIntersector::Command::~Command() = default;

TriIntersector::TriIntersector() : mCache(Mesh::KEY_INTERSECTOR) {}

TriIntersector::~TriIntersector() { flushQueue(); }

unsigned long TriIntersector::createGroup() {
    unsigned long number;
    {
        boost::lock_guard<boost::mutex> const lock(mGroupMutex);
        number = mNextGroupNumber++;
    }
    return reinterpret_cast<unsigned long>(new GroupHandle{this, number});
}

void TriIntersector::addEntry(unsigned long group, Mesh const& mesh, Matrix<float> const& transform,
                              Triangulator& triangulator) {
    if (mesh.mVertices.size() <= SMALL_MESH_VERTICES) {
        std::shared_ptr<TriangleMesh> triMesh(triangulateInWorld(mesh, transform, triangulator));
        put(std::make_unique<AddPretransEntryCommand>(group, std::move(triMesh)));
    } else {
        put(std::make_unique<AddEntryCommand>(group, mCache.get(mesh), transform));
    }
}

void TriIntersector::setOABBox(unsigned long group, Mesh const& mesh, Triangulator& triangulator) {
    std::shared_ptr<TriangleMesh> box(triangulator.triangulateVerticesOnly(
        mesh, new TriangleMesh::Positions(mesh.mVertices), Triangulator::TRIANGLES));
    put(std::make_unique<SetOABBoxCommand>(group, std::move(box)));
}

void TriIntersector::relocate(unsigned long group, double x, double y, double z) {
    put(std::make_unique<RelocateCommand>(group, x, y, z));
}

void TriIntersector::dispose(unsigned long group) { put(std::make_unique<DisposeCommand>(group)); }

bool TriIntersector::intersects(unsigned long group, float const* viewProjection,
                                bool fullyInside) {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Entry const* const entry = findGroup(group);
    return entry != nullptr && entry->intersects(Matrix<float>(viewProjection), fullyInside);
}

signed char TriIntersector::snap(unsigned long group, float const* viewProjection,
                                 float const* origin, float const* direction, float* point,
                                 float* corner0, float* corner1, float* corner2) {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Entry const* const entry = findGroup(group);
    if (entry == nullptr) return SNAP_NOTHING;
    Vector3<float> results[4];
    signed char const kind =
        entry->snap(Matrix<float>(viewProjection), Vector3<float>(origin[0], origin[1], origin[2]),
                    Vector3<float>(direction[0], direction[1], direction[2]), results[0],
                    results[1], results[2], results[3]);
    if (kind == SNAP_NOTHING) return kind;
    float* const outputs[4] = {point, corner0, corner1, corner2};
    for (int k = 0; k < 4; ++k) {
        outputs[k][0] = results[k].x;
        outputs[k][1] = results[k].y;
        outputs[k][2] = results[k].z;
    }
    return kind;
}

bool TriIntersector::getDistanceToGroup(unsigned long group, float const* origin,
                                        float const* direction, float& distance, float* normal) {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Entry const* const entry = findGroup(group);
    if (entry == nullptr) return false;
    Vector3<float> hitNormal;
    bool const hit = entry->getSmallesPosDistance(
        Vector3<float>(origin[0], origin[1], origin[2]),
        Vector3<float>(direction[0], direction[1], direction[2]), distance, hitNormal);
    if (hit) {
        normal[0] = hitNormal.x;
        normal[1] = hitNormal.y;
        normal[2] = hitNormal.z;
    }
    return hit;
}

unsigned long TriIntersector::getQueueSize() { return mQueue.size(); }

void TriIntersector::processQueue() {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
}

void TriIntersector::flushQueue() {
    // Taken out under the queue mutex and destroyed outside it: a command's destructor may free
    // the last reference to a triangle mesh, which needs no lock but should not delay producers.
    std::vector<Command*> waiting;
    mQueue.takeAll(waiting);
    for (Command* const command : waiting) delete command;
}

bool TriIntersector::dumpGroup(unsigned long group, std::ostream& out) {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Entry const* const entry = findGroup(group);
    if (entry == nullptr) return false;
    for (auto const& geometryEntry : entry->getGeometryEntries()) geometryEntry->dump(out);
    return entry->getBoundingMesh() != nullptr;
}

unsigned long TriIntersector::groupNumber(unsigned long group) {
    return reinterpret_cast<GroupHandle const*>(group)->number;
}

void TriIntersector::put(std::unique_ptr<Command> command) {
    if (mQueue.put(command.get(), BLOCKING)) command.release();
}

void TriIntersector::drain() {
    std::vector<Command*> taken;
    mQueue.takeAll(taken);
    if (taken.empty()) return;
    std::vector<std::unique_ptr<Command>> commands(taken.begin(), taken.end());
    for (std::unique_ptr<Command>& command : commands) {
        command->execute(*this);
        command.reset();
    }
    mCache.evictUnreferenced();
}

TriIntersector::Entry* TriIntersector::findGroup(unsigned long group) {
    auto const found = mGroups.find(groupNumber(group));
    return found == mGroups.end() ? nullptr : &found->second;
}

TriIntersector::Entry& TriIntersector::findOrCreateGroup(unsigned long group) {
    return mGroups[groupNumber(group)];
}

void TriIntersector::eraseGroup(unsigned long group) { mGroups.erase(groupNumber(group)); }

}  // namespace util

Intersector::~Intersector() = default;

Intersector* Intersector::createIntersector() { return new util::TriIntersector(); }

Intersector* Intersector::getAssociatedIntersector(unsigned long group) {
    return reinterpret_cast<util::TriIntersector::GroupHandle const*>(group)->owner;
}

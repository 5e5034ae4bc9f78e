#pragma once

#include <boost/thread/mutex.hpp>
#include <map>
#include <memory>
#include <ostream>
#include <vector>

#include "base/Matrix.h"
#include "base/SynchronizedQueue.h"
#include "base/Vector3.h"
#include "intersection/Intersector.h"
#include "intersection/Mesh2TriangleMeshCache.h"
#include "intersection/TriangleMesh.h"

namespace util {

// The intersector: groups are plain lists of geometry entries, tested one by one after a quick
// test against the group's bounding mesh; there is no spatial index.
//
// Locks and what they guard:
// - mProcessingMutex: mGroups and everything reachable from it (entries, their matrices, the
//   positions of meshes an entry owns alone), and the execution of commands;
// - the queue's own mutex: the waiting commands;
// - the cache's mutex: the cache's map and its triangulator;
// - mGroupMutex: mNextGroupNumber;
// - a TriangleMesh's mutex: its positions while they are translated in place.
// Lock order: processing mutex, then the queue mutex or the cache mutex (never both at once);
// cache mutex, then a key manager's, then a mesh's cache mutex. No path takes the processing
// mutex while holding another of these.
class TriIntersector : public Intersector {
public:
    static constexpr std::size_t SMALL_MESH_VERTICES = 15;  // at most this many: pretransformed

    // What a group handle points to.
    struct GroupHandle {
        Intersector* owner;
        unsigned long number;
    };

    // One geometry entry: a triangle mesh whose lines are the source mesh's edges, and either one
    // object-to-world matrix or none (positions already in world space, mesh owned alone).
    class GeometryEntry {
    public:
        GeometryEntry(std::shared_ptr<TriangleMesh> triMesh, std::vector<Matrix<float>> trafo);

        // Nearest hit with t >= 0 of this entry's triangles; distance and normal are written
        // only when the hit is nearer than distance already is.
        bool getSmallesPosDistance(Vector3<float> const& origin, Vector3<float> const& direction,
                                   float& distance, Vector3<float>& normal) const;
        signed char snap(Matrix<float> const& viewProjection, Vector3<float> const& origin,
                         Vector3<float> const& direction, Vector3<float>& point,
                         Vector3<float>& corner0, Vector3<float>& corner1,
                         Vector3<float>& corner2) const;
        // Pretransformed positions move in place; a matrix gets the translation in front.
        void relocate(double x, double y, double z);
        void dump(std::ostream& out) const;

        std::shared_ptr<TriangleMesh> const& getTriMesh() const { return mTriMesh; }
        std::vector<Matrix<float>> const& getTrafo() const { return mTrafo; }

    private:
        static std::vector<unsigned char> edgeMask(TriangleMesh const& mesh);

        std::shared_ptr<TriangleMesh> mTriMesh;
        std::vector<Matrix<float>> mTrafo;
        // Per triangle, which sides (bit 0: A-B, 1: B-C, 2: C-A) are edges of the source mesh;
        // the lines never change, so this is worked out once instead of per snap.
        std::vector<unsigned char> mEdgeMask;
    };

    // One group.
    class Entry {
    public:
        bool intersects(Matrix<float> const& viewProjection, bool fullyInside) const;
        // Writes distance (3.4028235e38 when nothing is hit) at once, normal on a hit.
        bool getSmallesPosDistance(Vector3<float> const& origin, Vector3<float> const& direction,
                                   float& distance, Vector3<float>& normal) const;
        signed char snap(Matrix<float> const& viewProjection, Vector3<float> const& origin,
                         Vector3<float> const& direction, Vector3<float>& point,
                         Vector3<float>& corner0, Vector3<float>& corner1,
                         Vector3<float>& corner2) const;
        void relocate(double x, double y, double z);

        void setBoundingMesh(std::shared_ptr<TriangleMesh> mesh) {
            mBoundingMesh = std::move(mesh);
        }
        void addGeometryEntry(std::unique_ptr<GeometryEntry> entry);
        std::shared_ptr<TriangleMesh> const& getBoundingMesh() const { return mBoundingMesh; }
        std::vector<std::unique_ptr<GeometryEntry>> const& getGeometryEntries() const {
            return mGeometryEntries;
        }

    private:
        std::shared_ptr<TriangleMesh> mBoundingMesh;  // null until a bounding mesh is set
        std::vector<std::unique_ptr<GeometryEntry>> mGeometryEntries;  // in insertion order
    };

    // Queued mutations; each executes once, under the processing mutex, and is then destroyed.
    class Command {
    public:
        virtual ~Command();
        virtual void execute(TriIntersector& intersector) = 0;
    };
    class AddEntryCommand;
    class AddPretransEntryCommand;
    class SetOABBoxCommand;
    class RelocateCommand;
    class DisposeCommand;

    // Throws std::bad_alloc when the cache's tessellator cannot be created.
    TriIntersector();
    TriIntersector(TriIntersector const&) = delete;
    TriIntersector& operator=(TriIntersector const&) = delete;
    ~TriIntersector() override;

    unsigned long createGroup() override;
    void addEntry(unsigned long group, Mesh const& mesh, Matrix<float> const& transform,
                  Triangulator& triangulator) override;
    void setOABBox(unsigned long group, Mesh const& mesh, Triangulator& triangulator) override;
    void relocate(unsigned long group, double x, double y, double z) override;
    void dispose(unsigned long group) override;

    bool intersects(unsigned long group, float const* viewProjection, bool fullyInside) override;
    signed char snap(unsigned long group, float const* viewProjection, float const* origin,
                     float const* direction, float* point, float* corner0, float* corner1,
                     float* corner2) override;
    bool getDistanceToGroup(unsigned long group, float const* origin, float const* direction,
                            float& distance, float* normal) override;

    unsigned long getQueueSize() override;
    void processQueue() override;
    void flushQueue() override;

    // Diagnostics: drains, then dumps every geometry entry of the group (nothing for an unknown
    // group); returns whether the group has a bounding mesh.
    bool dumpGroup(unsigned long group, std::ostream& out);
    std::size_t getCacheSize() const { return mCache.size(); }

private:
    static unsigned long groupNumber(unsigned long group);
    void put(std::unique_ptr<Command> command);
    // Runs every waiting command; the processing mutex must be held.
    void drain();
    Entry* findGroup(unsigned long group);
    Entry& findOrCreateGroup(unsigned long group);
    void eraseGroup(unsigned long group);

    SynchronizedQueue<Command*> mQueue;      // owns the commands it holds; guarded by its own mutex
    std::map<unsigned long, Entry> mGroups;  // by group number; guarded by mProcessingMutex
    Mesh2TriangleMeshCache mCache;           // guarded by its own mutex
    boost::mutex mProcessingMutex;
    boost::mutex mGroupMutex;  // guards mNextGroupNumber
    unsigned long mNextGroupNumber = 1;
};

}  // namespace util

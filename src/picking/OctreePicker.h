#pragma once

#include <boost/thread/mutex.hpp>
#include <map>
#include <memory>
#include <vector>

#include "base/SynchronizedQueue.h"
#include "intersection/Mesh2TriangleMeshCache.h"
#include "picking/Pickable.h"
#include "picking/Picker.h"
#include "spatial/BBoxOctree.h"

// The picker behind Picker::createPicker: each group keeps its entries in a bounding-box octree
// keyed by their world-space boxes, and in a map by id.
//
// Locks: mGroupMutex guards the next group number only; mProcessingMutex is held while commands
// execute and while a query runs, and guards the group table with every octree, id map and
// pickable in it (the octrees have no locks of their own and their queries create nodes); the
// queue and the triangle-mesh cache lock themselves. Lock order: processing mutex before the
// queue mutex and before the cache mutex; nothing takes the processing mutex while holding
// either. Producers therefore never wait for command execution.
class OctreePicker final : public Picker {
public:
    // A queued mutation; executed at most once, then destroyed by the picker.
    class Command {
    public:
        virtual ~Command();
        // Throws std::bad_cast for a picker that is not an OctreePicker.
        virtual void execute(Picker& picker) = 0;
    };
    class AddEntryCommand;
    class RelocateCommand;
    class DisposeCommand;

    using Octree = util::BBoxOctree<std::shared_ptr<Pickable>, float>;

    OctreePicker();
    OctreePicker(OctreePicker const&) = delete;
    OctreePicker& operator=(OctreePicker const&) = delete;
    // Groups first, then the commands still waiting (unexecuted), then the cache. Handles not
    // disposed stay allocated.
    ~OctreePicker() override;

    unsigned long createGroup() override;
    void addEntry(unsigned long group, int id, std::vector<util::Mesh const*> const& meshes,
                  util::Matrix<float> const& transform) override;
    void relocate(unsigned long group, float x, float y, float z) override;
    void dispose(unsigned long group) override;
    unsigned long getQueueSize() override;
    void flushQueue() override;
    void processQueue() override;
    long getIntersectingEntries(unsigned long group, float const* corners,
                                float const* viewProjection, bool fullyInside, int* ids,
                                unsigned long capacity) override;
    bool getShapeDist(unsigned long group, int id, float const* origin, float const* direction,
                      float& distance, float* normal) override;

    // Queues any command, taking ownership; the mutating calls above go through here.
    void enqueue(std::unique_ptr<Command> command);

    // Diagnostics; neither drains the queue.
    std::size_t getGroupCount();
    std::size_t getCachedTriangleMeshCount() const { return mTriangleMeshCache.size(); }

private:
    struct Group {
        std::unique_ptr<Octree> octree;
        std::map<int, std::shared_ptr<Pickable>> ids;
    };

    static std::unique_ptr<Octree> newOctree();
    // 0 for the null handle, which no group has.
    static unsigned long groupNumberOf(unsigned long handle);

    // The caller holds mProcessingMutex in all of these.
    void drain();
    Group* findGroup(unsigned long number);
    Group& findOrCreateGroup(unsigned long number);
    std::vector<int> collectVisibleIds(Group& group,
                                       std::vector<util::Vector3<float>> const& corners,
                                       util::Matrix<float> const& viewProjection, bool fullyInside);

    boost::mutex mGroupMutex;  // guards mNextGroupNumber
    unsigned long mNextGroupNumber = 1;
    boost::mutex mProcessingMutex;             // guards mGroups and everything reachable from it
    util::SynchronizedQueue<Command*> mQueue;  // owns the commands it holds; locks itself
    util::Mesh2TriangleMeshCache mTriangleMeshCache;  // locks itself
    std::map<unsigned long, Group> mGroups;  // by group number; guarded by mProcessingMutex
};

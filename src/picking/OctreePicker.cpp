#include "picking/OctreePicker.h"

#include <algorithm>
#include <boost/thread/lock_guard.hpp>
#include <stdexcept>
#include <utility>

#include "picking/FrustumBoxTester.h"
#include "picking/GroupHandle.h"
#include "picking/OctreePickerCommands.h"

namespace {
constexpr unsigned int OCTREE_DEPTH = 5;
constexpr float OCTREE_HALF_SIZE = 10.0f;
constexpr float NO_HIT = 3.4028235e38f;

std::vector<util::Vector3<float>> cornersOf(float const* corners) {
    std::vector<util::Vector3<float>> result;
    result.reserve(8);
    for (int i = 0; i < 8; ++i)
        result.emplace_back(corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]);
    return result;
}
}  // namespace

OctreePicker::Command::~Command() = default;

OctreePicker::OctreePicker() : mQueue(0), mTriangleMeshCache(util::Mesh::KEY_PICKER) {}

OctreePicker::~OctreePicker() {
    mGroups.clear();
    std::vector<Command*> waiting;
    mQueue.takeAll(waiting);
    for (Command* command : waiting) delete command;
}

unsigned long OctreePicker::createGroup() {
    unsigned long number;
    {
        boost::lock_guard<boost::mutex> const lock(mGroupMutex);
        number = mNextGroupNumber++;
    }
    return reinterpret_cast<unsigned long>(new GroupHandle{this, number});
}

void OctreePicker::addEntry(unsigned long group, int id,
                            std::vector<util::Mesh const*> const& meshes,
                            util::Matrix<float> const& transform) {
    // Checked first, so that a bad call leaves nothing triangulated behind.
    if (std::find(meshes.begin(), meshes.end(), nullptr) != meshes.end())
        throw std::invalid_argument("Picker::addEntry: null mesh");
    Pickable::TriangleMeshes triangleMeshes;
    triangleMeshes.reserve(meshes.size());
    for (util::Mesh const* mesh : meshes) triangleMeshes.push_back(mTriangleMeshCache.get(*mesh));
    enqueue(std::make_unique<AddEntryCommand>(group, id, transform, std::move(triangleMeshes)));
}

void OctreePicker::relocate(unsigned long group, float x, float y, float z) {
    enqueue(std::make_unique<RelocateCommand>(group, x, y, z));
}

void OctreePicker::dispose(unsigned long group) {
    enqueue(std::make_unique<DisposeCommand>(group));
}

unsigned long OctreePicker::getQueueSize() { return mQueue.size(); }

void OctreePicker::flushQueue() {
    std::vector<Command*> waiting;
    mQueue.takeAll(waiting);
    for (Command* command : waiting) delete command;
}

void OctreePicker::processQueue() {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
}

long OctreePicker::getIntersectingEntries(unsigned long group, float const* corners,
                                          float const* viewProjection, bool fullyInside, int* ids,
                                          unsigned long capacity) {
    // Read before the drain, which may execute a queued dispose that frees the handle.
    unsigned long const number = groupNumberOf(group);
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Group* const found = findGroup(number);
    if (found == nullptr || corners == nullptr || viewProjection == nullptr) return 0;
    std::vector<int> const visible = collectVisibleIds(
        *found, cornersOf(corners), util::Matrix<float>(viewProjection), fullyInside);
    long const n = static_cast<long>(visible.size());
    if (ids == nullptr || capacity < visible.size()) return -n;
    std::copy(visible.begin(), visible.end(), ids);
    return n;
}

bool OctreePicker::getShapeDist(unsigned long group, int id, float const* origin,
                                float const* direction, float& distance, float* normal) {
    unsigned long const number = groupNumberOf(group);
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    drain();
    Group* const found = findGroup(number);
    if (found == nullptr || origin == nullptr || direction == nullptr) return false;
    auto const entry = found->ids.find(id);
    if (entry == found->ids.end()) return false;
    util::Vector3<float> hitNormal(0, 0, 0);
    float hitDistance = NO_HIT;
    bool const hit = entry->second->getSmallesPosDistance(
        util::Vector3<float>(origin[0], origin[1], origin[2]),
        util::Vector3<float>(direction[0], direction[1], direction[2]), hitDistance,
        normal != nullptr ? &hitNormal : nullptr);
    distance = hitDistance;
    if (normal != nullptr) {
        normal[0] = hitNormal.x;
        normal[1] = hitNormal.y;
        normal[2] = hitNormal.z;
    }
    return hit;
}

void OctreePicker::enqueue(std::unique_ptr<Command> command) {
    mQueue.put(command.get(), util::BLOCKING);
    command.release();
}

std::size_t OctreePicker::getGroupCount() {
    boost::lock_guard<boost::mutex> const lock(mProcessingMutex);
    return mGroups.size();
}

std::unique_ptr<OctreePicker::Octree> OctreePicker::newOctree() {
    return std::make_unique<Octree>(OCTREE_DEPTH, util::Vector3<float>(0, 0, 0), OCTREE_HALF_SIZE);
}

unsigned long OctreePicker::groupNumberOf(unsigned long handle) {
    return handle == 0 ? 0 : reinterpret_cast<GroupHandle const*>(handle)->groupNumber;
}

void OctreePicker::drain() {
    std::vector<Command*> taken;
    mQueue.takeAll(taken);
    // Owned from here on: when one command throws, the rest of the batch is destroyed unexecuted.
    std::vector<std::unique_ptr<Command>> batch(taken.begin(), taken.end());
    for (std::unique_ptr<Command>& command : batch) {
        command->execute(*this);
        command.reset();
    }
}

OctreePicker::Group* OctreePicker::findGroup(unsigned long number) {
    auto const found = mGroups.find(number);
    return found == mGroups.end() ? nullptr : &found->second;
}

OctreePicker::Group& OctreePicker::findOrCreateGroup(unsigned long number) {
    Group& group = mGroups[number];
    if (!group.octree) group.octree = newOctree();
    return group;
}

std::vector<int> OctreePicker::collectVisibleIds(Group& group,
                                                 std::vector<util::Vector3<float>> const& corners,
                                                 util::Matrix<float> const& viewProjection,
                                                 bool fullyInside) {
    Octree& octree = *group.octree;
    std::vector<unsigned long> nodes;
    Octree::CVisibleNodeFinder(octree, corners, nodes)
        .getVisibleNodes(0, 0, octree.getCentre(), octree.getHalfSize());
    util::FrustumBoxTester const boxTest(corners);
    std::vector<int> ids;
    for (unsigned long const index : nodes) {
        for (Octree::Entry const& entry : octree.getNode(index).entries) {
            util::Vector3<float> const extent = entry.box.max - entry.box.min;
            util::Vector3<float> const halfExtent = extent * 0.5f;
            util::Vector3<float> const centre = entry.box.min + halfExtent;
            // The box test is cheap next to projecting every triangle.
            if (!boxTest.overlaps(centre, halfExtent)) continue;
            if (entry.value->intersects(viewProjection, fullyInside))
                ids.push_back(entry.value->getId());
        }
    }
    return ids;
}

#include "picking/OctreePickerCommands.h"

#include <utility>

#include "picking/GroupHandle.h"

namespace {
// The picker keeps one box per entry in its octree, computed from the transform at insertion.
void insert(OctreePicker::Octree& octree, std::shared_ptr<Pickable> const& pickable) {
    octree.add(pickable->getBoundingBox(), pickable);
}
}  // namespace

OctreePicker::AddEntryCommand::AddEntryCommand(unsigned long group, int id,
                                               util::Matrix<float> const& transform,
                                               Pickable::TriangleMeshes meshes)
    : mGroup(group), mId(id), mTransform(transform), mMeshes(std::move(meshes)) {}

void OctreePicker::AddEntryCommand::execute(Picker& picker) {
    OctreePicker& owner = dynamic_cast<OctreePicker&>(picker);
    auto const pickable = std::make_shared<Pickable>(mId, mTransform, mMeshes);
    Group& group = owner.findOrCreateGroup(groupNumberOf(mGroup));
    insert(*group.octree, pickable);
    group.ids[mId] = pickable;
}

OctreePicker::RelocateCommand::RelocateCommand(unsigned long group, float x, float y, float z)
    : mGroup(group), mX(x), mY(y), mZ(z) {}

void OctreePicker::RelocateCommand::execute(Picker& picker) {
    OctreePicker& owner = dynamic_cast<OctreePicker&>(picker);
    Group* const group = owner.findGroup(groupNumberOf(mGroup));
    if (group == nullptr) return;
    std::vector<std::shared_ptr<Pickable>> pickables;
    {
        Octree& octree = *group->octree;
        std::vector<unsigned long> nodes;
        Octree::CAllNodeFinder(octree, nodes).getAllNodes(0, 0);
        for (unsigned long const index : nodes)
            for (Octree::Entry const& entry : octree.getNode(index).entries)
                pickables.push_back(entry.value);
    }
    // Every box changes, so the tree starts again from the initial cube and grows as needed.
    group->octree = newOctree();
    for (std::shared_ptr<Pickable> const& pickable : pickables) {
        pickable->translate(mX, mY, mZ);
        insert(*group->octree, pickable);
    }
}

OctreePicker::DisposeCommand::DisposeCommand(unsigned long group) : mGroup(group) {}

void OctreePicker::DisposeCommand::execute(Picker& picker) {
    OctreePicker& owner = dynamic_cast<OctreePicker&>(picker);
    unsigned long const number = groupNumberOf(mGroup);
    auto const found = owner.mGroups.find(number);
    if (found != owner.mGroups.end()) {
        found->second.octree.reset();
        owner.mGroups.erase(found);
        owner.mTriangleMeshCache.evictUnreferenced();
    }
    delete reinterpret_cast<GroupHandle*>(mGroup);
}

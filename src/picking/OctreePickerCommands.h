#pragma once

#include "picking/OctreePicker.h"

// The mutations a picker queues. Each keeps the group handle, not the group number, and reads
// the number when it executes.

// Adds an entry, creating the group's octree on the group's first add. An id the group already
// holds is re-pointed in the id map, while the earlier entry stays in the octree.
class OctreePicker::AddEntryCommand final : public OctreePicker::Command {
public:
    AddEntryCommand(unsigned long group, int id, util::Matrix<float> const& transform,
                    Pickable::TriangleMeshes meshes);
    void execute(Picker& picker) override;

private:
    unsigned long const mGroup;
    int const mId;
    util::Matrix<float> const mTransform;
    Pickable::TriangleMeshes mMeshes;
};

// Moves every entry of the group and rebuilds its octree from the initial cube; nothing for a
// group without entries.
class OctreePicker::RelocateCommand final : public OctreePicker::Command {
public:
    RelocateCommand(unsigned long group, float x, float y, float z);
    void execute(Picker& picker) override;

private:
    unsigned long const mGroup;
    float const mX;
    float const mY;
    float const mZ;
};

// Drops the group, evicts the triangle meshes no one else holds, and frees the handle (also for
// a group that never had entries). Destroyed unexecuted, it leaves the handle alive.
class OctreePicker::DisposeCommand final : public OctreePicker::Command {
public:
    explicit DisposeCommand(unsigned long group);
    void execute(Picker& picker) override;

private:
    unsigned long const mGroup;
};

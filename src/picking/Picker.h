#pragma once

#include <vector>

#include "base/Export.h"
#include "base/Matrix.h"
#include "mesh/Mesh.h"

// The host's picking service: groups of pickable entries (a set of meshes under one transform,
// known by an int id), asked which entries lie in a view frustum and how far a ray travels to
// one entry.
//
// Mutations are queued and executed in one batch by processQueue() or at the start of the next
// query, so their callers never wait for spatial-index work; only addEntry does work at once,
// triangulating its meshes. Mutating calls, getQueueSize and flushQueue may come from any thread
// at any time; processQueue and the queries serialise among themselves.
//
// A group handle is the address of a record the picker owns; it is valid from createGroup()
// until the group's dispose has executed, and nothing may be queued for it after dispose().
// Handles of another picker or freed handles are not detected. Exceptions (allocation, lock
// failures, a command failing during a drain) propagate to the caller.
//
// Hosts call through the vtable: the order of the virtual functions below is fixed.
class TOOLBOX_API Picker {
public:
    // A new picker, owned by the caller, who deletes it through this interface.
    static Picker* createPicker();
    // The picker that made this handle; no lookup, no validation.
    static Picker* getAssociatedPicker(unsigned long group);

    virtual ~Picker();

    // Numbers groups 1, 2, 3, ... per picker; a group has no entries until its first add executes.
    virtual unsigned long createGroup() = 0;
    // The meshes are read (and triangulated) during the call only; the transform maps object to
    // world space (column-major). Throws std::invalid_argument for a null mesh, queuing nothing.
    virtual void addEntry(unsigned long group, int id, std::vector<util::Mesh const*> const& meshes,
                          util::Matrix<float> const& transform) = 0;
    // Moves every entry of the group by (x, y, z) in world space.
    virtual void relocate(unsigned long group, float x, float y, float z) = 0;
    // Removes the group and its entries; once executed, the handle is freed.
    virtual void dispose(unsigned long group) = 0;
    virtual unsigned long getQueueSize() = 0;
    // Discards the waiting commands unexecuted; a discarded dispose leaves the handle valid.
    virtual void flushQueue() = 0;
    virtual void processQueue() = 0;

    // The ids of the group's entries that reach into the frustum (fullyInside: that lie entirely
    // inside it). corners: 8 points, 24 floats: 0-3 around one end face, 4-7 around the other,
    // corner i + 4 joined to corner i, ordered so that every face normal points outwards.
    // viewProjection: 16 floats mapping world space to clip space, visible where |x|, |y|, |z|
    // <= |w|. Returns n > 0 after writing n ids, -n when n qualify but capacity < n (nothing
    // written; a null output counts as capacity 0), 0 when none qualifies or the group has no
    // entries. Null corners or matrix: 0.
    virtual long getIntersectingEntries(unsigned long group, float const* corners,
                                        float const* viewProjection, bool fullyInside, int* ids,
                                        unsigned long capacity) = 0;
    // Casts a ray (origin, direction: 3 floats each, world space; distances are multiples of
    // the direction's length, which is not normalised) at one entry. For a known entry, writes
    // the nearest hit distance (3.4028235e38 on a miss) and, when normal is not null, the hit
    // triangle's unit normal ((0, 0, 0) on a miss). An unknown group or id, or a null origin or
    // direction, writes nothing. True when the ray meets the entry.
    virtual bool getShapeDist(unsigned long group, int id, float const* origin,
                              float const* direction, float& distance, float* normal) = 0;

protected:
    Picker() = default;
    Picker(Picker const&) = default;
    Picker& operator=(Picker const&) = default;
};

#pragma once

#include "base/Export.h"
#include "base/Matrix.h"
#include "intersection/Triangulator.h"
#include "mesh/Mesh.h"

// The host's intersection and snapping service. Groups of triangulated geometry, each with an
// optional bounding mesh, are fed through commands that are queued and applied in one batch by
// processQueue or at the start of the next query, so that producers never wait for query work.
//
// Ownership: the host owns the intersector and deletes it through the virtual destructor. Group
// handles belong to the intersector until their dispose command executes; nothing may be queued
// for a handle after dispose. Meshes and triangulators passed in stay the host's; meshes are read
// only during the call.
//
// Threads: every mutating call, getQueueSize and flushQueue may come from any thread at any time;
// processQueue and the queries serialise among themselves. A triangulator must not be passed by
// two threads at once.
//
// The order of the virtual operations is part of the interface: hosts call through the table.
class TOOLBOX_API Intersector {
public:
    // Snap kinds returned by snap: positive vertex and edge kinds belong to the triangle the ray
    // passed through most recently, negative ones to another triangle.
    enum SnapKind : signed char {
        SNAP_NOTHING = 0,
        SNAP_VERTEX = 1,
        SNAP_OTHER_VERTEX = -1,
        SNAP_EDGE = 2,
        SNAP_OTHER_EDGE = -2,
        SNAP_FACE = 3
    };

    virtual ~Intersector();

    virtual unsigned long createGroup() = 0;
    // Meshes of at most 15 vertices are transformed now and triangulated with the caller's
    // triangulator; larger ones are triangulated once through the intersector's own cache and keep
    // the transform. Throws what the triangulator throws; nothing is queued then.
    virtual void addEntry(unsigned long group, util::Mesh const& mesh,
                          util::Matrix<float> const& transform,
                          util::Triangulator& triangulator) = 0;
    // Replaces the group's bounding mesh; its vertices are world coordinates.
    virtual void setOABBox(unsigned long group, util::Mesh const& mesh,
                           util::Triangulator& triangulator) = 0;
    virtual void relocate(unsigned long group, double x, double y, double z) = 0;
    virtual void dispose(unsigned long group) = 0;

    // Whether the group touches the view ([-1, 1]^3 after the view-projection's division by |w|);
    // with fullyInside, whether all of it lies inside. viewProjection: 16 floats, column-major.
    virtual bool intersects(unsigned long group, float const* viewProjection, bool fullyInside) = 0;
    // The vertex, edge or face of the group that the ray (origin, direction: 3 floats each) snaps
    // to. point and the three corners (3 floats each; the feature's corners first) are written
    // only when the result is not SNAP_NOTHING.
    virtual signed char snap(unsigned long group, float const* viewProjection, float const* origin,
                             float const* direction, float* point, float* corner0, float* corner1,
                             float* corner2) = 0;
    // Smallest non-negative ray parameter (in multiples of direction) at which the ray meets the
    // group. For a known group the distance is written, 3.4028235e38 on a miss; the unit normal
    // (3 floats, required) only on a hit. An unknown group writes nothing.
    virtual bool getDistanceToGroup(unsigned long group, float const* origin,
                                    float const* direction, float& distance, float* normal) = 0;

    virtual unsigned long getQueueSize() = 0;
    virtual void processQueue() = 0;
    // Drops every waiting command unexecuted.
    virtual void flushQueue() = 0;

    static Intersector* createIntersector();
    // The owner recorded in the handle; no lookup, no validation.
    static Intersector* getAssociatedIntersector(unsigned long group);
};

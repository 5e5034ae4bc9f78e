#pragma once

#include <cstddef>
#include <ostream>

#include "base/Export.h"

// The host's entry points for mesh cleanup. Each operation reads the caller's record, runs one
// repair pass on a mesh built from it, and returns a new record that the caller owns and releases
// with freeMeshData; null when the record is unusable or nothing is left after the pass.
// Exceptions of a pass (std::bad_alloc, std::runtime_error) propagate; no record leaks then.
// Concurrent calls on different records are independent.
namespace Cleanup {

// Flat C record shared with the host: field order and C types are part of the interface.
// Arrays are allocated with array new; every count is a C int.
struct TOOLBOX_API MeshData {
    char* mName;                         // NUL-terminated, or null
    float* mVertexCoords;                // x0 y0 z0 x1 y1 z1 ...
    int mVCCount;                        // floats in mVertexCoords
    int* mIndices;                       // vertex indices, face after face
    int mIndexCount;
    float* mTexCoords;                   // u0 v0 u1 v1 ... of UV set 0, or null
    int mTCCount;                        // floats in mTexCoords
    int* mTCIndices;                     // parallel to mIndices, or null
    int mTCIndexCount;
    int* mCounts;                        // corners of each face
    int mCountCount;                     // faces
    char** mTextures;                    // texture name per face range; entries may be null
    int mTexturesCount;
    unsigned int* mTexturesStartFaces;   // first face of each range, or null
    int mTexturesStartFacesCount;
    unsigned int* mHoles;                // {face, holes..., 0xFFFFFFFF} groups, or null
    int mHolesCount;
    char* mConversionMessage;            // output records only, or null
};

static_assert(sizeof(MeshData) == 144, "MeshData layout is shared with the host");
static_assert(offsetof(MeshData, mVertexCoords) == 8, "MeshData layout");
static_assert(offsetof(MeshData, mVCCount) == 16, "MeshData layout");
static_assert(offsetof(MeshData, mIndices) == 24, "MeshData layout");
static_assert(offsetof(MeshData, mIndexCount) == 32, "MeshData layout");
static_assert(offsetof(MeshData, mTexCoords) == 40, "MeshData layout");
static_assert(offsetof(MeshData, mTCCount) == 48, "MeshData layout");
static_assert(offsetof(MeshData, mTCIndices) == 56, "MeshData layout");
static_assert(offsetof(MeshData, mTCIndexCount) == 64, "MeshData layout");
static_assert(offsetof(MeshData, mCounts) == 72, "MeshData layout");
static_assert(offsetof(MeshData, mCountCount) == 80, "MeshData layout");
static_assert(offsetof(MeshData, mTextures) == 88, "MeshData layout");
static_assert(offsetof(MeshData, mTexturesCount) == 96, "MeshData layout");
static_assert(offsetof(MeshData, mTexturesStartFaces) == 104, "MeshData layout");
static_assert(offsetof(MeshData, mTexturesStartFacesCount) == 112, "MeshData layout");
static_assert(offsetof(MeshData, mHoles) == 120, "MeshData layout");
static_assert(offsetof(MeshData, mHolesCount) == 128, "MeshData layout");
static_assert(offsetof(MeshData, mConversionMessage) == 136, "MeshData layout");

// Removes edges shorter than threshold (model units) by collapsing their corners.
TOOLBOX_API MeshData* removeEdgesZero(float threshold, MeshData const& data);
// Removes faces whose area is below threshold (squared model units).
TOOLBOX_API MeshData* removeFacesZero(float threshold, MeshData const& data);
// Welds vertices that lie within tolerance (model units, inclusive) of a lower-numbered vertex
// onto it, without chaining; faces keep their UV indices. With 1000 vertices or more, a vertex
// with a NaN or infinite coordinate makes it throw util::RuntimeErrorST (a std::runtime_error).
TOOLBOX_API MeshData* mergeVertices(float tolerance, MeshData const& data);
// Dissolves edges between neighbouring faces whose planes differ by less than tolerance
// degrees, merging triangulated regions back into polygons with holes; with checkUVs, edges
// where materials or texture coordinates differ stay.
TOOLBOX_API MeshData* removeEdgesCoplanar(float tolerance, bool checkUVs, MeshData const& data);
// Removes faces that repeat another face's corner cycle in either direction, keeping the first;
// with checkUVs, only copies that also agree in texture and texture coordinates.
TOOLBOX_API MeshData* removeFacesDouble(bool checkUVs, MeshData const& data);
// Removes corners lying within tolerance degrees of a straight line through their neighbours;
// with checkUVs, only where that leaves the texturing unchanged.
TOOLBOX_API MeshData* removeVerticesColinear(float tolerance, bool checkUVs, MeshData const& data);
// Winds connected faces alike and turns each connected part to face outward (closed) or away
// from a point below it (open); vertex normals are dropped.
TOOLBOX_API MeshData* conformNormals(MeshData const& data);

// Releases a record returned by one of the operations above. Null is ignored.
TOOLBOX_API void freeMeshData(MeshData const* data);

// Diagnostic printout of a record's fields and pointers.
TOOLBOX_API std::wostream& operator<<(std::wostream& stream, MeshData const& data);

}  // namespace Cleanup

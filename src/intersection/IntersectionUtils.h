#pragma once

#include <vector>

#include "base/Vector3.h"

namespace util {

template <typename T>
class Matrix;
class TriangleMesh;

// View-volume tests shared by the octree's visible-node search and the picker. A frustum is
// given by its eight corners: 0-3 go around one end face, 4-7 around the other, corner i + 4
// joined to corner i by a side edge. The corner order must make every face normal below point
// outwards, and no face may be degenerate (its normal would divide by zero).
namespace intersection {

// True when the sphere lies strictly inside, at least `radius` away from all six planes.
bool sphereInsideFrustum(Vector3<float> const& centre, float radius,
                         std::vector<Vector3<float>> const& corners);

// Conservative overlap of a frustum and an axis-aligned box (centre, half size per axis): the
// box's inscribed sphere lies inside, or a boundary triangle of the frustum touches the box.
bool frustumBoxOverlap(std::vector<Vector3<float>> const& corners, Vector3<float> const& centre,
                       Vector3<float> const& halfSize);

// The triangle touches the cube [-1, 1]^3 (the visible volume after projection).
bool triUnitCubeOverlap(Vector3<float> const& a, Vector3<float> const& b, Vector3<float> const& c);

// Ray against the triangles of `mesh`, its vertices placed by `transform` (affine). The
// direction is not normalised: distances are multiples of its length, and the parallel test
// (|det| < 1e-5) is absolute, so a very short direction misses. On a hit, writes the smallest
// ray parameter t >= 0 to distance (ties keep the earlier triangle) and, when normal is given,
// that triangle's unit normal; on a miss leaves both alone and returns false.
bool getPosRayDistance(TriangleMesh const& mesh, Matrix<float> const& transform,
                       Vector3<float> const& origin, Vector3<float> const& direction,
                       float& distance, Vector3<float>* normal);
// The same search over vertices already in world space (three indices per triangle), for
// callers that keep transformed vertices between rays.
bool getPosRayDistance(std::vector<unsigned int> const& triangles,
                       std::vector<Vector3<float>> const& worldVertices,
                       Vector3<float> const& origin, Vector3<float> const& direction,
                       float& distance, Vector3<float>* normal);

}  // namespace intersection
}  // namespace util

#pragma once

#include <vector>

#include "base/Vector3.h"

namespace util {

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

}  // namespace intersection
}  // namespace util

#pragma once

namespace util {

// Triangle / axis-aligned box overlap by separating axes (Akenine-Moeller): the three box
// axes, the triangle's plane and the nine cross products of edges and box axes. No epsilons
// are added, so a triangle that only touches the box counts as overlapping. Every argument
// points to three floats (x, y, z).
namespace TriBoxOverlap {

bool triBoxOverlap(float const* a, float const* b, float const* c, float const* boxCentre,
                   float const* boxHalfSize);

// Whether the plane with this normal through `point` (relative to the box centre) meets the
// box of this half size centred at the origin.
bool planeBoxOverlap(float const* normal, float const* point, float const* boxHalfSize);

}  // namespace TriBoxOverlap
}  // namespace util

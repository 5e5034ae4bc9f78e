#pragma once

#include "MeshRecord.h"

namespace util::tool {

// The bundled default input: a 10 x 4 x 6 box building (y up) with one of each defect the cleanup
// passes repair. Every face has its own corner vertices (shared corners duplicated); the front
// wall is two coplanar triangles; a zero-area sliver lies on the front wall's bottom edge; the
// back wall faces inwards; the right wall and the roof carry a colinear corner on their shared
// edge; the roof has a 0.0001 long edge; the floor is there twice. Walls use brick.png, the roof
// roof.png, the floor no texture; UVs are planar at 4 units per repeat.
MeshRecord makeBuildingMesh();

}  // namespace util::tool

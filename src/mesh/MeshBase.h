#pragma once

#include "base/Export.h"

namespace util {

// Polymorphic base of the polygon mesh and the triangle mesh; holds the nested types both share.
class TOOLBOX_API MeshBase {
public:
    struct TexCoord {
        float u;
        float v;
    };
    // Used directly as the component index of a vector.
    enum AXIS { X_AXIS = 0, Y_AXIS = 1, Z_AXIS = 2 };
    // 0 selects u, any other value v.
    enum UVAXIS { U_AXIS = 0, V_AXIS = 1 };

    MeshBase() = default;
    MeshBase(MeshBase const&) = default;
    MeshBase& operator=(MeshBase const&) = default;
    virtual ~MeshBase();
};

}  // namespace util

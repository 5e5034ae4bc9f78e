#include "mesh/MeshBase.h"

namespace util {

MeshBase::~MeshBase() = default;

}  // namespace util

#include "material/Datablock.h"

namespace util {

Datablock::~Datablock() = default;

UInt8ArrayDatablock::~UInt8ArrayDatablock() { delete[] getMutableData(); }

}  // namespace util

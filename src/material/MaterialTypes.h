#pragma once

#include <memory>
#include <string>
#include <vector>

#include "material/Texture.h"

namespace util {

// Values a material reports for keys it does not set, and a few shared constants. The
// non-literal ones are defined in Material.cpp, ahead of the default material, so that their
// initialisation order at library load is fixed.
namespace MaterialTypes {

inline constexpr int DEFAULT_INT = 0;
inline constexpr unsigned char DEFAULT_BOOL = 0;
inline constexpr double DEFAULT_FLOAT = 0.0;
inline constexpr void* DEFAULT_BLINDDATA = nullptr;
extern std::wstring const DEFAULT_STRING;
extern std::shared_ptr<Texture const> const DEFAULT_TEXTURE;  // empty URI, no blocks

extern std::vector<double> const FLOAT_ZERO3;  // {0, 0, 0}
extern std::vector<double> const FLOAT_ONE3;   // {1, 1, 1}
extern std::vector<int> const INT_ONE_TWO;     // {0, 1}

}  // namespace MaterialTypes
}  // namespace util

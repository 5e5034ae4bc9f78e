#pragma once

namespace util {

// Value type of a shader key. The numeric values take part in schema hashes, so they are fixed.
enum ShaderKeyType {
    SKT_INT = 0,      // material value: int
    SKT_BOOL = 1,     // unsigned char, 0 or 1
    SKT_FLOAT = 2,    // double
    SKT_STRING = 3,   // std::wstring
    SKT_TEXTURE = 4,  // std::shared_ptr<Texture const>
};

}  // namespace util

#pragma once

namespace util {

class TextureUtils {
public:
    // Values are part of the texture metadata block, so they are fixed.
    enum PixelFormat {
        PF_GREY8 = 1,       // 1 byte per pixel
        PF_GREYALPHA8 = 2,  // 2
        PF_RGB8 = 3,        // 3
        PF_RGBA8 = 4,       // 4
        PF_FLOAT32 = 5,     // 4
    };

    // Throws std::invalid_argument "invalid pixel format" for a value outside 1..5.
    static unsigned int getBytesPerPixel(PixelFormat format);
};

}  // namespace util

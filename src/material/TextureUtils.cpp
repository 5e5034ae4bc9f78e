#include "material/TextureUtils.h"

#include <stdexcept>

namespace util {

unsigned int TextureUtils::getBytesPerPixel(PixelFormat format) {
    switch (format) {
        case PF_GREY8: return 1;
        case PF_GREYALPHA8: return 2;
        case PF_RGB8: return 3;
        case PF_RGBA8: return 4;
        case PF_FLOAT32: return 4;
    }
    throw std::invalid_argument("invalid pixel format");
}

}  // namespace util

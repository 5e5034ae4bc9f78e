#pragma once

#include <memory>
#include <string>

#include "base/Export.h"
#include "material/Datablock.h"
#include "material/Texture.h"
#include "material/TextureUtils.h"

namespace util {

// A texture whose pixels are held in memory as one block.
class TOOLBOX_API SimpleTexture : public Texture {
public:
    static constexpr unsigned long METADATA_SIZE = 1208;

    // Blocks may be null; the texture is valid when uri is not empty and pixels hold bytes.
    SimpleTexture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata,
                  std::shared_ptr<Datablock const> pixels);
    // Takes ownership of pixels (allocated with new[], width * height * bytes-per-pixel bytes,
    // may be null) even when it throws, and builds the METADATA_SIZE-byte metadata block
    // (digest, size and format of the pixels). Throws std::invalid_argument
    // "invalid pixel format" for a format outside 1..5.
    SimpleTexture(std::wstring const& uri, unsigned int width, unsigned int height,
                  TextureUtils::PixelFormat format, unsigned char* pixels);

    std::shared_ptr<Datablock const> getPixeldata() const override { return mPixels; }

private:
    std::shared_ptr<Datablock const> mPixels;
};

}  // namespace util

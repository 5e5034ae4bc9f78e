#include "material/SimpleTexture.h"

#include <cstring>
#include <limits>
#include <utility>

#include "base/MD5Hash.h"

namespace util {
namespace {

// Byte offsets in the metadata block. Bytes not named here stay zero; nothing here reads them.
constexpr unsigned long VERSION_AT = 0;
constexpr unsigned int VERSION = 3;
constexpr unsigned long DIGEST_AT = 4;
constexpr unsigned long WIDTH_AT = 20;
constexpr unsigned long HEIGHT_AT = 24;
constexpr unsigned long FORMAT_AT = 28;
constexpr unsigned long ONES_AT[] = {56, 64, 72, 144, 176};
constexpr unsigned long MAXIMA_AT[] = {80, 88, 96};

template <typename T>
void put(unsigned char* block, unsigned long offset, T const value) {
    std::memcpy(block + offset, &value, sizeof(T));
}

std::unique_ptr<UInt8ArrayDatablock> buildMetadata(unsigned int width, unsigned int height,
                                                   TextureUtils::PixelFormat format,
                                                   unsigned char const* pixels,
                                                   unsigned int pixelBytes) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[SimpleTexture::METADATA_SIZE]());
    MD5Hash md5;
    if (pixels != nullptr) md5.update(pixels, pixelBytes);
    md5.finish();
    unsigned int digest[4];
    md5.getHash(digest);
    put(block.get(), VERSION_AT, VERSION);
    std::memcpy(block.get() + DIGEST_AT, digest, sizeof(digest));
    put(block.get(), WIDTH_AT, width);
    put(block.get(), HEIGHT_AT, height);
    put(block.get(), FORMAT_AT, static_cast<unsigned int>(format));
    for (unsigned long const offset : ONES_AT) put(block.get(), offset, 1.0);
    for (unsigned long const offset : MAXIMA_AT)
        put(block.get(), offset, std::numeric_limits<double>::max());
    auto metadata =
        std::make_unique<UInt8ArrayDatablock>(block.get(), SimpleTexture::METADATA_SIZE);
    block.release();
    return metadata;
}

}  // namespace

SimpleTexture::SimpleTexture(std::wstring const& uri, std::shared_ptr<Datablock const> metadata,
                             std::shared_ptr<Datablock const> pixels)
    : Texture(uri, std::move(metadata),
              !uri.empty() && pixels != nullptr && pixels->getData() != nullptr),
      mPixels(std::move(pixels)) {}

SimpleTexture::SimpleTexture(std::wstring const& uri, unsigned int width, unsigned int height,
                             TextureUtils::PixelFormat format, unsigned char* pixels)
    : Texture(uri, nullptr, !uri.empty() && pixels != nullptr) {
    std::unique_ptr<unsigned char[]> owned(pixels);
    // 32-bit on purpose: the metadata and the block size agree with what hosts compute.
    unsigned int const pixelBytes = width * height * TextureUtils::getBytesPerPixel(format);
    std::shared_ptr<Datablock const> metadata =
        buildMetadata(width, height, format, owned.get(), pixelBytes);
    // A null array gets an empty block: a size without bytes would invite reads through null.
    mPixels = std::make_shared<UInt8ArrayDatablock>(owned.get(), owned ? pixelBytes : 0);
    owned.release();
    setMetadata(std::move(metadata));
}

}  // namespace util

#include "material/SimpleTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "material/MaterialTypes.h"

namespace util {
namespace {

template <typename T>
T readAt(Datablock const& block, unsigned long offset) {
    T value;
    std::memcpy(&value, block.getData() + offset, sizeof(T));
    return value;
}

TEST(SimpleTextureTest, MetadataCarriesDigestSizeFormatAndFixedDoubles) {
    auto* const pixels = new unsigned char[3]{'a', 'b', 'c'};
    SimpleTexture const texture(L"abc.png", 3, 1, TextureUtils::PF_GREY8, pixels);
    ASSERT_NE(texture.getMetadata(), nullptr);
    Datablock const& meta = *texture.getMetadata();
    ASSERT_EQ(meta.getSize(), 1208u);
    EXPECT_EQ(readAt<unsigned int>(meta, 0), 3u);
    // RFC 1321 digest of "abc".
    unsigned char const digest[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                      0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
    EXPECT_EQ(std::memcmp(meta.getData() + 4, digest, 16), 0);
    EXPECT_EQ(readAt<unsigned int>(meta, 20), 3u);  // width, height and format follow
    EXPECT_EQ(readAt<unsigned int>(meta, 24), 1u);
    auto const zeros = [&meta](unsigned long from, unsigned long to) {
        return std::all_of(meta.getData() + from, meta.getData() + to, [](auto b) { return !b; });
    };
    EXPECT_TRUE(zeros(32, 56) && zeros(104, 105) && zeros(136, 144) && zeros(152, 176));
    EXPECT_TRUE(zeros(184, 185));
    for (unsigned long const offset : {56ul, 64ul, 72ul, 144ul, 176ul})
        EXPECT_EQ(readAt<double>(meta, offset), 1.0) << offset;
    for (unsigned long const offset : {80ul, 88ul, 96ul})
        EXPECT_EQ(readAt<double>(meta, offset), std::numeric_limits<double>::max()) << offset;

    EXPECT_EQ(texture.getPixeldata()->getData(), pixels);
}

TEST(SimpleTextureTest, PixelBlockSizeFollowsTheFormatAndOnlyOneToFiveAreAccepted) {
    unsigned int const bytesPerPixel[] = {1, 2, 3, 4, 4};
    for (int format = 1; format <= 5; ++format) {
        auto const pf = static_cast<TextureUtils::PixelFormat>(format);
        SimpleTexture const texture(L"t", 3, 2, pf, new unsigned char[6 * 4]());
        EXPECT_EQ(texture.getPixeldata()->getSize(), 6 * bytesPerPixel[format - 1]) << format;
        EXPECT_EQ(readAt<unsigned int>(*texture.getMetadata(), 28), unsigned(format));
    }
    for (int const format : {0, 6}) {
        try {
            SimpleTexture(L"t", 1, 1, static_cast<TextureUtils::PixelFormat>(format),
                          new unsigned char[4]());
            ADD_FAILURE() << "format " << format << " accepted";
        } catch (std::invalid_argument const& e) {
            EXPECT_STREQ(e.what(), "invalid pixel format");
        }
    }
}

TEST(SimpleTextureTest, ValidOnlyWithUriAndPixels) {
    EXPECT_FALSE(
        SimpleTexture(L"", 1, 1, TextureUtils::PF_GREY8, new unsigned char[1]()).isValid());
    SimpleTexture const noPixels(L"t", 1, 1, TextureUtils::PF_GREY8, nullptr);
    EXPECT_FALSE(noPixels.isValid());
    auto const block = std::make_shared<UInt8ArrayDatablock>(new unsigned char[2](), 2);
    EXPECT_TRUE(SimpleTexture(L"t", nullptr, block).isValid());
    EXPECT_FALSE(SimpleTexture(L"", nullptr, block).isValid());

    EXPECT_FALSE(MaterialTypes::DEFAULT_TEXTURE->isValid());
}

}  // namespace
}  // namespace util

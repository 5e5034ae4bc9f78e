#include "base/MD5Hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace util {
namespace {

std::string md5Hex(std::string const& text, unsigned int chunk = 0) {
    MD5Hash hash;
    auto const* bytes = reinterpret_cast<unsigned char const*>(text.data());
    if (chunk == 0) {
        hash.update(bytes, static_cast<unsigned int>(text.size()));
    } else {
        for (std::size_t i = 0; i < text.size(); i += chunk) {
            auto const size =
                static_cast<unsigned int>(std::min<std::size_t>(chunk, text.size() - i));
            hash.update(bytes + i, size);
        }
    }
    hash.finish();
    unsigned int words[4];
    hash.getHash(words);
    std::string hex;
    char buffer[3];
    for (unsigned int const w : words)
        for (int b = 0; b < 4; ++b) {
            std::snprintf(buffer, sizeof(buffer), "%02x", (w >> (8 * b)) & 0xFFu);
            hex += buffer;
        }
    return hex;
}

TEST(MD5HashTest, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Hex("123456789012345678901234567890123456789012345678901234567890123456789012"
                     "34567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5HashTest, ChunkedUpdatesGiveTheSameDigest) {
    std::string const text(1000, 'x');
    for (unsigned int const chunk : {1u, 63u, 64u, 65u})
        EXPECT_EQ(md5Hex(text, chunk), md5Hex(text));
}

}  // namespace
}  // namespace util

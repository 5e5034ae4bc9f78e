#include "base/MD5Hash.h"

#include <cstring>

namespace util {

unsigned int const MD5Hash::MD5_INIT_STATE[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu,
                                                 0x10325476u};
unsigned char const MD5Hash::PADDING[64] = {0x80};

namespace {
inline unsigned int rotl(unsigned int x, int n) { return (x << n) | (x >> (32 - n)); }
inline unsigned int F(unsigned int x, unsigned int y, unsigned int z) { return (x & y) | (~x & z); }
inline unsigned int G(unsigned int x, unsigned int y, unsigned int z) { return (x & z) | (y & ~z); }
inline unsigned int H(unsigned int x, unsigned int y, unsigned int z) { return x ^ y ^ z; }
inline unsigned int I(unsigned int x, unsigned int y, unsigned int z) { return y ^ (x | ~z); }

// Per-step shift amounts and sine-derived constants of RFC 1321.
constexpr int SHIFTS[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr unsigned int SINES[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613,
    0xfd469501, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193,
    0xa679438e, 0x49b40821, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d,
    0x02441453, 0xd8a1e681, 0xe7d3fbc8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed,
    0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 0xfffa3942, 0x8771f681, 0x6d9d6122,
    0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 0x289b7ec6, 0xeaa127fa,
    0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 0xf4292244,
    0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb,
    0xeb86d391};
}  // namespace

MD5Hash::MD5Hash() { std::memcpy(mState, MD5_INIT_STATE, sizeof(mState)); }

void MD5Hash::transform(unsigned char const* block) {
    unsigned int x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<unsigned int>(block[4 * i]) |
               (static_cast<unsigned int>(block[4 * i + 1]) << 8) |
               (static_cast<unsigned int>(block[4 * i + 2]) << 16) |
               (static_cast<unsigned int>(block[4 * i + 3]) << 24);
    unsigned int a = mState[0], b = mState[1], c = mState[2], d = mState[3];
    for (int i = 0; i < 64; ++i) {
        unsigned int f;
        int g;
        if (i < 16) {
            f = F(b, c, d);
            g = i;
        } else if (i < 32) {
            f = G(b, c, d);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = H(b, c, d);
            g = (3 * i + 5) % 16;
        } else {
            f = I(b, c, d);
            g = (7 * i) % 16;
        }
        unsigned int const next = b + rotl(a + f + SINES[i] + x[g], SHIFTS[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    mState[0] += a;
    mState[1] += b;
    mState[2] += c;
    mState[3] += d;
}

void MD5Hash::update(unsigned char const* input, unsigned int length) {
    unsigned int index = (mCount[0] >> 3) & 0x3F;
    unsigned int const bitsLow = length << 3;
    mCount[0] += bitsLow;
    if (mCount[0] < bitsLow) ++mCount[1];
    mCount[1] += length >> 29;

    unsigned int const partLength = 64 - index;
    unsigned int i = 0;
    if (length >= partLength) {
        std::memcpy(&mBuffer[index], input, partLength);
        transform(mBuffer);
        for (i = partLength; i + 63 < length; i += 64) transform(&input[i]);
        index = 0;
    }
    if (length > i) std::memcpy(&mBuffer[index], &input[i], length - i);
}

void MD5Hash::finish() {
    unsigned char bits[8];
    for (int i = 0; i < 4; ++i) {
        bits[i] = static_cast<unsigned char>(mCount[0] >> (8 * i));
        bits[4 + i] = static_cast<unsigned char>(mCount[1] >> (8 * i));
    }
    unsigned int const index = (mCount[0] >> 3) & 0x3F;
    unsigned int const padLength = (index < 56) ? (56 - index) : (120 - index);
    update(PADDING, padLength);
    update(bits, 8);
}

void MD5Hash::getHash(unsigned int* digest) const { std::memcpy(digest, mState, sizeof(mState)); }

}  // namespace util

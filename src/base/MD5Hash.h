#pragma once

#include <cstdint>

namespace util {

// MD5 digest (RFC 1321) that identifies texture pixel data. One object hashes one message:
// update() any number of times, finish() once, then getHash().
class MD5Hash {
public:
    static unsigned int const MD5_INIT_STATE[4];
    static unsigned char const PADDING[64];

    MD5Hash();
    virtual ~MD5Hash() = default;

    void update(unsigned char const* input, unsigned int length);
    void finish();
    // Copies the four state words (the 16-byte digest, little-endian words) to digest.
    void getHash(unsigned int* digest) const;

private:
    void transform(unsigned char const* block);

    unsigned char mBuffer[64] = {};
    unsigned int mCount[2] = {0, 0};  // message length in bits: low word, high word
    unsigned int mState[4];
};

}  // namespace util

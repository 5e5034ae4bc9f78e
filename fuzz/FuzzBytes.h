#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace fuzz {

// Reads fuzz input front to back; every byte string decodes, and reads past the end give 0, so
// that short inputs still make small valid shapes and hand-written seeds stay readable.
class FuzzBytes {
public:
    FuzzBytes(std::uint8_t const* data, std::size_t size) : mData(data), mSize(size) {}

    bool empty() const { return mPosition >= mSize; }
    std::uint8_t byte() { return mPosition < mSize ? mData[mPosition++] : 0; }
    // A value in [0, n); n must be positive.
    unsigned int below(unsigned int n) {
        unsigned int const value = n > 256 ? (byte() << 8 | byte()) : byte();
        return value % n;
    }
    bool chance(unsigned int oneIn) { return below(oneIn) == 0; }
    // Mostly small grid values; sometimes a value that breaks geometry code.
    float coordinate() {
        static float const SPECIAL[] = {std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(),
                                        std::numeric_limits<float>::max(),
                                        std::numeric_limits<float>::denorm_min(),
                                        1e-30f,
                                        1e30f,
                                        -0.0f};
        std::uint8_t const b = byte();
        if (b >= 248) return SPECIAL[b - 248];
        return static_cast<float>(b % 16) * 0.25f + static_cast<float>(b / 16) * 1e-4f;
    }

private:
    std::uint8_t const* mData;
    std::size_t mSize;
    std::size_t mPosition = 0;
};

}  // namespace fuzz

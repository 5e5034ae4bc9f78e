#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace util {
namespace detail {

// The 64-bit hash_combine step. Written out rather than taken from Boost because stored schema
// and material hashes must not change with the Boost version.
inline void hashCombine(std::size_t& seed, std::size_t value) {
    std::uint64_t const m = 0xc6a4a7935bd1e995ull;
    std::uint64_t k = value;
    k *= m;
    k ^= k >> 47;
    k *= m;
    seed ^= k;
    seed *= m;
    seed += 0xe6546b64u;
}

// Boost's string hash: a fold of the characters, starting from 0.
inline std::size_t hashWString(std::wstring const& s) {
    std::size_t seed = 0;
    for (wchar_t const c : s) hashCombine(seed, static_cast<std::size_t>(c));
    return seed;
}

}  // namespace detail
}  // namespace util

#pragma once

#include <cstddef>
#include <vector>

namespace util {

// Asks the kernel to back a large buffer that has not been touched yet with huge pages. On
// virtual machines, first-touch page faults dominate the cost of building meshes of millions of
// faces; with huge pages there are 512 times fewer. Only a hint: buffers below a few megabytes
// and kernels without the feature are left alone, and nothing fails.
void adviseHugePages(void const* data, std::size_t bytes);

// Reserves room for count values in an empty vector and advises huge pages before the first
// write to the buffer.
template <typename T>
void reserveAdvised(std::vector<T>& values, std::size_t count) {
    values.reserve(count);
    adviseHugePages(values.data(), count * sizeof(T));
}

}  // namespace util

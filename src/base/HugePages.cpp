#include "base/HugePages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace util {

namespace {
constexpr std::uintptr_t HUGE_PAGE = std::uintptr_t(2) << 20;
constexpr std::size_t MIN_ADVISED_BYTES = 4 * HUGE_PAGE;
}  // namespace

void adviseHugePages(void const* data, std::size_t bytes) {
    if (data == nullptr || bytes < MIN_ADVISED_BYTES) return;
    auto const begin = reinterpret_cast<std::uintptr_t>(data);
    std::uintptr_t const first = (begin + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    std::uintptr_t const last = (begin + bytes) & ~(HUGE_PAGE - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

bool releaseUnusedPages(void* data, std::size_t bytes) {
    if (data == nullptr || bytes < MIN_ADVISED_BYTES) return false;
    auto const page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    auto const begin = reinterpret_cast<std::uintptr_t>(data);
    std::uintptr_t const first = (begin + page - 1) & ~(page - 1);
    std::uintptr_t const last = (begin + bytes) & ~(page - 1);
    return last > first &&
           madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED) == 0;
}

}  // namespace util

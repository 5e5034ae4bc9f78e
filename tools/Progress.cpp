#include "Progress.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

namespace util::tool {

Progress::Progress(bool enabled) : mEnabled(enabled && ::isatty(STDERR_FILENO) == 1) {}

ProgressCallback Progress::percent(std::string label, std::uint64_t minimumTotal) {
    if (!mEnabled) return {};
    auto const lastShown = std::make_shared<int>(-1);
    return [this, label = std::move(label), minimumTotal, lastShown](std::uint64_t done,
                                                                     std::uint64_t total) {
        if (total < minimumTotal || total == 0) return;
        int const percent = static_cast<int>(100 * std::min(done, total) / total);
        if (percent == *lastShown) return;
        *lastShown = percent;
        show(label + ' ' + std::to_string(percent) + '%');
    };
}

void Progress::show(std::string const& text) {
    if (!mEnabled) return;
    std::lock_guard<std::mutex> const lock(mMutex);
    std::fprintf(stderr, "\r\033[K%s", text.c_str());
    std::fflush(stderr);
    mShowing = true;
}

void Progress::clear() {
    if (!mEnabled) return;
    std::lock_guard<std::mutex> const lock(mMutex);
    if (!mShowing) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    mShowing = false;
}

}  // namespace util::tool

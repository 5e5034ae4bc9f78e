#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "InputFile.h"

namespace util::tool {

// One line of progress on standard error, rewritten in place, for work large enough to make a
// user wonder; silent when standard error is not a terminal, so that logs and pipes stay clean.
// Callable from several threads.
class Progress {
public:
    // Reading below this many bytes, or running and writing below this many faces, shows nothing.
    static constexpr std::uint64_t LARGE_FILE_BYTES = 16 << 20;
    static constexpr std::uint64_t LARGE_FACE_COUNT = 200000;

    explicit Progress(bool enabled);  // enabled only if standard error is a terminal too
    Progress(Progress const&) = delete;
    Progress& operator=(Progress const&) = delete;
    ~Progress() { clear(); }

    bool enabled() const { return mEnabled; }

    // "LABEL 42%" as the work goes on; shows nothing when total is below minimumTotal.
    ProgressCallback percent(std::string label, std::uint64_t minimumTotal);

    void show(std::string const& text);
    void clear();  // before other output goes to the terminal

private:
    bool const mEnabled;
    std::mutex mMutex;  // guards the terminal line and mShowing
    bool mShowing = false;
};

}  // namespace util::tool

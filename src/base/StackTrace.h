#pragma once

#include <string>

namespace util {

// Provider of stack traces for diagnostic exceptions. This platform offers none, so every
// query answers that no trace is available.
class StackTrace {
public:
    static StackTrace const& instance();

    std::string getCurrentStackTrace() const;
    unsigned long getStackFrames(unsigned long* frames, unsigned long maxFrames, int skip,
                                 int flags) const;
    void getHumanReadable(unsigned long frame, char* buffer, unsigned long length) const;

private:
    StackTrace() = default;
};

}  // namespace util

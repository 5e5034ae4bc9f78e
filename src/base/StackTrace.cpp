#include "base/StackTrace.h"

namespace util {

StackTrace const& StackTrace::instance() {
    static StackTrace const theInstance;
    return theInstance;
}

std::string StackTrace::getCurrentStackTrace() const { return "<Stacktrace not available>"; }

unsigned long StackTrace::getStackFrames(unsigned long*, unsigned long, int, int) const { return 0; }

void StackTrace::getHumanReadable(unsigned long, char*, unsigned long) const {}

}  // namespace util

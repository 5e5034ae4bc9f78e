#include "base/RuntimeErrorST.h"

#include "base/StackTrace.h"

namespace util {

RuntimeErrorST::RuntimeErrorST(std::string const& message)
    : std::runtime_error(message), mStackTrace(StackTrace::instance().getCurrentStackTrace()) {}

RuntimeErrorST::~RuntimeErrorST() = default;

}  // namespace util

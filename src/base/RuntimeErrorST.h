#pragma once

#include <stdexcept>
#include <string>

#include "base/Export.h"

namespace util {

// A runtime error that also carries the stack trace text captured when it was built. Thrown
// across the host interface, so its type is exported; hosts catch it as std::runtime_error.
class TOOLBOX_API RuntimeErrorST : public std::runtime_error {
public:
    explicit RuntimeErrorST(std::string const& message);
    ~RuntimeErrorST() override;

    std::string const& getStackTrace() const { return mStackTrace; }

private:
    std::string mStackTrace;
};

}  // namespace util

#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace util::tool {
namespace {
std::runtime_error writeError(std::string const& path, int error) {
    return std::runtime_error("cannot write " + path + ": " + std::strerror(error));
}

// Removes the temporary files that were not renamed, whatever way the write ends.
class TemporaryFiles {
public:
    TemporaryFiles() = default;
    TemporaryFiles(TemporaryFiles const&) = delete;
    TemporaryFiles& operator=(TemporaryFiles const&) = delete;
    ~TemporaryFiles() {
        for (std::string const& path : mPaths)
            if (!path.empty()) ::unlink(path.c_str());
    }

    void add(std::string path) { mPaths.push_back(std::move(path)); }
    std::string const& at(std::size_t i) const { return mPaths.at(i); }
    void release(std::size_t i) { mPaths.at(i).clear(); }

private:
    std::vector<std::string> mPaths;
};

void writeAll(int fd, std::string const& contents, std::string const& target) {
    std::size_t written = 0;
    while (written < contents.size()) {
        ssize_t const n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw writeError(target, errno);
        written += static_cast<std::size_t>(n);
    }
}

// mkstemp creates the file private; the result should get the permissions of a plain new file.
mode_t newFileMode() {
    mode_t const mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string writeTemporary(std::string const& target, std::string const& contents,
                           TemporaryFiles& temporaries) {
    std::string name = target + ".XXXXXX";
    int const fd = ::mkstemp(name.data());
    if (fd < 0) throw writeError(target, errno);
    temporaries.add(name);
    try {
        writeAll(fd, contents, target);
        if (::fchmod(fd, newFileMode()) != 0) throw writeError(target, errno);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0) throw writeError(target, errno);
    return name;
}
}  // namespace

void writeFilesAtomically(std::vector<std::pair<std::string, std::string>> const& files) {
    TemporaryFiles temporaries;
    for (auto const& [target, contents] : files) writeTemporary(target, contents, temporaries);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (::rename(temporaries.at(i).c_str(), files[i].first.c_str()) != 0)
            throw writeError(files[i].first, errno);
        temporaries.release(i);
    }
}

}  // namespace util::tool

#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace util::tool {
namespace {
constexpr std::size_t BLOCK_SIZE = 1 << 20;

std::runtime_error readError(std::string const& path, int error) {
    return std::runtime_error("cannot read " + path + ": " + std::strerror(error));
}
}  // namespace

InputFile::InputFile(std::string path, ProgressCallback progress)
    : mName(std::move(path)), mProgress(std::move(progress)) {
    mFd = ::open(mName.c_str(), O_RDONLY | O_CLOEXEC);
    if (mFd < 0) throw readError(mName, errno);
    struct stat status {};
    if (::fstat(mFd, &status) != 0 || S_ISDIR(status.st_mode)) {
        int const error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(mFd);
        throw readError(mName, error);
    }
    mSize = S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
    mBuffer.resize(BLOCK_SIZE);
}

InputFile::InputFile(std::string name, std::string_view contents)
    : mName(std::move(name)),
      mSize(contents.size()),
      mBuffer(contents.begin(), contents.end()),
      mEnd(contents.size()),
      mAtEnd(true) {}

InputFile::~InputFile() {
    if (mFd >= 0) ::close(mFd);
}

bool InputFile::fill(std::size_t wanted) {
    if (mAtEnd) return false;
    if (mBegin > 0) {
        std::copy(mBuffer.begin() + static_cast<std::ptrdiff_t>(mBegin),
                  mBuffer.begin() + static_cast<std::ptrdiff_t>(mEnd), mBuffer.begin());
        mConsumed += mBegin;
        mEnd -= mBegin;
        mBegin = 0;
    }
    // A line longer than the buffer (a face of a million corners) makes it grow.
    std::size_t const needed = std::max(mEnd + BLOCK_SIZE / 2, wanted);
    if (mBuffer.size() < needed) mBuffer.resize(std::max(needed, 2 * mBuffer.size()));
    std::size_t const before = mEnd;
    while (mEnd < mBuffer.size()) {
        ssize_t const n = ::read(mFd, mBuffer.data() + mEnd, mBuffer.size() - mEnd);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw readError(mName, errno);
        if (n == 0) {
            mAtEnd = true;
            break;
        }
        mEnd += static_cast<std::size_t>(n);
        if (mEnd >= wanted) break;  // mBegin is 0 here
    }
    if (mProgress) mProgress(mConsumed, mSize);
    return mEnd > before;
}

std::string_view InputFile::peek(std::size_t count) {
    while (mEnd - mBegin < count && fill(count)) {
    }
    return {mBuffer.data() + mBegin, std::min(count, mEnd - mBegin)};
}

void InputFile::expectText() {
    std::string_view const head = peek(4096);
    if (head.empty()) fail("the file is empty");
    auto const startsWith = [&head](std::string_view prefix) {
        return head.substr(0, prefix.size()) == prefix;
    };
    if (startsWith(std::string_view("\xFF\xFE\0\0", 4)) ||
        startsWith(std::string_view("\0\0\xFE\xFF", 4)))
        fail("the file is UTF-32 text; save it as UTF-8 or ASCII");
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF"))
        fail("the file is UTF-16 text; save it as UTF-8 or ASCII");
    if (startsWith("\xEF\xBB\xBF")) mBegin += 3;
    std::size_t zerosAtEven = 0;
    std::size_t zerosAtOdd = 0;
    for (std::size_t i = 0; i < head.size(); ++i)
        if (head[i] == '\0') ++(i % 2 == 0 ? zerosAtEven : zerosAtOdd);
    if (zerosAtEven + zerosAtOdd == 0) return;
    // ASCII in UTF-16 has a zero in every other byte.
    if (std::max(zerosAtEven, zerosAtOdd) * 4 >= head.size())
        fail("the file looks like UTF-16 text; save it as UTF-8 or ASCII");
    fail("the file holds binary data where text is expected");
}

bool InputFile::readLine(std::string_view& line) {
    std::size_t searched = mBegin;
    for (;;) {
        char const* const start = mBuffer.data() + searched;
        auto const* newline = static_cast<char const*>(std::memchr(start, '\n', mEnd - searched));
        if (newline != nullptr) {
            std::size_t const end = static_cast<std::size_t>(newline - mBuffer.data());
            line = {mBuffer.data() + mBegin, end - mBegin};
            mBegin = end + 1;
            break;
        }
        std::size_t const scanned = mEnd - mBegin;
        if (!fill(0)) {
            if (mBegin == mEnd) return false;
            line = {mBuffer.data() + mBegin, mEnd - mBegin};  // last line without a newline
            mBegin = mEnd;
            break;
        }
        searched = mBegin + scanned;  // fill() moved the unread rest to the front
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++mLineNumber;
    return true;
}

bool InputFile::readBytes(std::size_t count, std::string_view& bytes) {
    while (mEnd - mBegin < count && fill(count)) {
    }
    if (mEnd - mBegin < count) return false;
    bytes = {mBuffer.data() + mBegin, count};
    mBegin += count;
    return true;
}

void InputFile::failAtLine(std::string const& message) const {
    throw std::runtime_error(mName + ":" + std::to_string(mLineNumber) + ": " + message);
}

void InputFile::fail(std::string const& message) const {
    throw std::runtime_error(mName + ": " + message);
}

}  // namespace util::tool

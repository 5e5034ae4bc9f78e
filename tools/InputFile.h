#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace util::tool {

// Called now and then with the bytes handled so far and the total; the total is 0 when unknown.
using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;

// A mesh file read front to back in large blocks, as lines or as raw bytes, so that a reader
// parses it in one pass without holding all of it. Also serves a block of memory (for the
// fuzzers). Errors throw std::runtime_error naming the file, and the line for parse errors.
class InputFile {
public:
    // Throws "cannot read PATH: reason" when the file cannot be opened.
    explicit InputFile(std::string path, ProgressCallback progress = {});
    InputFile(std::string name, std::string_view contents);
    InputFile(InputFile const&) = delete;
    InputFile& operator=(InputFile const&) = delete;
    ~InputFile();

    std::string const& name() const { return mName; }
    std::uint64_t size() const { return mSize; }
    std::size_t lineNumber() const { return mLineNumber; }

    // For text formats: throws a clear error for an empty file and for text in UTF-16 or UTF-32
    // or with binary data; skips a UTF-8 byte order mark.
    void expectText();

    // Up to count bytes from the current position, without consuming them.
    std::string_view peek(std::size_t count);

    // The next line without its \n or \r\n; false at the end of the input. The view is valid
    // until the next read.
    bool readLine(std::string_view& line);

    // The next count bytes; false when the input ends first. The view is valid until the next
    // read.
    bool readBytes(std::size_t count, std::string_view& bytes);

    // Throws "NAME:LINE: message" for the line read last.
    [[noreturn]] void failAtLine(std::string const& message) const;
    [[noreturn]] void fail(std::string const& message) const;  // "NAME: message"

private:
    // Reads until wanted bytes from mBegin on are buffered (at least one block); false when no
    // byte could be added.
    bool fill(std::size_t wanted);

    std::string mName;
    int mFd = -1;
    std::uint64_t mSize = 0;
    std::uint64_t mConsumed = 0;  // bytes of the file before mBuffer[mBegin]
    ProgressCallback mProgress;
    std::vector<char> mBuffer;
    std::size_t mBegin = 0;
    std::size_t mEnd = 0;
    bool mAtEnd = false;
    std::size_t mLineNumber = 0;
};

}  // namespace util::tool

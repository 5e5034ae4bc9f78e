#pragma once

#include <filesystem>
#include <string>

namespace util::tool::test {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir();
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;
    ~TempDir();

    std::string path(std::string const& name) const { return (mPath / name).string(); }
    std::string const& path() const { return mPathText; }

private:
    std::filesystem::path mPath;
    std::string mPathText;
};

std::string readText(std::string const& path);
void writeText(std::string const& path, std::string const& text);

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the built toolbox binary through the shell in workingDirectory; arguments are shell text.
ToolRun runTool(std::string const& arguments, std::string const& workingDirectory);

}  // namespace util::tool::test

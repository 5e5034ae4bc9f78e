#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <tuple>

#include "ObjFile.h"

namespace util::tool::test {

// A fresh directory, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir() {
        mPath = (std::filesystem::temp_directory_path() / "tool_tests.XXXXXX").string();
        if (::mkdtemp(mPath.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    }
    TempDir(TempDir const&) = delete;
    TempDir& operator=(TempDir const&) = delete;
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }

    std::string const& path() const { return mPath; }
    std::string path(std::string const& name) const { return mPath + '/' + name; }

private:
    std::string mPath;
};

inline std::string readText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeText(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Everything a record holds but its name, for comparing whole records.
inline auto contentOf(MeshRecord const& m) {
    return std::tie(m.vertexCoords, m.indices, m.counts, m.texCoords, m.texCoordIndices, m.textures,
                    m.textureStartFaces);
}

struct ToolRun {
    int exitCode;
    std::string out;
    std::string err;
};

// Runs the built toolbox binary through the shell in workingDirectory; arguments are shell text.
inline ToolRun runTool(std::string const& arguments, std::string const& workingDirectory) {
    TempDir capture;
    std::string const command = "cd '" + workingDirectory + "' && '" TOOLBOX_BINARY "' " +
                                arguments + " >'" + capture.path("out") + "' 2>'" +
                                capture.path("err") + "'";
    int const status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(capture.path("out")),
            readText(capture.path("err"))};
}

}  // namespace util::tool::test

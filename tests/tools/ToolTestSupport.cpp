#include "ToolTestSupport.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace util::tool::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tool_tests.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    mPath = pattern;
    mPathText = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
}

std::string readText(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(std::string const& path, std::string const& text) {
    std::ofstream(path, std::ios::binary) << text;
}

ToolRun runTool(std::string const& arguments, std::string const& workingDirectory) {
    TempDir capture;
    std::string const command = "cd '" + workingDirectory + "' && '" TOOLBOX_BINARY "' " +
                                arguments + " >'" + capture.path("out") + "' 2>'" +
                                capture.path("err") + "'";
    int const status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(capture.path("out")),
            readText(capture.path("err"))};
}

}  // namespace util::tool::test

#include <iostream>
#include <memory>

#include "Command.h"
#include "MeshSummary.h"

namespace util::tool {

Command addInfoCommand(CLI::App& app) {
    CLI::App* const info = app.add_subcommand("info", "Print counts, texturing and extent of IN.");
    auto const input = std::make_shared<std::string>();
    info->add_option("IN", *input, "input mesh file (default: the bundled building)");
    return {info, [input] {
                std::string const path = input->empty() ? defaultInputPath() : *input;
                Progress progress(true);
                MeshContents contents = readInput(path, false, progress);
                std::cout << "file: " << path << '\n';
                printSummary(std::cout, summarize(contents.mesh.view()));
                return SUCCESS;
            }};
}

}  // namespace util::tool

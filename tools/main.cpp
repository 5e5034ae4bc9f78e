// toolbox: runs the library's cleanup passes on mesh files from a shell or a script.
#include <CLI/CLI.hpp>
#include <iostream>
#include <vector>

#include "Command.h"
#include "PickCommand.h"
#include "SnapCommand.h"

namespace util::tool {
namespace {
int run(int argc, char** argv) {
    CLI::App app("Runs the toolbox cleanup passes on mesh files (OBJ, PLY, STL, OFF).", "toolbox");
    app.footer("Exit codes: 0 done, 1 file error, 2 bad arguments, 3 a pass left no mesh.");
    app.require_subcommand(1);

    PickOptions pickOptions;
    SnapOptions snapOptions;
    // One line per subcommand; each add function registers its own options.
    std::vector<Command> const commands{
        addCleanCommand(app),
        addInfoCommand(app),
        addConvertCommand(app),
        {addPickCommand(app, pickOptions), [&pickOptions] { return runPick(pickOptions); }},
        {addSnapCommand(app, snapOptions), [&snapOptions] { return runSnap(snapOptions); }},
    };

    try {
        app.parse(argc, argv);
    } catch (CLI::ParseError const& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        std::cerr << "toolbox: " << e.what() << "\nRun 'toolbox --help' for usage.\n";
        return USAGE;
    }
    for (Command const& command : commands)
        if (command.app->parsed()) return command.run();
    return USAGE;
}
}  // namespace
}  // namespace util::tool

int main(int argc, char** argv) {
    try {
        return util::tool::run(argc, argv);
    } catch (std::exception const& e) {
        std::cerr << "toolbox: " << e.what() << '\n';
        return util::tool::FAILURE;
    }
}

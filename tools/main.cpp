// toolbox: runs the library's cleanup passes on OBJ files from a shell or a script.
#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "MeshSummary.h"
#include "ObjFile.h"
#include "Passes.h"
#include "PickCommand.h"
#include "SnapCommand.h"

namespace util::tool {
namespace {
enum ExitCode { SUCCESS = 0, FAILURE = 1, USAGE = 2, NOTHING_LEFT = 3 };

char const* const DEFAULT_INPUT = "building.obj";

struct CleanOptions {
    std::string input;   // empty: the bundled default
    std::string output;  // empty: report only
    bool json = false;
    bool quiet = false;
    bool ignoreUVs = false;
};

struct Counts {
    std::size_t vertices;
    std::size_t faces;
};

Counts countsOf(Cleanup::MeshData const& data) {
    return {static_cast<std::size_t>(data.mVCCount / 3),
            static_cast<std::size_t>(data.mCountCount)};
}

// Beside a relocated binary first, then the source tree it was built from, so that the default
// run works from any working directory.
std::string defaultInputPath() {
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    std::filesystem::path const executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) candidates.push_back(executable.parent_path() / "../data" / DEFAULT_INPUT);
    candidates.push_back(std::filesystem::path(TOOLBOX_DATA_DIR) / DEFAULT_INPUT);
    for (std::filesystem::path const& candidate : candidates)
        if (std::filesystem::exists(candidate, error)) return candidate.lexically_normal().string();
    return candidates.back().string();  // reading it reports what is missing
}

ObjContents readInput(std::string const& path, bool quiet) {
    ObjContents contents = readObj(path);
    if (!quiet)
        for (std::string const& warning : contents.warnings)
            std::cerr << "toolbox: warning: " << warning << '\n';
    return contents;
}

void reportPass(CleanOptions const& options, PassCall const& call, Counts before,
                Cleanup::MeshData const* after, double milliseconds) {
    if (options.quiet) return;
    std::string const message = after && after->mConversionMessage ? after->mConversionMessage : "";
    if (options.json) {
        nlohmann::json line{{"pass", call.name},
                            {"value", call.value},
                            {"before", {{"vertices", before.vertices}, {"faces", before.faces}}},
                            {"after", nullptr},
                            {"milliseconds", milliseconds}};
        if (after) {
            Counts const counts = countsOf(*after);
            line["after"] = {{"vertices", counts.vertices}, {"faces", counts.faces}};
        }
        if (!message.empty()) line["message"] = message;
        std::cout << line.dump() << std::endl;
        return;
    }
    std::cout << call.name << (call.value.empty() ? "" : " " + call.value) << ": "
              << before.vertices << " vertices, " << before.faces << " faces -> ";
    if (after) {
        Counts const counts = countsOf(*after);
        std::cout << counts.vertices << " vertices, " << counts.faces << " faces";
    } else {
        std::cout << "nothing left";
    }
    std::cout << ", " << std::fixed << std::setprecision(3) << milliseconds << " ms";
    if (!message.empty()) std::cout << " (" << message << ')';
    std::cout << std::endl;
}

int runClean(CleanOptions const& options, std::vector<PassCall> const& calls) {
    ObjContents contents =
        readInput(options.input.empty() ? defaultInputPath() : options.input, options.quiet);
    Cleanup::MeshData const input = contents.mesh.view();
    LibraryRecord current;
    for (PassCall const& call : calls) {
        Cleanup::MeshData const& before = current ? *current : input;
        auto const start = std::chrono::steady_clock::now();
        LibraryRecord after = call.run(before);
        std::chrono::duration<double, std::milli> const elapsed =
            std::chrono::steady_clock::now() - start;
        reportPass(options, call, countsOf(before), after.get(), elapsed.count());
        if (!after) {
            std::cerr << "toolbox: " << call.name << " left no mesh; nothing written\n";
            return NOTHING_LEFT;
        }
        current = std::move(after);
    }
    if (!options.output.empty()) writeObj(current ? *current : input, options.output);
    return SUCCESS;
}

int runInfo(std::string const& path) {
    std::string const input = path.empty() ? defaultInputPath() : path;
    ObjContents contents = readInput(input, false);
    std::cout << "file: " << input << '\n';
    printSummary(std::cout, summarize(contents.mesh.view()));
    return SUCCESS;
}

CLI::Validator passValueValidator(Pass const& pass) {
    return CLI::Validator(
        [&pass](std::string& value) {
            try {
                pass.bind(value, PassSettings());
                return std::string();
            } catch (std::invalid_argument const& e) {
                return std::string(e.what());
            }
        },
        "");
}

// Passes run in command-line order, a pass named twice runs twice; naming none runs them all
// with their defaults.
std::vector<PassCall> passCalls(std::map<CLI::Option const*, Pass const*> const& options,
                                std::vector<CLI::Option*> const& parseOrder,
                                PassSettings const& settings) {
    std::vector<PassCall> calls;
    std::map<CLI::Option const*, std::size_t> used;
    for (CLI::Option const* option : parseOrder) {
        auto const pass = options.find(option);
        if (pass == options.end()) continue;
        Pass const& chosen = *pass->second;
        std::string const value =
            chosen.valueName.empty() ? "" : option->results().at(used[option]++);
        calls.push_back(chosen.bind(value, settings));
    }
    if (calls.empty())
        for (Pass const& pass : cleanupPasses())
            calls.push_back(pass.bind(pass.defaultValue, settings));
    return calls;
}

int run(int argc, char** argv) {
    CLI::App app("Runs the toolbox cleanup passes on OBJ mesh files.", "toolbox");
    app.footer("Exit codes: 0 done, 1 file error, 2 bad arguments, 3 a pass left no mesh.");
    app.require_subcommand(1);

    CLI::App* const clean = app.add_subcommand(
        "clean", "Run cleanup passes on IN in the order given and write the result to OUT.");
    clean->footer(
        "Without IN the bundled building is read; without pass options every pass runs "
        "with its default; without -o nothing is written.");
    CleanOptions cleanOptions;
    clean->add_option("IN", cleanOptions.input, "input OBJ file");
    clean->add_option("-o,--output", cleanOptions.output, "output OBJ file (and its MTL)");
    clean->add_flag("--json", cleanOptions.json, "print one JSON object per pass");
    clean->add_flag("-q,--quiet", cleanOptions.quiet, "print nothing but errors");
    std::map<CLI::Option const*, Pass const*> passOptions;
    clean->add_flag("--ignore-uvs", cleanOptions.ignoreUVs,
                    "let passes change texturing: merge across textures and UV seams");
    for (Pass const& pass : cleanupPasses()) {
        if (pass.valueName.empty()) {
            passOptions[clean->add_flag("--" + pass.name, pass.help)] = &pass;
            continue;
        }
        CLI::Option* const option =
            clean->add_option("--" + pass.name)
                ->description(pass.help + " (default " + pass.defaultValue + ")")
                ->type_name(pass.valueName)
                ->expected(1)
                ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                ->check(passValueValidator(pass));
        passOptions[option] = &pass;
    }

    CLI::App* const info = app.add_subcommand("info", "Print counts, texturing and extent of IN.");
    std::string infoInput;
    info->add_option("IN", infoInput, "input OBJ file (default: the bundled building)");

    PickOptions pickOptions;
    CLI::App* const pick = addPickCommand(app, pickOptions);
    SnapOptions snapOptions;
    CLI::App* const snap = addSnapCommand(app, snapOptions);

    try {
        app.parse(argc, argv);
    } catch (CLI::ParseError const& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        std::cerr << "toolbox: " << e.what() << "\nRun 'toolbox --help' for usage.\n";
        return USAGE;
    }
    if (info->parsed()) return runInfo(infoInput);
    if (pick->parsed()) return runPick(pickOptions);
    if (snap->parsed()) return runSnap(snapOptions);
    PassSettings settings;
    settings.checkUVs = !cleanOptions.ignoreUVs;
    return runClean(cleanOptions, passCalls(passOptions, clean->parse_order(), settings));
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

#include <memory>

#include "Command.h"
#include "MeshFile.h"

namespace util::tool {
namespace {
struct ConvertOptions {
    std::string input;
    std::string output;
    bool ascii = false;
    bool quiet = false;
};

int runConvert(ConvertOptions const& options) {
    Progress progress(!options.quiet);
    MeshContents contents = readInput(options.input, options.quiet, progress);
    WriteOptions writeOptions;
    writeOptions.ascii = options.ascii;
    writeOptions.progress =
        progress.percent("writing " + options.output, Progress::LARGE_FACE_COUNT);
    std::vector<std::string> const warnings =
        writeMesh(contents.mesh.view(), options.output, writeOptions);
    progress.clear();
    printWarnings(warnings, options.quiet);
    return SUCCESS;
}
}  // namespace

Command addConvertCommand(CLI::App& app) {
    CLI::App* const convert = app.add_subcommand(
        "convert", "Read IN and write it to OUT in the format of OUT's extension.");
    convert->footer(
        "Formats: .obj (with .mtl), .ply, .stl, .off; the input's format is also "
        "recognised by its content.");
    auto const options = std::make_shared<ConvertOptions>();
    convert->add_option("IN", options->input, "input mesh file")->required();
    convert->add_option("OUT", options->output, "output mesh file")->required();
    convert->add_flag("--ascii", options->ascii, "write PLY and STL as text instead of binary");
    convert->add_flag("-q,--quiet", options->quiet, "print nothing but errors");
    return {convert, [options] { return runConvert(*options); }};
}

}  // namespace util::tool

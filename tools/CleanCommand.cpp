#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>

#include "Command.h"
#include "MeshFile.h"
#include "Passes.h"

namespace util::tool {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct PassRequest {
    Pass const* pass;
    std::string value;
};

struct CleanOptions {
    std::string input;   // empty: the bundled default; a folder: every mesh file in it
    std::string output;  // empty: report only
    bool json = false;
    bool quiet = false;
    bool ascii = false;
    unsigned int threads = 0;  // 0: one per core
    bool ignoreUVs = false;
    std::vector<PassRequest> requests;
};

struct Counts {
    std::size_t vertices;
    std::size_t faces;
};

Counts countsOf(Cleanup::MeshData const& data) {
    return {static_cast<std::size_t>(data.mVCCount / 3),
            static_cast<std::size_t>(data.mCountCount)};
}

nlohmann::json toJson(Counts counts) {
    return {{"vertices", counts.vertices}, {"faces", counts.faces}};
}

std::string toText(Counts counts) {
    return std::to_string(counts.vertices) + " vertices, " + std::to_string(counts.faces) +
           " faces";
}

std::string milliseconds(double value) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << value << " ms";
    return out.str();
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct PassReport {
    PassCall const& call;
    Counts before;
    std::optional<Counts> after;  // nullopt: nothing left
    double milliseconds;
    std::string message;  // the library's conversion message
};

// How cleaning one file ended.
struct FileOutcome {
    ExitCode code = SUCCESS;
    std::string error;  // for FAILURE and NOTHING_LEFT
    Counts before{0, 0};
    Counts after{0, 0};
    double milliseconds = 0;
    std::vector<std::string> warnings;
};

// Reads, runs every requested pass with values resolved for this model, and writes; a failure
// is returned, not thrown, so that a folder run goes on with the other files.
class FileCleaner {
public:
    FileCleaner(CleanOptions const& options, Progress& progress,
                std::function<void(PassReport const&)> onPass)
        : mOptions(options), mProgress(progress), mOnPass(std::move(onPass)) {}

    FileOutcome clean(std::string const& input, std::string const& output) {
        FileOutcome outcome;
        Clock::time_point const start = Clock::now();
        try {
            run(input, output, outcome);
        } catch (std::exception const& e) {
            mProgress.clear();
            outcome.code = FAILURE;
            outcome.error = e.what();
        }
        outcome.milliseconds = millisecondsSince(start);
        return outcome;
    }

private:
    void run(std::string const& input, std::string const& output, FileOutcome& outcome) {
        MeshContents contents =
            readMesh(input, mProgress.percent("reading " + input, Progress::LARGE_FILE_BYTES));
        outcome.warnings = std::move(contents.warnings);
        Cleanup::MeshData const record = contents.mesh.view();
        outcome.before = outcome.after = countsOf(record);
        double const diagonal = boundingBoxDiagonal(record);
        PassSettings settings;
        settings.checkUVs = !mOptions.ignoreUVs;
        LibraryRecord current;
        for (PassRequest const& request : mOptions.requests) {
            PassCall const call = bindPass(*request.pass, request.value, diagonal, settings);
            Cleanup::MeshData const& before = current ? *current : record;
            if (before.mCountCount >= static_cast<int>(Progress::LARGE_FACE_COUNT))
                mProgress.show(call.name + ' ' + call.value + " on " +
                               countOf(static_cast<std::size_t>(before.mCountCount), "face"));
            Clock::time_point const start = Clock::now();
            LibraryRecord after = call.run(before);
            double const elapsed = millisecondsSince(start);
            mProgress.clear();
            std::optional<Counts> const counts =
                after ? std::optional<Counts>(countsOf(*after)) : std::nullopt;
            if (mOnPass)
                mOnPass({call, countsOf(before), counts, elapsed,
                         after && after->mConversionMessage ? after->mConversionMessage : ""});
            if (!after) {
                outcome.code = NOTHING_LEFT;
                outcome.error = call.name + " left no mesh; nothing written";
                return;
            }
            current = std::move(after);
            outcome.after = *counts;
        }
        if (output.empty()) return;
        WriteOptions writeOptions;
        writeOptions.ascii = mOptions.ascii;
        writeOptions.progress = mProgress.percent("writing " + output, Progress::LARGE_FACE_COUNT);
        std::vector<std::string> warnings =
            writeMesh(current ? *current : record, output, writeOptions);
        mProgress.clear();
        outcome.warnings.insert(outcome.warnings.end(), warnings.begin(), warnings.end());
    }

    CleanOptions const& mOptions;
    Progress& mProgress;
    std::function<void(PassReport const&)> mOnPass;
};

void printPass(CleanOptions const& options, PassReport const& report) {
    if (options.quiet) return;
    PassCall const& call = report.call;
    if (options.json) {
        nlohmann::json line{{"pass", call.name},
                            {"value", call.value},
                            {"auto", call.automatic},
                            {"before", toJson(report.before)},
                            {"after", report.after ? toJson(*report.after) : nullptr},
                            {"milliseconds", report.milliseconds}};
        if (!report.message.empty()) line["message"] = report.message;
        std::cout << line.dump() << std::endl;
        return;
    }
    std::cout << call.name << (call.value.empty() ? "" : " " + call.value) << (call.automatic ? " (auto)" : "") << ": "
              << toText(report.before) << " -> "
              << (report.after ? toText(*report.after) : "nothing left") << ", "
              << milliseconds(report.milliseconds);
    if (!report.message.empty()) std::cout << " (" << report.message << ')';
    std::cout << std::endl;
}

int runFile(CleanOptions const& options) {
    std::string const input = options.input.empty() ? defaultInputPath() : options.input;
    Progress progress(!options.quiet);
    FileOutcome const outcome =
        FileCleaner(options, progress, [&options](PassReport const& report) {
            printPass(options, report);
        }).clean(input, options.output);
    printWarnings(outcome.warnings, options.quiet);
    if (outcome.code != SUCCESS) std::cerr << "toolbox: " << outcome.error << '\n';
    return outcome.code;
}

std::vector<fs::path> meshFilesIn(fs::path const& folder) {
    std::vector<fs::path> files;
    for (fs::directory_entry const& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && formatOfExtension(entry.path().string()))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Prints the per-file lines in the folder's order as soon as the files before are done.
class FolderReport {
public:
    FolderReport(CleanOptions const& options, std::vector<fs::path> const& files,
                 Progress& progress)
        : mOptions(options), mFiles(files), mOutcomes(files.size()), mProgress(progress) {}

    void done(std::size_t file, FileOutcome outcome) {
        std::lock_guard<std::mutex> const lock(mMutex);
        mOutcomes[file] = std::move(outcome);
        ++mDone;
        mProgress.clear();
        for (; mPrinted < mFiles.size() && mOutcomes[mPrinted]; ++mPrinted) print(mPrinted);
        mProgress.show("cleaned " + std::to_string(mDone) + " of " +
                       countOf(mFiles.size(), "file"));
    }

    int finish(double elapsed) const {
        mProgress.clear();
        std::size_t failed = 0;
        std::size_t emptied = 0;
        for (std::optional<FileOutcome> const& outcome : mOutcomes) {
            failed += outcome->code == FAILURE;
            emptied += outcome->code == NOTHING_LEFT;
        }
        std::size_t const cleaned = mFiles.size() - failed - emptied;
        if (mOptions.json && !mOptions.quiet)
            std::cout << nlohmann::json{{"files", mFiles.size()},
                                        {"cleaned", cleaned},
                                        {"failed", failed + emptied},
                                        {"milliseconds", elapsed}}
                             .dump()
                      << std::endl;
        else if (!mOptions.quiet)
            std::cout << countOf(mFiles.size(), "file") << ": " << cleaned << " cleaned, "
                      << failed + emptied << " failed, " << milliseconds(elapsed) << std::endl;
        if (failed > 0) return FAILURE;
        return emptied > 0 ? NOTHING_LEFT : SUCCESS;
    }

private:
    void print(std::size_t file) const {
        FileOutcome const& outcome = *mOutcomes[file];
        std::string const name = mFiles[file].filename().string();
        printWarnings(outcome.warnings, mOptions.quiet);
        if (outcome.code != SUCCESS) std::cerr << "toolbox: " << outcome.error << '\n';
        if (mOptions.quiet) return;
        if (mOptions.json) {
            nlohmann::json line{{"file", name}, {"milliseconds", outcome.milliseconds}};
            if (outcome.code != FAILURE) line["before"] = toJson(outcome.before);
            if (outcome.code == SUCCESS) line["after"] = toJson(outcome.after);
            if (outcome.code != SUCCESS) line["error"] = outcome.error;
            std::cout << line.dump() << std::endl;
            return;
        }
        std::cout << name << ": ";
        if (outcome.code == FAILURE)
            std::cout << "failed";
        else
            std::cout << toText(outcome.before) << " -> "
                      << (outcome.code == SUCCESS ? toText(outcome.after) : "nothing left");
        std::cout << ", " << milliseconds(outcome.milliseconds) << std::endl;
    }

    CleanOptions const& mOptions;
    std::vector<fs::path> const& mFiles;
    std::mutex mMutex;  // guards the outcomes, the counters and the output
    std::vector<std::optional<FileOutcome>> mOutcomes;
    std::size_t mDone = 0;
    std::size_t mPrinted = 0;
    Progress& mProgress;
};

// One file per task on a pool of threads; the cleanup calls share nothing, so files are
// independent.
int runFolder(CleanOptions const& options) {
    Clock::time_point const start = Clock::now();
    std::vector<fs::path> const files = meshFilesIn(options.input);
    if (!options.output.empty()) fs::create_directories(options.output);
    Progress progress(!options.quiet);
    FolderReport report(options, files, progress);
    Progress silent(false);  // per-file progress lines would fight over the terminal
    std::atomic<std::size_t> next{0};
    auto const work = [&] {
        FileCleaner cleaner(options, silent, {});
        for (std::size_t file = next++; file < files.size(); file = next++) {
            std::string const output =
                options.output.empty()
                    ? ""
                    : (fs::path(options.output) / files[file].filename()).string();
            report.done(file, cleaner.clean(files[file].string(), output));
        }
    };
    unsigned int const cores = std::max(1u, std::thread::hardware_concurrency());
    std::size_t const threads = std::min<std::size_t>(options.threads ? options.threads : cores,
                                                      std::max<std::size_t>(files.size(), 1));
    std::vector<std::thread> pool;
    for (std::size_t i = 1; i < threads; ++i) pool.emplace_back(work);
    work();
    for (std::thread& thread : pool) thread.join();
    return report.finish(millisecondsSince(start));
}

int runClean(CleanOptions const& options) {
    if (!options.input.empty() && fs::is_directory(options.input)) return runFolder(options);
    return runFile(options);
}

CLI::Validator passValueValidator(Pass const& pass) {
    return CLI::Validator(
        [&pass](std::string& value) {
            try {
                bindPass(pass, value, 1.0, PassSettings());
                return std::string();
            } catch (std::invalid_argument const& e) {
                return std::string(e.what());
            }
        },
        "");
}

// Passes run in command-line order, a pass named twice runs twice; naming none runs them all
// with their defaults.
std::vector<PassRequest> passRequests(std::map<CLI::Option const*, Pass const*> const& options,
                                      std::vector<CLI::Option*> const& parseOrder) {
    std::vector<PassRequest> requests;
    std::map<CLI::Option const*, std::size_t> used;
    for (CLI::Option const* option : parseOrder) {
        auto const pass = options.find(option);
        if (pass == options.end()) continue;
        std::string const value =
            pass->second->kind == ValueKind::NONE ? "" : option->results().at(used[option]++);
        requests.push_back({pass->second, value});
    }
    if (requests.empty())
        for (Pass const& pass : cleanupPasses()) requests.push_back({&pass, pass.defaultValue});
    return requests;
}
}  // namespace

Command addCleanCommand(CLI::App& app) {
    CLI::App* const clean = app.add_subcommand(
        "clean", "Run cleanup passes on IN in the order given and write the result to OUT.");
    clean->footer(
        "Without IN the bundled building is read; IN may be a folder, whose mesh files are "
        "cleaned into the folder OUT. Without pass options every pass runs with its default; "
        "without -o nothing is written.");
    auto const options = std::make_shared<CleanOptions>();
    clean->add_option("IN", options->input, "input mesh file or folder");
    clean->add_option("-o,--output", options->output, "output mesh file, or folder for a folder");
    clean->add_flag("--json", options->json, "print one JSON object per pass (or file)");
    clean->add_flag("-q,--quiet", options->quiet, "print nothing but errors");
    clean->add_flag("--ascii", options->ascii, "write PLY and STL as text instead of binary");
    clean->add_flag("--ignore-uvs", options->ignoreUVs,
                    "let passes change texturing: merge across textures and UV seams");
    clean->add_option("-j,--threads", options->threads,
                      "files cleaned at once in a folder (default: one per core)");
    auto const passOptions = std::make_shared<std::map<CLI::Option const*, Pass const*>>();
    for (Pass const& pass : cleanupPasses()) {
        CLI::Option* option = nullptr;
        if (pass.kind == ValueKind::NONE) {
            option = clean->add_flag("--" + pass.name, pass.help)
                         ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        } else {
            option = clean->add_option("--" + pass.name)
                         ->description(passDescription(pass))
                         ->type_name(pass.kind == ValueKind::ANGLE ? "DEGREES" : "T")
                         ->expected(1)
                         ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                         ->check(passValueValidator(pass));
        }
        (*passOptions)[option] = &pass;
    }
    return {clean, [clean, options, passOptions] {
                options->requests = passRequests(*passOptions, clean->parse_order());
                return runClean(*options);
            }};
}

}  // namespace util::tool

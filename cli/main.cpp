// kynconvert: converts measurement files from the command line.
//
// Only argument parsing and a console JobPlatform; the conversion is RunConversionJob, the same
// job the desktop program runs.
//
// -j N converts up to N files at once (default: one per core); -j 1 is the plain sequential job.
//
// Exit status: 0 every file converted (some perhaps with warnings, a file named twice once), 1 any
// file skipped or failed (or, with --info, not readable), 2 usage error, 128 + the signal's number
// when stopped by one (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ConsolePlatform.h"
#include "conversion/ConversionJob.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"
#include "util/ProgressLog.h"

namespace {

using namespace kyn;

constexpr int kExitOk = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitUsage = 2;

// Option combinations that cannot mean anything sensible: a message, and nothing is touched.
// Converting in place writes the output under the input's own name, so it can neither go into
// another folder nor turn a measurement into a file that only other programs read.
std::string UsageProblem(bool inPlace, const std::string& outputDir, const TargetFormat& target) {
    if (!inPlace) return {};
    if (!outputDir.empty()) return "--in-place replaces each input where it is; it cannot be used with --output-dir";
    if (target.mode != StreamMode::Binary && std::string(target.key) != "dsa")
        return std::string("--in-place would replace each measurement by its ") + target.key +
               " export; use it with --to dsx, dsb or dsa";
    return {};
}

std::string FormatList() {
    std::string text = "Formats for --to:\n";
    for (const TargetFormat& t : TargetFormats()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-4s %-5s %s\n", t.key, t.extension, t.name);
        text += line;
    }
    return text;
}

// What the loader made of each file, on standard output.
int PrintInfo(const std::vector<std::string>& files) {
    int status = kExitOk;
    for (const std::string& path : files) {
        DataStore ds(true);
        std::string error;
        bool loaded = false;
        try {
            loaded = ds.Load(path, false);
        } catch (const std::exception& e) {
            error = e.what();
        } catch (...) {
            error = "The file is corrupt.\n";
        }
        if (!loaded) {
            while (!error.empty() && error.back() == '\n') error.pop_back();
            std::fprintf(stderr, "kynconvert: %s: %s\n", path.c_str(), error.empty() ? "cannot be read" : error.c_str());
            status = kExitIncomplete;
            continue;
        }
        std::printf("%s\n", path.c_str());
        std::printf("  format: %s\n", ds.GetFormatName().c_str());
        std::printf("  title: %s\n", ds.title.c_str());
        std::printf("  properties: %d\n", ds.properties.Count());
        for (int p = 0; p < ds.properties.Count(); ++p) std::printf("    %d: %s\n", p, ds.properties.At(p).c_str());
        std::printf("  dimensions: %d\n", ds.dimensions.Count());
        for (int d = 0; d < ds.dimensions.Count(); ++d) {
            const Dimension& dim = ds.dimensions.At(d);
            const auto [hi, lo] = dim.Range();
            std::printf("    %d: %s, %d steps, %g to %g\n", d, dim.name.c_str(), dim.Steps(), static_cast<double>(lo),
                        static_cast<double>(hi));
        }
        std::printf("  values: %lld, %g to %g\n", static_cast<long long>(ds.ValueCount()), ds.minValue, ds.maxValue);
        std::printf("  history: %zu entries\n", ds.history.size());
    }
    std::fflush(stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Converts measurement files into one target format. Each output is written next to its input "
                 "(or into --output-dir) and named after it with the target's extension.",
                 "kynconvert"};
    app.footer(FormatList() +
               "\nExit status: 0 all converted, 1 some skipped or failed, 2 usage error, 128 + N stopped by signal N\n"
               "(130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).");

    std::vector<std::string> files;
    std::string to = "dsa";
    std::string outputDir;
    bool simple = false, extra = false, euro = false, txtExtension = false, stripAcorn = false, inPlace = false,
         deleteOriginals = false, overwrite = false, skipBad = false, quiet = false, info = false;

    std::vector<std::string> keys;
    for (const TargetFormat& t : TargetFormats()) keys.emplace_back(t.key);

    app.add_option("-t,--to", to, "Target format (see below)")->check(CLI::IsMember(keys))->capture_default_str();
    app.add_option("-o,--output-dir", outputDir, "Write the outputs into DIR instead of next to the inputs")
        ->check(CLI::ExistingDirectory);
    app.add_flag("--simple", simple, "CSV without header (SimpleCSV)");
    app.add_flag("--extra", extra, "Append the raw data after VarnixCSV");
    app.add_flag("--euro", euro, "German number conventions in TSV");
    app.add_flag("--txt-extension", txtExtension, "Give every output the extension .txt");
    app.add_flag("--strip-acorn", stripAcorn, "Drop an Acorn file-type suffix such as ,FFA from the output name");
    app.add_flag("--in-place", inPlace, "Replace each input with its conversion, under the input's own name");
    app.add_flag("--delete-originals", deleteOriginals, "Delete each input after it was converted");
    app.add_flag("--overwrite", overwrite, "Overwrite existing outputs without asking");
    app.add_flag("--skip-bad", skipBad, "Skip unreadable inputs without asking");
    app.add_flag("-q,--quiet", quiet, "Report problems only: no progress, no summary, no reader messages");
    app.add_flag("--info", info, "Describe each file as loaded; write nothing");
    int jobs = DefaultJobCount();
    app.add_option("-j,--jobs", jobs, "Convert up to N files at once (default: the number of cores)")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_option("FILE", files, "Input files")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    if (info) return PrintInfo(files);

    const TargetFormat& target = *FindTargetByKey(TargetFormats(), to);
    if (const std::string problem = UsageProblem(inPlace, outputDir, target); !problem.empty()) {
        std::fprintf(stderr, "kynconvert: %s\n", problem.c_str());
        return kExitUsage;
    }

    ConversionSettings settings;
    settings.DefaultFileType = target.index;
    settings.StripHeaderInformation = simple ? 1 : 0;
    settings.SaveExtraInfo = extra ? 1 : 0;
    settings.EuroLocale = euro ? 1 : 0;
    settings.UseSensibleExtensions = txtExtension ? 0 : 1;
    settings.StripAcornFileTypes = stripAcorn ? 1 : 0;
    settings.SaveInPlace = inPlace ? 1 : 0;
    settings.DeleteOriginals = deleteOriginals ? 1 : 0;
    settings.SilentlyOverwrite = overwrite ? 1 : 0;
    settings.SkipBadFilesSilently = skipBad ? 1 : 0;

    ConversionJob job = ConversionJob::FromSettings(settings, {files.begin(), files.end()});
    job.OutputDirectory = outputDir;

    cli::ConsoleOptions options;
    options.progressBar = isatty(STDERR_FILENO) != 0;
    options.interactive = options.progressBar && isatty(STDIN_FILENO) != 0;
    options.quiet = quiet;
    // Questions of a parallel job are read on worker threads, which wait for input with poll():
    // unbuffered, standard input holds no answer that poll() cannot see.
    if (options.interactive && jobs > 1) std::setvbuf(stdin, nullptr, _IONBF, 0);
    cli::ConsolePlatform platform(options);
    cli::InstallInterruptHandler();

    // Quiet also silences the readers' own progress lines ("reading 3 comments"); the job's
    // problems still reach standard error through the platform.
    SetProgressQuiet(quiet);
    const JobOutcome outcome = RunConversionJobParallel(job, platform, jobs);
    // A run that a signal asked to end says so, whether or not the last file was finished.
    if (cli::Interrupted()) return cli::InterruptedExitStatus();
    if (outcome.end == JobOutcome::End::Done &&
        outcome.processed + outcome.duplicates == static_cast<int>(files.size()))
        return kExitOk;
    return kExitIncomplete;
}

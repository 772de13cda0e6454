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
#include <nlohmann/json.hpp>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <mutex>
#include <deque>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "cli/ConsolePlatform.h"
#include "conversion/ConversionJob.h"
#include "conversion/TargetFormat.h"
#include "conversion/FileInfo.h"
#include "conversion/OutputNaming.h"
#include "formats/Load.h"
#include "formats/Registry.h"
#include "util/ProgressLog.h"

namespace {

using namespace kyn;

constexpr int kExitOk = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitUsage = 2;

// Option combinations that cannot mean anything sensible: a message, and nothing is touched.
// Converting in place writes the output under the input's own name, so it can neither go into
// another folder nor turn a measurement into a file that only other programs read.
std::string UsageProblem(const ConversionJob& job) {
    if (job.settings.SaveInPlace == 0) return {};
    if (!job.OutputDirectory.empty())
        return "--in-place replaces each input where it is; it cannot be used with --output-dir";
    const TargetFormat& target = *FindTarget(TargetFormats(), job.settings.DefaultFileType);
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

// Every format of the registry: its --to key and extension when it is a target of its own, what
// the program does with it, and what one of its files holds.
std::string FormatTable() {
    std::string text = "Formats: --to key, extension, name, what kynconvert does with it, what a file holds\n";
    for (const FormatInfo* f : Formats()) {
        const bool target = f->target.index >= 0;
        std::string does = f->read ? "read" : "";
        if (f->write) does += std::string(does.empty() ? "" : ", ") + (target ? "write" : "write (by another --to)");
        std::string holds = f->holds.dimensions == 0 ? "any number of dimensions"
                            : f->holds.dimensions == 1 ? "one dimension"
                                                        : std::to_string(f->holds.dimensions) + " dimensions";
        holds += f->holds.allProperties ? ", every property" : ", one property";
        if (f->holds.history) holds += ", history";
        holds += f->holds.exactValues ? ", exact values" : ", rounded values";
        char line[320];
        std::snprintf(line, sizeof line, "  %-4s %-5s %-25s %-30s %s\n", target ? f->target.key : "-",
                      target ? f->target.extension : "-", f->name, does.c_str(), holds.c_str());
        text += line;
    }
    return text;
}

// A parse error as kynconvert's own message, with a hint where a file name that starts with '-'
// was probably taken for an option.
void ReportParseError(const CLI::ParseError& e, int argc, char** argv) {
    std::fprintf(stderr, "kynconvert: %s\n", e.what());
    bool dashedName = false;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] == '-' && argv[i][1] != '\0' && argv[i][1] != '-' && std::string(argv[i]).size() > 2) dashedName = true;
    if (dashedName && (dynamic_cast<const CLI::ExtrasError*>(&e) || dynamic_cast<const CLI::RequiredError*>(&e)))
        std::fprintf(stderr, "kynconvert: a file whose name starts with '-' goes after --: kynconvert [OPTIONS] -- -name.dsb\n");
    std::fprintf(stderr, "Run with --help for more information.\n");
}

// The paths of a --files-from list: one a line (a CR before the line end dropped), or separated by
// NUL; empty entries are skipped. False when the list cannot be read.
bool ReadFileList(const std::string& from, bool nulSeparated, std::vector<std::string>& files) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (from != "-") {
        file.open(from, std::ios_base::binary);
        if (!file.is_open()) return false;
        in = &file;
    }
    for (std::string entry; std::getline(*in, entry, nulSeparated ? '\0' : '\n');) {
        if (!nulSeparated && !entry.empty() && entry.back() == '\r') entry.pop_back();
        if (!entry.empty()) files.push_back(entry);
    }
    return !in->bad();
}

// The inputs with every folder named replaced by the measurement files under it, in path order
// (links to folders are not followed, folders that cannot be read are passed over).
std::vector<std::string> ExpandFolders(const std::vector<std::string>& inputs) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        std::error_code error;
        if (!fs::is_directory(input, error)) {
            files.push_back(input);
            continue;
        }
        std::vector<std::string> found;
        for (fs::recursive_directory_iterator it(input, fs::directory_options::skip_permission_denied, error), end;
             !error && it != end; it.increment(error))
            if (it->is_regular_file(error) && RecogniseFile(it->path().string())) found.push_back(it->path().string());
        if (found.empty()) std::fprintf(stderr, "kynconvert: %s: no measurement file in this folder\n", input.c_str());
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

// A description as one JSON object (the schema the README gives). Texts are bytes of the file
// (often Windows-1252): what is no UTF-8 becomes U+FFFD.
std::string InfoJson(const FileInfo& info) {
    nlohmann::ordered_json out;
    out["path"] = info.path;
    out["format"] = info.format;
    out["title"] = info.title;
    out["remarks"] = info.remarks;
    out["properties"] = nlohmann::ordered_json::array();
    for (std::size_t p = 0; p < info.properties.size(); ++p)
        out["properties"].push_back({{"name", info.properties[p]}, {"unit", info.propertyUnits[p]}});
    out["dimensions"] = nlohmann::ordered_json::array();
    for (const AxisInfo& a : info.dimensions)
        out["dimensions"].push_back({{"name", a.name}, {"steps", a.steps}, {"first", a.first}, {"last", a.last},
                                     {"lowest", a.lowest}, {"highest", a.highest}, {"even", a.even}});
    out["values"] = {{"count", info.values}, {"min", info.minValue}, {"max", info.maxValue}};
    out["history"] = info.history;
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A description as the readable lines of --info.
void PrintInfoText(const FileInfo& info) {
    std::printf("%s\n", info.path.c_str());
    std::printf("  format: %s\n", info.format.c_str());
    std::printf("  title: %s\n", info.title.c_str());
    std::printf("  properties: %zu\n", info.properties.size());
    for (std::size_t p = 0; p < info.properties.size(); ++p) std::printf("    %zu: %s\n", p, info.properties[p].c_str());
    std::printf("  dimensions: %zu\n", info.dimensions.size());
    for (std::size_t d = 0; d < info.dimensions.size(); ++d) {
        const AxisInfo& a = info.dimensions[d];
        std::printf("    %zu: %s, %d steps, %g to %g\n", d, a.name.c_str(), a.steps, static_cast<double>(a.lowest),
                    static_cast<double>(a.highest));
    }
    std::printf("  values: %lld, %g to %g\n", static_cast<long long>(info.values), info.minValue, info.maxValue);
    std::printf("  history: %zu entries\n", info.historyEntries);
}

// What the loader made of each file, on standard output: readable lines, or (json) one object a
// file. A file that cannot be read gets the usual line on standard error, and in JSON
// {"path", "error"}.
int PrintInfo(const std::vector<std::string>& files, bool json) {
    int status = kExitOk;
    for (const std::string& path : files) {
        std::string reason;
        const std::optional<FileInfo> info = DescribeFile(path, reason);
        if (!info) {
            if (reason.empty()) reason = "cannot be read";
            std::fprintf(stderr, "kynconvert: %s: %s\n", path.c_str(), reason.c_str());
            if (json) std::puts(nlohmann::ordered_json{{"path", path}, {"error", reason}}
                                    .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
            status = kExitIncomplete;
        } else if (json) {
            std::puts(InfoJson(*info).c_str());
        } else {
            PrintInfoText(*info);
        }
    }
    std::fflush(stdout);
    return status;
}

// Everything the command line sets: the conversion's settings, written straight into one record,
// and the program's own choices.
struct CommandLine {
    ConversionJob job;
    std::vector<std::string> files;
    std::string report;        // --report: JSON Lines of every input's result ("-": standard output)
    std::string filesFrom;     // --files-from: a list of paths ("-": standard input)
    bool nulSeparated = false;  // -0: that list separated by NUL, not line ends
    bool recursive = false;
    bool quiet = false;
    bool verbose = false;
    bool info = false;
    bool json = false;
    bool dryRun = false;
    int jobs = DefaultJobCount();
};

// A flag that sets one setting to `value`.
void AddSetting(CLI::App& app, const char* name, std::int32_t& setting, std::int32_t value, const char* help) {
    app.add_flag_callback(name, [&setting, value] { setting = value; }, help);
}

void AddOptions(CLI::App& app, CommandLine& c) {
    ConversionSettings& s = c.job.settings;
    std::vector<std::string> keys;
    for (const TargetFormat& t : TargetFormats()) keys.emplace_back(t.key);
    app.add_option_function<std::string>(
           "-t,--to", [&s](const std::string& key) { s.DefaultFileType = FindTargetByKey(TargetFormats(), key)->index; },
           "Target format (see below; any case)")
        ->transform(CLI::IsMember(keys, CLI::ignore_case))
        ->default_str(FindTarget(TargetFormats(), s.DefaultFileType)->key);
    app.add_option("-o,--output-dir", c.job.OutputDirectory, "Write the outputs into DIR instead of next to the inputs")
        ->check(CLI::ExistingDirectory);
    AddSetting(app, "--simple", s.StripHeaderInformation, 1, "CSV without header (SimpleCSV)");
    AddSetting(app, "--extra", s.SaveExtraInfo, 1, "Append the raw data after VarnixCSV");
    AddSetting(app, "--euro", s.EuroLocale, 1, "German number conventions in TSV");
    AddSetting(app, "--txt-extension", s.UseSensibleExtensions, 0, "Give every output the extension .txt");
    AddSetting(app, "--strip-acorn", s.StripAcornFileTypes, 1,
               "Drop an Acorn file-type suffix such as ,FFA from the output name");
    AddSetting(app, "--in-place", s.SaveInPlace, 1, "Replace each input with its conversion, under the input's own name");
    AddSetting(app, "--delete-originals", s.DeleteOriginals, 1, "Delete each input after it was converted");
    AddSetting(app, "--overwrite", s.SilentlyOverwrite, 1, "Overwrite existing outputs without asking");
    AddSetting(app, "--skip-bad", s.SkipBadFilesSilently, 1, "Skip unreadable inputs without asking");
    app.add_flag("-q,--quiet", c.quiet, "Report problems only: no progress, no summary");
    app.add_flag("-v,--verbose", c.verbose, "Also show the readers' own progress lines, each naming its file");
    CLI::Option* info = app.add_flag("--info", c.info, "Describe each file as loaded; write nothing");
    app.add_flag("--json", c.json, "With --info: one JSON object per file (JSON Lines)")->needs(info);
    app.add_flag("--verify", c.job.Verify,
                 "Read each output back and compare it with its data before it takes its name (one that differs is "
                 "removed; the input and any file of that name are kept)");
    app.add_flag("-n,--dry-run", c.dryRun,
                 "Print what would be done (each input's format and output name) and write nothing");
    app.add_option("-j,--jobs", c.jobs, "Convert up to N files at once (default: the number of cores)")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_option("FILE", c.files, "Input files (folders with -r)");
    app.add_flag("-r,--recursive", c.recursive,
                 "Convert every measurement file under each folder named (files whose first line a reader takes)");
    app.add_option("--report", c.report,
                   "Write one JSON object per input and a summary to FILE ('-': standard output; README has the keys)");
    app.add_option("--files-from", c.filesFrom, "Read more input paths from FILE, one a line ('-': standard input)");
    app.add_flag("-0,--null", c.nulSeparated, "The --files-from list is separated by NUL characters (find -print0)");
    app.set_version_flag("--version", std::string("kynconvert ") + KYN_VERSION);
    app.add_flag_callback(
        "--formats",
        [] {
            std::fputs(FormatTable().c_str(), stdout);
            throw CLI::Success();
        },
        "List every format: what kynconvert reads and writes, and what each holds");
}

// One line of JSON Lines into a report file (--report); the caller flushes.
void WriteJsonLine(std::FILE* report, const nlohmann::ordered_json& line) {
    std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), report);
}

// The plan of a run, on standard output, in the job's order (the last file named first): each
// input's format, as its first line shows it, and the output it would get, or why it would not
// be converted; with a report, the same as one object an input and a summary. Reads first lines
// only; writes nothing else. The names are the job's own plan.
int DryRun(const CommandLine& c, bool interactive, std::FILE* report) {
    const ConversionSettings& s = c.job.settings;
    const TargetFormat& target = *FindTarget(TargetFormats(), s.DefaultFileType);
    std::vector<std::filesystem::path> paths(c.files.begin(), c.files.end());
    const std::vector<FilePlan> plans = PlanJobOutputs(paths, TargetExtension(target, s.UseSensibleExtensions),
                                                       {s.StripAcornFileTypes, s.SaveInPlace, c.job.OutputDirectory});
    int status = kExitOk;
    std::map<std::string, std::int64_t> counts;
    for (std::size_t k = paths.size(); k-- > 0;) {
        const std::string& path = c.files[k];
        const FilePlan& plan = plans[k];
        const std::string kind = NotARegularFile(path);
        std::error_code error;
        const FormatInfo* format = kind.empty() ? RecogniseFile(path) : nullptr;
        // What the run would do ("convert", "overwrite", "ask", "keep", "in place", "convert once",
        // "pass over", "skip") and, when it would not convert, why.
        std::string action, why, note;
        if (plan.duplicateOf >= 0) {
            action = "convert once", why = "it is named earlier in this job";
        } else if (!kind.empty()) {
            action = "pass over", why = "it is " + kind + ", not a regular file";
        } else if (!std::filesystem::exists(path, error)) {
            action = "pass over", why = "it does not exist";
        } else if (!format) {
            action = "skip", why = "no format kynconvert reads (or it cannot be opened)";
        } else if (plan.names.inPlace) {
            action = "in place", note = " (in place)";
        } else if (plan.outputMode == 0) {
            action = "convert";
        } else if (s.SilentlyOverwrite) {
            action = "overwrite", note = " (overwriting the existing file)";
        } else if (interactive) {
            action = "ask", note = " (asking before overwriting the existing file)";
        } else {
            action = "keep", note = " (kept: the file exists, and without a terminal nobody is asked)";
        }
        if (action == "pass over" || action == "skip" || action == "keep") status = kExitIncomplete;
        ++counts[action];
        std::string line = path + ": ";
        if (action == "convert once")
            line += "named earlier in this job: converted once";
        else if (action == "pass over")
            line += "passed over: " + why;
        else if (action == "skip")
            line += "skipped: " + why;
        else
            line += std::string(format->name) + " -> " + plan.names.outputPath + note;
        std::puts(line.c_str());
        if (report) {
            nlohmann::ordered_json entry;
            entry["input"] = path;
            entry["output"] = format ? plan.names.outputPath : std::string();
            entry["format"] = format ? format->name : "";
            entry["target"] = target.key;
            entry["plan"] = action;
            entry["reason"] = why;
            WriteJsonLine(report, entry);
            std::fflush(report);
        }
    }
    std::fflush(stdout);
    if (report) {
        nlohmann::ordered_json summary;
        summary["inputs"] = paths.size();
        summary["dry run"] = true;
        for (const auto& [action, n] : counts) summary[action] = n;
        WriteJsonLine(report, {{"summary", summary}});
        std::fflush(report);
    }
    return status;
}

// The report file of --report: standard output for "-"; null with a message when it cannot be
// made.
std::FILE* OpenReport(const std::string& path) {
    std::FILE* report = path == "-" ? stdout : std::fopen(path.c_str(), "w");
    if (!report) std::fprintf(stderr, "kynconvert: --report %s: %s\n", path.c_str(), std::strerror(errno));
    return report;
}

// A file's result as its report object (the README's keys).
nlohmann::ordered_json ResultLine(const FileResult& r) {
    nlohmann::ordered_json line;
    VisitResult(r, [&line](const char* key, const auto& value) { line[key] = value; });
    return line;
}

// Writes the report on a thread of its own, so that encoding a line per file never holds up the
// conversion: results are queued as files end and written in the order they ended, in batches,
// and flushed after each (a script following the file sees each input within a tenth of a second
// of its end).
class ReportWriter {
public:
    explicit ReportWriter(std::FILE* file) : file_(file) {
        if (file_) thread_ = std::thread([this] { Run(); });
    }
    ~ReportWriter() { Close({}); }
    ReportWriter(const ReportWriter&) = delete;
    ReportWriter& operator=(const ReportWriter&) = delete;

    void Add(const FileResult& result) {
        if (!file_) return;
        bool full;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back(result);
            full = queue_.size() >= kBatch;
        }
        // Woken for a full batch only; otherwise the thread looks every tenth of a second, so
        // that a batch of small files costs no wake-up per file.
        if (full) wake_.notify_one();
    }

    // Writes what is queued and then `last` (unless null), and ends the thread.
    void Close(const nlohmann::ordered_json& last) {
        if (!thread_.joinable()) return;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            last_ = last;
            closing_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return queue_.size() >= kBatch || closing_; });
            if (queue_.empty() && !closing_) continue;
            std::deque<FileResult> batch;
            batch.swap(queue_);
            const bool closing = closing_;
            lock.unlock();
            for (const FileResult& r : batch) WriteJsonLine(file_, ResultLine(r));
            // Nothing is added once closing: this batch was the last.
            if (closing && !last_.is_null()) WriteJsonLine(file_, last_);
            std::fflush(file_);
            if (closing) return;
            lock.lock();
        }
    }

    static constexpr std::size_t kBatch = 256;
    std::FILE* file_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<FileResult> queue_;
    nlohmann::ordered_json last_;
    bool closing_ = false;
};

// The console platform that also writes each input's result as a JSON line (--report).
class ReportingPlatform : public cli::ConsolePlatform {
public:
    ReportingPlatform(const cli::ConsoleOptions& options, std::FILE* report)
        : ConsolePlatform(options), report_(report), writer_(report) {}

    void FileDone(const FileResult& r) override {
        ConsolePlatform::FileDone(r);
        ++counts_[static_cast<std::size_t>(r.outcome)];
        writer_.Add(r);
    }

    // The closing object: how many inputs ended how, and how the job ended.
    void Summary(const JobOutcome& outcome, std::size_t inputs, double seconds) {
        if (!report_) return;
        nlohmann::ordered_json summary;
        summary["inputs"] = inputs;
        for (auto o : {FileResult::Outcome::Converted, FileResult::Outcome::ConvertedWithWarnings, FileResult::Outcome::Skipped,
                       FileResult::Outcome::Failed, FileResult::Outcome::PassedOver})
            summary[OutcomeName(o)] = counts_[static_cast<std::size_t>(o)];
        summary["not reached"] = static_cast<std::int64_t>(inputs) - Total();
        summary["end"] = outcome.end == JobOutcome::End::Done ? "done" : outcome.end == JobOutcome::End::Stopped ? "stopped" : "cancelled";
        summary["seconds"] = seconds;
        writer_.Close({{"summary", summary}});
    }

private:
    std::int64_t Total() const {
        std::int64_t total = 0;
        for (std::int64_t n : counts_) total += n;
        return total;
    }

    std::FILE* report_;
    ReportWriter writer_;
    std::int64_t counts_[5] = {};
};

// Converts the files; the exit status.
int Convert(CommandLine& c) {
    c.job.paths.assign(c.files.begin(), c.files.end());
    cli::ConsoleOptions options;
    options.progressBar = isatty(STDERR_FILENO) != 0;
    options.interactive = options.progressBar && isatty(STDIN_FILENO) != 0;
    options.quiet = c.quiet;
    // Questions of a parallel job are read on worker threads, which wait for input with poll():
    // unbuffered, standard input holds no answer that poll() cannot see.
    if (options.interactive && c.jobs > 1) std::setvbuf(stdin, nullptr, _IONBF, 0);
    std::FILE* report = c.report.empty() ? nullptr : OpenReport(c.report);
    if (!c.report.empty() && !report) return kExitUsage;
    ReportingPlatform platform(options, report);
    cli::InstallInterruptHandler();
    const auto started = std::chrono::steady_clock::now();

    // The readers' own progress lines ("a.dsa: reading 3 comments") only when asked for; the
    // job's problems reach standard error through the platform either way.
    SetProgressQuiet(!c.verbose);
    const JobOutcome outcome = RunConversionJobParallel(c.job, platform, c.jobs);
    platform.Summary(outcome, c.files.size(), std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    if (report && report != stdout && std::fclose(report) != 0)
        std::fprintf(stderr, "kynconvert: --report %s: %s\n", c.report.c_str(), std::strerror(errno));
    // A run that a signal asked to end says so, whether or not the last file was finished.
    if (cli::Interrupted()) return cli::InterruptedExitStatus();
    if (outcome.end == JobOutcome::End::Done &&
        outcome.processed + outcome.duplicates == static_cast<int>(c.files.size()))
        return kExitOk;
    return kExitIncomplete;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Converts measurement files into one target format. Each output is written next to its input "
                 "(or into --output-dir) and named after it with the target's extension.",
                 "kynconvert"};
    app.footer(FormatList() +
               "\nExit status: 0 all converted, 1 some skipped or failed, 2 usage error, 128 + N stopped by signal N\n"
               "(130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).");
    CommandLine c;
    AddOptions(app, c);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        ReportParseError(e, argc, argv);
        return kExitUsage;
    }
    SetProgressQuiet(!c.verbose);
    if (!c.filesFrom.empty() && !ReadFileList(c.filesFrom, c.nulSeparated, c.files)) {
        std::fprintf(stderr, "kynconvert: --files-from %s: the list cannot be read\n", c.filesFrom.c_str());
        return kExitUsage;
    }
    if (c.files.empty()) {
        std::fprintf(stderr, "kynconvert: no input: name files (or folders with -r), or give --files-from\n"
                             "Run with --help for more information.\n");
        return kExitUsage;
    }
    if (c.recursive) c.files = ExpandFolders(c.files);
    if (c.info) return PrintInfo(c.files, c.json);
    if (c.dryRun) {
        if (const std::string problem = UsageProblem(c.job); !problem.empty()) {
            std::fprintf(stderr, "kynconvert: %s\n", problem.c_str());
            return kExitUsage;
        }
        std::FILE* report = c.report.empty() ? nullptr : OpenReport(c.report);
        if (!c.report.empty() && !report) return kExitUsage;
        const int status = DryRun(c, isatty(STDERR_FILENO) != 0 && isatty(STDIN_FILENO) != 0, report);
        if (report && report != stdout && std::fclose(report) != 0) {
            std::fprintf(stderr, "kynconvert: --report %s: %s\n", c.report.c_str(), std::strerror(errno));
            return kExitIncomplete;
        }
        return status;
    }
    if (const std::string problem = UsageProblem(c.job); !problem.empty()) {
        std::fprintf(stderr, "kynconvert: %s\n", problem.c_str());
        return kExitUsage;
    }
    return Convert(c);
}

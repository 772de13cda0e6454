// kynconvert end to end: options, exit status, no hang without a terminal, Ctrl-C.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <algorithm>
#include <map>
#include <sstream>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>

#include "Stores.h"
#include "Subprocess.h"
#include "TestSupport.h"
#include "datastore/DataStore.h"
#include "formats/Registry.h"

namespace kyn::test {
namespace {

void WriteMeasurement(const std::string& path, const std::string& title) {
    ASSERT_TRUE(WriteStore(SmallMeasurement(title), path)) << path;
}

class Kynconvert : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(CliPath().empty()) << "KYN_CLI not set";
        std::filesystem::create_directory(dir.path() / "scratch");
    }
    RunResult Run(const std::vector<std::string>& args) { return RunCli(args, dir.path() / "scratch"); }
    TempDir dir;
};

// Bad options, and options that make no sense together: exit 2 with the reason, nothing touched.
TEST_F(Kynconvert, UsageErrorsExitWithTwoAndTouchNothing) {
    const std::string in = dir / "a.dsa";
    WriteFile(in, "x");
    std::filesystem::create_directory(dir.path() / "out");
    const struct {
        std::vector<std::string> args;
        std::string says;
    } bad[] = {
        {{}, "kynconvert: no input"}, {{"--to", "xls", in}, "kynconvert: --to: xls not in"},
        {{"--bogus", in}, "kynconvert: "}, {{"-o", dir / "no-such-dir", in}, "kynconvert: "},
        {{"-t", "dsa", "-x.dsb"}, "a file whose name starts with '-' goes after --"},
        {{"--files-from", dir / "no-such-list"}, "kynconvert: --files-from"},
        {{"-t"}, ""}, {{"-j", "0", in}, ""}, {{"-j", "-1", in}, ""}, {{"-j", "x", in}, ""},
        {{"--in-place", "-o", dir / "out", "-t", "dsb", in}, "kynconvert: --in-place replaces each input where it is"},
        {{"--in-place", "-t", "csv", in}, "kynconvert: --in-place would replace each measurement by its csv export"}};
    for (const auto& [args, says] : bad) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_TRUE(r.out.empty());
        EXPECT_FALSE(r.err.empty());
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"a.dsa", "out", "scratch"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "out"));
    EXPECT_EQ(ReadFile(in), "x");
}

// --version and --formats answer without a file; --to takes its key in any case.
TEST_F(Kynconvert, VersionFormatsAndTheCaseOfTo) {
    const RunResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("kynconvert ", 0), 0u) << version.out;
    const RunResult formats = Run({"--formats"});
    EXPECT_EQ(formats.exitCode, 0) << formats.err;
    for (const FormatInfo* f : Formats()) {
        const std::size_t at = formats.out.find(std::string(" ") + f->name + " ");
        ASSERT_NE(at, std::string::npos) << f->name << "\n" << formats.out;
        const std::string line = formats.out.substr(formats.out.rfind('\n', at) + 1, formats.out.find('\n', at) - formats.out.rfind('\n', at) - 1);
        EXPECT_EQ(line.find("read") != std::string::npos, f->read != nullptr) << line;
        EXPECT_EQ(line.find("write") != std::string::npos, f->write != nullptr) << line;
        if (f->target.index >= 0) {
            EXPECT_EQ(line.rfind(std::string("  ") + f->target.key + " ", 0), 0u) << line;
        }
    }
    WriteMeasurement(dir / "a.dsa", "upper case key");
    const RunResult upper = Run({"-q", "--to", "DSB", dir / "a.dsa"});
    EXPECT_EQ(upper.exitCode, 0) << upper.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "a.dsb"));
}

// -r converts the measurement files under a folder (and nothing else there); without it a folder
// is passed over with a hint. --files-from takes a list, with line ends or NUL between paths.
TEST_F(Kynconvert, FoldersAndFileLists) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "tree" / "deeper");
    WriteMeasurement(dir / "tree/a.dsa", "top");
    WriteMeasurement(dir / "tree/deeper/b.dsb", "deep");
    WriteFile(dir / "tree/notes.txt", "not a measurement\n");
    WriteFile(dir / "tree/deeper/export.csv", "VarnixCSV\n\n");
    const RunResult flat = Run({"-q", "-t", "dsx", dir / "tree"});
    EXPECT_EQ(flat.exitCode, 1);
    EXPECT_EQ(flat.err, "kynconvert: " + dir / "tree" +
                            ": passed over, it is a folder, not a regular file (-r converts the measurement files under it)\n");
    const RunResult deep = Run({"-q", "-r", "-t", "dsx", dir / "tree"});
    EXPECT_EQ(deep.exitCode, 0) << deep.err;
    EXPECT_EQ(TitleOf(dir / "tree/a.dsx"), "top");
    EXPECT_EQ(TitleOf(dir / "tree/deeper/b.dsx"), "deep");
    EXPECT_EQ(ListDir(dir.path() / "tree"), (std::vector<std::string>{"a.dsa", "a.dsx", "deeper", "notes.txt"}));

    WriteFile(dir / "list.txt", dir / "tree/a.dsa" + "\r\n\n" + dir / "tree/deeper/b.dsb" + "\n");
    const RunResult listed = Run({"-q", "-t", "dsa", "-o", dir / "scratch", "--files-from", dir / "list.txt"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(TitleOf(dir / "scratch/b.dsa"), "deep");
    WriteFile(dir / "list0", dir / "tree/deeper/b.dsb" + std::string(1, '\0'));
    const std::string list0 = dir / "list0";
    const RunResult fromStdin = RunCli({"-q", "-t", "dsb", "-o", dir / "scratch", "-0", "--files-from", "-"},
                                       dir.path() / "scratch", std::chrono::seconds(30), {},
                                       [&] { dup2(open(list0.c_str(), O_RDONLY), 0); });
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_EQ(TitleOf(dir / "scratch/b.dsb"), "deep");
}

TEST_F(Kynconvert, ConvertsNextToEachInput) {
    WriteMeasurement(dir / "a.dsa", "first");
    WriteMeasurement(dir / "b.dsa", "second");
    const RunResult r = Run({"--to", "dsx", dir / "a.dsa", dir / "b.dsa"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(TitleOf(dir / "a.dsx"), "first");
    EXPECT_EQ(TitleOf(dir / "b.dsx"), "second");
    // The readers' own progress lines only with -v, each naming its file ...
    EXPECT_EQ(r.err.find("reading"), std::string::npos) << r.err;
    const RunResult verbose = Run({"-v", "--overwrite", "-j", "2", "--to", "dsx", dir / "a.dsa", dir / "b.dsa"});
    EXPECT_NE(verbose.err.find(dir / "a.dsa" + ": reading 1 comments\n"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find(dir / "b.dsa" + ": reading 1 comments\n"), std::string::npos) << verbose.err;
    // ... and in quiet mode a run without problems says nothing at all.
    const RunResult quiet = Run({"-q", "-j", "2", "--to", "dsb", dir / "a.dsa", dir / "b.dsa"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(TitleOf(dir / "b.dsb"), "second");
    // Same format again: the numbered name, the input untouched.
    const RunResult again = Run({dir / "a.dsa"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(TitleOf(dir / "a(2).dsa"), "first");
}

TEST_F(Kynconvert, OutputDirectoryAndDeleteOriginals) {
    std::filesystem::create_directory(dir.path() / "out");
    WriteMeasurement(dir / "Lys_B,FFA", "acorn");
    const RunResult r = Run({"-t", "csv", "--strip-acorn", "--delete-originals", "-o", dir / "out", dir / "Lys_B,FFA"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListDir(dir.path() / "out"), (std::vector<std::string>{"Lys_B.csv"}));
    EXPECT_FALSE(std::filesystem::exists(dir / "Lys_B,FFA"));
}

// --dry-run writes nothing and names exactly the outputs a real run then writes, clashes and
// all; what would not be converted it says why.
TEST_F(Kynconvert, DryRunPredictsTheOutputs) {
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "in" / "sub");
    fs::create_directories(dir.path() / "out");
    WriteMeasurement(dir / "in/a.dsa", "one");
    WriteMeasurement(dir / "in/a.dsb", "two");
    WriteMeasurement(dir / "in/sub/a.dsx", "three");
    WriteFile(dir / "in/sub/notes.txt", "not a measurement\n");
    WriteMeasurement(dir / "out/a.dsa", "already there");
    const std::vector<std::string> args = {"-t", "dsa", "--overwrite", "-o", dir / "out", "-r", dir / "in", dir / "in/sub/notes.txt"};
    std::vector<std::string> dry = args;
    dry.insert(dry.begin(), {"--dry-run", "--report", dir / "scratch/plan.jsonl"});
    const RunResult plan = Run(dry);
    EXPECT_EQ(plan.exitCode, 1) << plan.err;  // notes.txt would be skipped
    EXPECT_EQ(ListDir(dir.path() / "out"), (std::vector<std::string>{"a.dsa"}));
    EXPECT_NE(plan.out.find(dir / "in/sub/notes.txt" + ": skipped: no format kynconvert reads"), std::string::npos) << plan.out;
    // The report has the plan of every input, and the names the run will write.
    std::vector<std::string> predicted, actions;
    std::istringstream lines(ReadFile(dir / "scratch/plan.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        const nlohmann::json entry = nlohmann::json::parse(line);
        if (entry.contains("summary")) {
            EXPECT_EQ(entry["summary"]["inputs"], 4);
            EXPECT_EQ(entry["summary"]["dry run"], true);
            continue;
        }
        actions.push_back(entry["plan"].get<std::string>());
        if (!entry["output"].get<std::string>().empty())
            predicted.push_back(fs::path(entry["output"].get<std::string>()).filename().string());
    }
    std::sort(predicted.begin(), predicted.end());
    std::sort(actions.begin(), actions.end());
    EXPECT_EQ(predicted, (std::vector<std::string>{"a(2).dsa", "a(3).dsa", "a.dsa"}));
    EXPECT_EQ(actions, (std::vector<std::string>{"convert", "convert", "overwrite", "skip"}));
    EXPECT_NE(plan.out.find("(overwriting the existing file)"), std::string::npos) << plan.out;
    const RunResult real = Run(args);
    EXPECT_EQ(real.exitCode, 1) << real.err;
    EXPECT_EQ(ListDir(dir.path() / "out"), predicted);
}

// Every way an input can end, one run each: the one line kynconvert prints for it (quiet keeps
// it) and its report object, which a script reads instead.
TEST_F(Kynconvert, EveryReasonClassHasItsLineAndReportObject) {
    namespace fs = std::filesystem;
    const bool root = ::geteuid() == 0;
    // Permissions bind root only once it has become somebody else.
    const auto asNobody = [root] {
        if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(126);
    };
    const auto fileSizeLimit = [] {
        rlimit rl{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    };
    WriteMeasurement(dir / "good.dsa", "good");
    WriteMeasurement(dir / "kept.dsa", "kept");
    WriteFile(dir / "kept.dsb", "precious");
    ASSERT_TRUE(WriteStore(Store({"Absorbance"}, {Ramp("Time", 5000)}, [](int i) { return i * 0.5f; }), dir / "big.dsa"));
    WriteMeasurement(dir / "locked.dsa", "locked");
    fs::permissions(dir / "locked.dsa", fs::perms::none);
    fs::create_directory(dir.path() / "folder");
    fs::create_directory(dir.path() / "readonly");
    fs::permissions(dir.path() / "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                                 fs::perms::others_exec);
    fs::create_symlink("loop.b", dir / "loop.a");
    fs::create_symlink("loop.a", dir / "loop.b");
    ASSERT_EQ(::mkfifo((dir / "pipe.dsa").c_str(), 0644), 0);
    WriteFile(dir / "cut.dsa", "VarnixStore\r\ncut off\r\n");
    WriteFile(dir / "notes.dsa", "no measurement\n");
    WriteFile(dir / "export.csv", "VarnixCSV\r\n\r\nTitle: x\r\n");
    const std::string longName = dir / (std::string(253, 'w') + ".b");
    WriteMeasurement(longName, "long");
    ASSERT_TRUE(WriteStore(Store({"Absorbance"}, {Ramp("Wavelength", 3)}, [](int i) { return i == 1 ? NAN : 1.0f; }),
                           dir / "gap.dsa"));

    struct Case {
        const char* what;
        std::vector<std::string> args;  // before the input
        std::string input;
        std::string outcome;
        std::string line;  // after "kynconvert: INPUT: "; "" for none
        std::function<void()> inChild = {};
    };
    const std::string out = dir / "big.dsx";
    const Case cases[] = {
        {"converted", {"-t", "dsb", "--verify"}, dir / "good.dsa", "converted", ""},
        {"output kept", {}, dir / "kept.dsa", "skipped",
         dir / "kept.dsb" + " exists and was kept (--overwrite replaces existing files)"},
        {"lossy", {"-t", "jdx"}, dir / "gap.dsa", "converted with warnings",
         "converted into " + dir / "gap.jdx" + " with warnings: 1 value that is not finite"},
        {"missing", {}, dir / "missing.dsa", "passed over",
         "passed over, it cannot be opened for reading (No such file or directory)"},
        {"folder", {}, dir / "folder", "passed over", "passed over, it is a folder, not a regular file (-r converts"},
        {"permission", {}, dir / "locked.dsa", "passed over", "passed over, it cannot be opened for reading (Permission denied)", asNobody},
        {"loop", {}, dir / "loop.a", "passed over",
         "passed over, it cannot be opened for reading (Too many levels of symbolic links)"},
        {"FIFO", {}, dir / "pipe.dsa", "passed over", "passed over, it is a named pipe (FIFO), not a regular file"},
        {"corrupt", {}, dir / "cut.dsa", "failed", "The file is corrupt."},
        {"unrecognised", {}, dir / "notes.dsa", "failed", "The file is of an unrecognised format"},
        {"export only", {}, dir / "export.csv", "failed", "CSV is an export only format. It cannot be imported."},
        {"disk full", {"-t", "dsx"}, dir / "big.dsa", "failed", "not saved as " + out + ": File too large", fileSizeLimit},
        {"unwritable folder", {"-o", dir / "readonly"}, dir / "good.dsa", "failed",
         "not saved as " + dir / "readonly/good.dsb" + ": Permission denied", asNobody},
        {"name too long", {}, longName, "failed", "not saved as " + longName.substr(0, longName.size() - 2) + ".dsb: File name too long"},
        {"target cannot hold it", {"-t", "glb"}, dir / "gap.dsa", "failed",
         "not saved as " + dir / "gap.glb" + ": KYN-ASCII needs a dimension named Time, and this DataStore has none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"-q", "--skip-bad", "--report", "-"};
        const auto has = [&c](const char* option) { return std::find(c.args.begin(), c.args.end(), option) != c.args.end(); };
        if (!has("-t")) args.insert(args.end(), {"-t", "dsb"});
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(c.input);
        const RunResult r = RunCli(args, dir.path() / "scratch", std::chrono::seconds(30), {}, c.inChild);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, c.outcome.rfind("converted", 0) == 0 ? 0 : 1) << r.err;
        if (c.line.empty())
            EXPECT_EQ(r.err, "");
        else
            EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1).rfind("kynconvert: " + c.input + ": " + c.line, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.line.empty() ? 0 : 1) << r.err;
        std::istringstream lines(r.out);
        std::string first;
        ASSERT_TRUE(std::getline(lines, first)) << r.out;
        const nlohmann::json result = nlohmann::json::parse(first);
        EXPECT_EQ(result["input"], c.input);
        EXPECT_EQ(result["outcome"], c.outcome);
        const std::string reason = result["reason"].get<std::string>();
        if (c.outcome.rfind("converted", 0) == 0) {
            EXPECT_EQ(reason, "");
            EXPECT_EQ(result["warnings"].empty(), c.outcome == "converted") << result;
            EXPECT_EQ(result["format"], "VarnixStore");
            EXPECT_EQ(result["values"], c.outcome == "converted" ? 6 : 3);
            EXPECT_GT(result["bytes"].get<long long>(), 0);
        } else if (c.outcome == "skipped") {
            EXPECT_EQ(reason, "the output exists and was not replaced");
        } else {
            // The line's own words, without what kynconvert puts before them.
            const std::string said = c.outcome == "passed over" ? c.line.substr(std::string("passed over, ").size()) : c.line;
            EXPECT_NE(said.find(reason), std::string::npos) << reason;
            EXPECT_FALSE(reason.empty());
        }
        EXPECT_EQ(result["verified"], has("--verify"));
        std::string summary;
        ASSERT_TRUE(std::getline(lines, summary));
        EXPECT_EQ(nlohmann::json::parse(summary)["summary"]["inputs"], 1);
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(ListDir(dir.path() / "readonly"), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(dir / "kept.dsb"), "precious");
    EXPECT_EQ(Run({"-q", "-t", "dsb", "--overwrite", dir / "kept.dsa"}).exitCode, 0);
    EXPECT_EQ(TitleOf(dir / "kept.dsb"), "kept");
    // Several at once, without -q: the same lines among the progress, a closing line and a
    // summary object that count every input (a file named twice is converted once).
    const RunResult all = Run({"-t", "dsx", "--report", dir / "all.jsonl", dir / "notes.dsa", dir / "missing.dsa",
                               dir / "good.dsa", dir / "good.dsa"});
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_NE(all.err.find("kynconvert: " + dir / "notes.dsa" + ": The file is of an unrecognised format\n"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find("Done. Processed 1 file, skipped 1 file, passed over 2 files.\n"), std::string::npos) << all.err;
    EXPECT_TRUE(all.out.empty());
    const std::string report = ReadFile(dir / "all.jsonl");
    const nlohmann::json summary = nlohmann::json::parse(report.substr(report.rfind("{\"summary\"")))["summary"];
    EXPECT_EQ(summary["inputs"], 4);
    EXPECT_EQ(summary["converted"], 1);
    EXPECT_EQ(summary["failed"], 1);
    EXPECT_EQ(summary["passed over"], 2);
    EXPECT_EQ(summary["end"], "done");
    EXPECT_NE(report.find("\"reason\":\"it is named earlier in this job\""), std::string::npos) << report;
}

// --info describes without writing; --info --json gives one object a file, in the schema of the
// README, parsed back here.
TEST_F(Kynconvert, InfoAsTextAndAsJsonLines) {
    WriteMeasurement(dir / "a.dsa", "described");
    const RunResult text = Run({"--info", dir / "a.dsa"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    for (const char* part : {"format: VarnixStore", "title: described", "Absorbance", "Wavelength", "2 steps", "250 to 260",
                             "Time", "3 steps", "history:"})
        EXPECT_NE(text.out.find(part), std::string::npos) << part << "\n" << text.out;
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"a.dsa", "scratch"}));
    const RunResult r = Run({"--info", "--json", dir / "a.dsa", dir / "missing.dsa"});
    EXPECT_EQ(r.exitCode, 1);
    std::istringstream lines(r.out);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    const nlohmann::json a = nlohmann::json::parse(line);
    EXPECT_EQ(a["path"], dir / "a.dsa");
    EXPECT_EQ(a["format"], "VarnixStore");
    EXPECT_EQ(a["title"], "described");
    EXPECT_EQ(a["properties"][0]["name"], "Absorbance");
    ASSERT_EQ(a["dimensions"].size(), 2u);
    EXPECT_EQ(a["dimensions"][0]["name"], "Wavelength");
    EXPECT_EQ(a["dimensions"][0]["steps"], 2);
    EXPECT_EQ(a["dimensions"][1]["first"], 0.0);
    EXPECT_EQ(a["dimensions"][1]["last"], 1.0);
    EXPECT_EQ(a["dimensions"][1]["even"], true);
    EXPECT_EQ(a["values"]["count"], 6);
    EXPECT_EQ(a["values"]["max"], 0.625);
    EXPECT_TRUE(std::any_of(a["history"].begin(), a["history"].end(),
                            [](const nlohmann::json& entry) { return entry.get<std::string>().find("measured") != std::string::npos; }))
        << a["history"];
    ASSERT_TRUE(std::getline(lines, line));
    const nlohmann::json missing = nlohmann::json::parse(line);
    EXPECT_FALSE(missing["error"].get<std::string>().empty());
    EXPECT_FALSE(std::getline(lines, line));
    EXPECT_EQ(Run({"--json", dir / "a.dsa"}).exitCode, 2);  // --json describes; it needs --info
}

TEST_F(Kynconvert, ParallelJobsGiveTheSameOutputsAndSummaryAsOne) {
    namespace fs = std::filesystem;
    std::vector<std::string> inputs;
    for (int k = 0; k < 12; ++k) {
        inputs.push_back(dir / ("m" + std::to_string(k) + ".dsa"));
        WriteMeasurement(inputs.back(), "m" + std::to_string(k));
    }
    // Two inputs that would name the same output in the output folder: the first path is planned
    // last and takes the numbered name, one by one and with -j alike.
    fs::create_directory(dir.path() / "other");
    inputs.insert(inputs.begin(), dir / "other/m5.dsa");
    WriteMeasurement(inputs.front(), "other m5");
    for (const char* jobs : {"1", "2", "4"}) {
        const fs::path out = dir.path() / (std::string("out") + jobs);
        fs::create_directory(out);
        std::vector<std::string> args = {"-j", jobs, "-t", "dsx", "--overwrite", "-o", out.string()};
        args.insert(args.end(), inputs.begin(), inputs.end());
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << jobs << r.err;
        EXPECT_NE(r.err.find("Done. Processed 13 files.\n"), std::string::npos) << jobs << r.err;
        EXPECT_EQ(ListDir(out).size(), 13u) << jobs;
        for (int k = 0; k < 12; ++k) {
            const std::string name = "m" + std::to_string(k);
            EXPECT_EQ(TitleOf((out / (name + ".dsx")).string()), name) << jobs;
        }
        EXPECT_EQ(TitleOf((out / "m5(2).dsx").string()), "other m5") << jobs;
    }
}

// Ctrl-C, SIGTERM and SIGHUP all stop the job after the file in progress, leave nothing half
// written and end with 128 + the signal's number.
TEST_F(Kynconvert, EndingSignalsFinishTheCurrentFileThenStop) {
    constexpr int kFiles = 400;
    std::vector<std::string> args = {"-t", "dsx"};
    for (int k = 0; k < kFiles; ++k) {
        const std::string in = dir / ("m" + std::to_string(k) + ".dsa");
        WriteMeasurement(in, "m" + std::to_string(k));
        args.push_back(in);
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().extension() == ".dsx") std::filesystem::remove(e.path());
        bool sent = false;
        const RunResult r = RunCli(args, dir.path() / "scratch", std::chrono::seconds(60), [&](pid_t pid) {
            if (sent) return;
            for (const auto& e : std::filesystem::directory_iterator(dir.path()))
                if (e.path().extension() == ".dsx") {
                    kill(pid, signal);
                    sent = true;
                    return;
                }
        });
        ASSERT_TRUE(sent) << "the conversion ended before any output appeared";
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 128 + signal) << r.err;
        EXPECT_NE(r.err.find("stopped by user"), std::string::npos) << r.err;
        int outputs = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = e.path().filename().string();
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << "temporary left behind: " << name;
            if (e.path().extension() == ".dsx") {
                ++outputs;
                EXPECT_EQ(TitleOf(e.path().string()), e.path().stem().string());  // every output is whole
            }
        }
        EXPECT_GT(outputs, 0);
        EXPECT_LT(outputs, kFiles);
    }
}

}  // namespace
}  // namespace kyn::test

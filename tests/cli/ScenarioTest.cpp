// Scenarios of data safety, end to end through kynconvert as a user meets them: outputs that
// would name other inputs, files that must read back, lossy exports, cut-off files, pipes and
// devices, signals and full disks.
#include <gtest/gtest.h>

#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "Subprocess.h"
#include "Stores.h"
#include "TestSupport.h"
#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

namespace fs = std::filesystem;

// A measurement over the given axes (name, steps) whose values tell every position apart.
DataStore Measurement(const std::string& title, const std::vector<std::pair<std::string, int>>& axes, int properties = 1) {
    std::vector<Dimension> dims;
    for (const auto& [name, steps] : axes) dims.push_back(Ramp(name, steps));
    std::vector<std::string> names = {"CircularDichroism", "HT"};
    names.resize(static_cast<std::size_t>(properties));
    DataStore ds = Store(names, dims, [](int i) { return std::sin(static_cast<float>(i)) + 2.0f; });
    ds.title = title;
    ds.ComputeDataRange();
    return ds;
}

std::vector<std::string> Temporaries(const fs::path& dir) {
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().find(".unfinished-conversion-") != std::string::npos)
            left.push_back(e.path().string());
    return left;
}

class Scenario : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(CliPath().empty()) << "KYN_CLI not set";
        fs::create_directory(dir.path() / "scratch");
    }
    RunResult Run(const std::vector<std::string>& args, const std::function<void()>& inChild = {}) {
        return RunCli(args, dir.path() / "scratch", std::chrono::seconds(60), {}, inChild);
    }
    static bool Has(const RunResult& r, const std::string& text) { return r.err.find(text) != std::string::npos; }
    TempDir dir;
};

// An output never replaces another input of the run, nor an output the run already wrote.
TEST_F(Scenario, OutputsThatWouldNameOtherInputsGetNumberedNames) {
    WriteStore(Measurement("melt", {{"Wavelength", 5}, {"Temperature", 3}}), dir / "m.dsb");
    WriteStore(Measurement("stopped flow", {{"Time", 40}}), dir / "m.dsa");
    const RunResult r = Run({"--overwrite", "-t", "dsa", "-j1", dir / "m.dsb", dir / "m.dsa"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(TitleOf(dir / "m.dsa"), "stopped flow");  // the input, untouched
    EXPECT_EQ(TitleOf(dir / "m(2).dsa"), "stopped flow");
    EXPECT_EQ(TitleOf(dir / "m(3).dsa"), "melt");

    // Two measurements of one name from two folders into one, originals deleted: both kept.
    fs::create_directories(dir.path() / "a");
    fs::create_directories(dir.path() / "b");
    fs::create_directories(dir.path() / "out");
    WriteStore(Measurement("first", {{"Time", 4}}), dir / "a/x.dsb");
    WriteStore(Measurement("second", {{"Time", 6}}), dir / "b/x.dsb");
    const RunResult both =
        Run({"--overwrite", "--delete-originals", "-t", "dsa", "-o", dir / "out", dir / "a/x.dsb", dir / "b/x.dsb"});
    EXPECT_EQ(both.exitCode, 0) << both.err;
    EXPECT_EQ(TitleOf(dir / "out/x.dsa"), "second");
    EXPECT_EQ(TitleOf(dir / "out/x(2).dsa"), "first");
    EXPECT_FALSE(fs::exists(dir / "a/x.dsb"));
    EXPECT_FALSE(fs::exists(dir / "b/x.dsb"));
}

// What the program writes, it reads back: the spectrakinetic example (whose reader leaves an
// empty first remark) through every native format and into --info.
TEST_F(Scenario, WrittenFilesLoadAgain) {
    fs::copy_file(fs::path(KYN_SOURCE_DIR) / "examples/data/spectrakinetic.glb", dir / "sk.glb");
    for (const char* to : {"dsa", "dsb", "dsx"}) {
        const RunResult r = Run({"-q", "-t", to, dir / "sk.glb"});
        EXPECT_EQ(r.exitCode, 0) << to << r.err;
        const RunResult info = Run({"--info", dir / (std::string("sk.") + to)});
        EXPECT_EQ(info.exitCode, 0) << to << info.err;
        EXPECT_NE(info.out.find("values: 651"), std::string::npos) << info.out;
    }
}

// A lossy export is written, counted and said so; its original is kept although deleting it was
// asked. The exit status stays 0.
TEST_F(Scenario, LossyExportsWarnAndKeepTheOriginal) {
    DataStore five = Measurement("five", {{"Wavelength", 8}, {"Time", 6}, {"Temperature", 4}, {"Repeat", 5}, {"Cell", 2}}, 2);
    five.data[7] = std::numeric_limits<float>::quiet_NaN();  // JCAMP-DX holds every slice, but no NaN
    WriteStore(five, dir / "dims5.dsb");
    struct Case {
        const char* to;
        const char* output;
        const char* lost;
    };
    for (const Case& c : {Case{"jdx", "dims5.jdx", "1 value that is not finite (NaN or infinity) was left out"},
                          Case{"csv", "dims5.csv", "wrote 480 of 3840 values"},
                          Case{"glb", "dims5.glb", "wrote 48 of 3840 values"}}) {
        const RunResult r = Run({"-t", c.to, "--delete-originals", dir / "dims5.dsb"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Has(r, "dims5.dsb: converted into " + dir / c.output + " with warnings: " + c.lost)) << r.err;
        EXPECT_TRUE(Has(r, "; the original was kept.\n")) << r.err;
        EXPECT_TRUE(Has(r, "Done. Processed 1 file (1 with warnings).")) << r.err;
        EXPECT_TRUE(fs::exists(dir / c.output));
        EXPECT_EQ(TitleOf(dir / "dims5.dsb"), "five");
    }
    // A lossless export deletes its original.
    WriteStore(Measurement("one", {{"Wavelength", 8}}), dir / "one.dsb");
    const RunResult whole = Run({"-t", "csv", "--delete-originals", dir / "one.dsb"});
    EXPECT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_FALSE(Has(whole, "warnings")) << whole.err;
    EXPECT_FALSE(fs::exists(dir / "one.dsb"));
}

// A file cut off inside its values is refused with what it still held, never padded with zeros;
// one number text reads the same in every text format.
TEST_F(Scenario, CutOffFilesAreRefusedAndTinyNumbersReadAsZero) {
    WriteStore(Measurement("melt", {{"Wavelength", 51}, {"Temperature", 15}}), dir / "melt.dsb");
    const std::string bytes = ReadFile(dir / "melt.dsb");
    WriteFile(dir / "cut.dsb", bytes.substr(0, bytes.size() / 2));
    const RunResult r = Run({"-t", "dsa", dir / "cut.dsb"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, "cut.dsb: The file is corrupt. It ends after ")) << r.err;
    EXPECT_TRUE(Has(r, " of its 765 values.")) << r.err;
    EXPECT_FALSE(fs::exists(dir / "cut.dsa"));

    WriteFile(dir / "tiny.glb", "KYN-ASCII\r\nINFO>cp_wl_280nm_tp_0_tm_0\r\n2\r\n0\t1e-400\r\n1\t2\r\n\r\n0\r\n0\r\n1\r\n2\r\n"
                                "Time (seconds)\r\nCD\r\n\r\n\r\n\r\n\r\ntiny\r\nstamp\r\n");
    const RunResult tiny = Run({"-q", "-t", "dsb", dir / "tiny.glb"});
    EXPECT_EQ(tiny.exitCode, 0) << tiny.err;
    DataStore ds;
    ASSERT_TRUE(ds.Load(dir / "tiny.dsb"));
    EXPECT_EQ(ds.data[0], 0.0f);
    EXPECT_EQ(ds.data[1], 2.0f);
}

// Pipes and devices are refused by what they are, before they are opened; a first line that
// runs on is unrecognised at once.
TEST_F(Scenario, PipesDevicesAndEndlessLinesCannotHang) {
    const std::string pipe = dir / "pipe.dsa";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const RunResult r = Run({"-t", "dsb", pipe, "/dev/zero"});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Has(r, pipe + ": passed over, it is a named pipe (FIFO), not a regular file\n")) << r.err;
    EXPECT_TRUE(Has(r, "/dev/zero: passed over, it is a character device, not a regular file\n")) << r.err;
    const RunResult info = Run({"--info", pipe});
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(Has(info, "This is a named pipe (FIFO), not a measurement file.")) << info.err;

    WriteFile(dir / "long.dat", std::string(1 << 20, 'a'));
    const RunResult line = Run({"--info", dir / "long.dat"});
    EXPECT_EQ(line.exitCode, 1);
    EXPECT_TRUE(Has(line, "The file is of an unrecognised format")) << line.err;
}

// No temporary outlives the program: a second Ctrl-C removes it before the program ends, a
// closed standard error does not end a conversion, and a file-size limit is a failed save.
TEST_F(Scenario, NoTemporaryOutlivesTheProgram) {
    WriteStore(Measurement("long", {{"Time", 1 << 21}}), dir / "long.dsb");
    // Once the output is being written, Ctrl-C again and again: two signals that arrive before
    // the first is handled count as one, so the second is sent until one is seen as the second.
    int sent = 0;
    auto last = std::chrono::steady_clock::now();
    const RunResult twice = RunCli({"-q", "-t", "jdx", dir / "long.dsb"}, dir.path() / "scratch",
                                   std::chrono::seconds(120), [&](pid_t pid) {
                                       if (sent == 0 && Temporaries(dir.path()).empty()) return;
                                       const auto now = std::chrono::steady_clock::now();
                                       if (sent > 0 && now - last < std::chrono::milliseconds(50)) return;
                                       kill(pid, SIGINT);
                                       ++sent;
                                       last = now;
                                   });
    ASSERT_GE(sent, 2) << "no temporary appeared, or the conversion ended at the first Ctrl-C";
    EXPECT_EQ(twice.signal, SIGINT) << twice.err;
    EXPECT_EQ(Temporaries(dir.path()), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(dir / "long.jdx"));

    // Standard error a pipe that nobody reads: the conversion goes on to the end.
    const RunResult closed = Run({"-t", "dsa", dir / "long.dsb", dir / "long.dsb"}, [] {
        int fds[2];
        if (::pipe(fds) == 0) {
            ::close(fds[0]);
            ::dup2(fds[1], 2);
        }
    });
    EXPECT_EQ(closed.exitCode, 0);
    EXPECT_EQ(TitleOf(dir / "long.dsa"), "long");

    // A file-size limit below the output's size fails that save, with the system's reason.
    const RunResult limited = Run({"-t", "dsx", dir / "long.dsb"}, [] {
        const rlim_t limit = 1 << 20;
        rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
    });
    EXPECT_EQ(limited.exitCode, 1);
    EXPECT_TRUE(Has(limited, "long.dsb: not saved as " + dir / "long.dsx" + ": File too large\n")) << limited.err;
    EXPECT_FALSE(fs::exists(dir / "long.dsx"));
    EXPECT_EQ(Temporaries(dir.path()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kyn::test

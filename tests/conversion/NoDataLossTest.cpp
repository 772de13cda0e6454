// No data loss when a conversion fails or is cut off: the target is always either the old file or
// the complete new one, a handled failure leaves no temporary behind, a replaced file keeps its
// permission bits, and "delete originals" never deletes the file that the output is.
//
// Failures are real: a full disk is a file-size limit (RLIMIT_FSIZE) on a child process that runs
// the job, and a killed conversion is SIGKILL sent to such a child at random moments.
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>

#include "RecordingPlatform.h"
#include "Stores.h"
#include "conversion/ConversionJob.h"
#include "datastore/DataStore.h"
#include "hardening/ChildProcess.h"

namespace kyn::test {
namespace {

namespace fs = std::filesystem;

// A measurement of `values` values over one axis, with values that tell every position apart.
DataStore Measurement(int values) {
    DataStore ds = Store({"Absorbance"}, {Ramp("Wavelength", values, 0.0f)},
                         [](int i) { return static_cast<float>(i) * 0.5f + 1.0f; });
    ds.title = "big";
    ds.ComputeDataRange();
    return ds;
}

void WriteDsx(DataStore ds, const std::string& path) {
    std::ofstream os(path, std::ios::binary);
    ds.WriteVarnixBinaryX(os);
}

// True when the file loads and holds exactly the values of Measurement(values).
bool HoldsMeasurement(const std::string& path, int values) {
    DataStore ds;
    try {
        if (!ds.Load(path)) return false;
    } catch (const std::exception&) {
        return false;
    }
    const DataStore expected = Measurement(values);
    return ds.data.Count() == values && ds.dimensions.Count() == 1 &&
           std::memcmp(ds.data.Data(), expected.data.Data(), static_cast<std::size_t>(values) * 4) == 0;
}

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

ConversionJob InPlace(const std::string& path, int target) {
    ConversionJob job;
    job.settings.DefaultFileType = target;
    job.settings.SaveInPlace = 1;
    job.settings.SilentlyOverwrite = 1;
    job.paths = {path};
    return job;
}

enum class Injection { FullDisk, WriterThrows, StreamFails };

// A failed save, in place and over an existing separate output: the target keeps its bytes and
// its permission bits, nothing else is left in the folder, and the file is counted as skipped.
TEST(NoDataLoss, AFailedSaveLeavesTheTargetAndNoTemporary) {
    constexpr int kValues = 1 << 18;  // a 1 MiB value block: the output takes many writes
    for (const Injection injection : {Injection::FullDisk, Injection::WriterThrows, Injection::StreamFails}) {
        for (const bool inPlace : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "injection " << static_cast<int>(injection) << " in place " << inPlace);
            TempDir dir;
            const std::string input = dir / "data.dsx";
            WriteDsx(Measurement(kValues), input);
            ::chmod(input.c_str(), 0640);
            std::string target = input;
            ConversionJob job = InPlace(input, 1);
            if (!inPlace) {
                target = dir / "data.dsb";
                WriteFile(target, "the old output");
                ::chmod(target.c_str(), 0604);
                job.settings.SaveInPlace = 0;
            }
            const std::string before = ReadFile(target);
            const unsigned modeBefore = Mode(target);
            const auto names = ListDir(dir.path());

            TargetTable table = TargetFormats();
            JobFormats formats = DefaultJobFormats();
            TargetWriter real = table[1].write;
            if (injection == Injection::WriterThrows)
                table[1].write = [real](DataStore& ds, std::ostream& os, const WriterOptions& o) {
                    real(ds, os, o);  // all of it written, then the writer gives up
                    throw std::runtime_error("failed at the end");
                };
            if (injection == Injection::StreamFails)
                table[1].write = [](DataStore& ds, std::ostream& os, const WriterOptions& o) {
                    os << "VarnixBinary\n";
                    (void)ds, (void)o;
                    os.setstate(std::ios_base::badbit);
                };
            formats.targets = &table;

            const ChildResult r = RunInChild([&] {
                if (injection == Injection::FullDisk) {
                    // Writing past the limit fails with EFBIG instead of killing the process.
                    ::signal(SIGXFSZ, SIG_IGN);
                    const rlim_t limit = 256 * 1024;
                    rlimit rl{limit, limit};
                    if (setrlimit(RLIMIT_FSIZE, &rl) != 0) return 3;
                }
                RecordingPlatform platform;
                platform.saveAnswers = {FailureAnswer::Ok};
                const JobOutcome outcome = RunConversionJob(job, platform, formats);
                const bool asked = platform.questions.size() == 1 &&
                                   platform.questions[0].find("unable to save") != std::string::npos;
                return outcome.skipped == 1 && outcome.processed == 0 && asked ? 0 : 1;
            });
            EXPECT_TRUE(r.Ok()) << r;
            EXPECT_EQ(ReadFile(target), before);
            EXPECT_EQ(Mode(target), modeBefore);
            EXPECT_EQ(ListDir(dir.path()), names);
            EXPECT_TRUE(HoldsMeasurement(input, kValues));
        }
    }
}

// SIGKILL at random moments of a large in-place conversion, again and again: afterwards the file
// is the old one or the complete new one, and keeps its permission bits. A temporary may stay
// behind after a kill (nothing could remove it); it never takes the file's name.
TEST(NoDataLoss, KilledInPlaceConversionLeavesTheOldOrTheCompleteNewFile) {
    constexpr int kValues = 1 << 20;  // 4 MiB of values
    TempDir dir;
    const std::string path = dir / "data.dsx";
    WriteDsx(Measurement(kValues), path);
    ::chmod(path.c_str(), 0640);

    // Each round converts the file to the other binary format, so a finished round is visible.
    const auto convert = [&](int target) {
        return RunInChild([&] {
            RecordingPlatform platform;
            return RunConversionJob(InPlace(path, target), platform).processed == 1 ? 0 : 1;
        });
    };
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(convert(1).Ok());
    const auto full = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
    ASSERT_TRUE(HoldsMeasurement(path, kValues));

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed << ", one conversion " << full.count() << " us");
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> moment(0, full.count() * 5 / 4);
    int finished = 0, interrupted = 0;
    for (int round = 0; round < 16; ++round) {
        const std::string before = ReadFile(path);
        const int target = before.rfind("VarnixBinaryX\n", 0) == 0 ? 1 : 0;
        const long long killAfter = moment(random);
        const ChildResult r = RunInChild(
            [&] {
                RecordingPlatform platform;
                return RunConversionJob(InPlace(path, target), platform).processed == 1 ? 0 : 1;
            },
            std::chrono::milliseconds(killAfter / 1000));
        (r.timedOut ? interrupted : finished) += 1;
        ASSERT_TRUE(r.timedOut || r.Ok()) << r;
        // The old file and the new one both hold every value; a partial file would not load whole.
        ASSERT_TRUE(HoldsMeasurement(path, kValues)) << "round " << round;
        ASSERT_EQ(Mode(path), 0640u) << "round " << round;
        for (const auto& name : ListDir(dir.path()))
            if (name != "data.dsx") fs::remove(dir.path() / name);
    }
    RecordProperty("finished", finished);
    RecordProperty("interrupted", interrupted);
}

// "Delete originals" after a conversion whose output is the input under another name: a hard
// link, a symbolic link, or a spelling with "dir/..". The input is never deleted while it is the
// output's file, and whatever happens the converted data are there.
TEST(NoDataLoss, DeleteOriginalsDeletesOnlyAnotherFileThanTheOutput) {
    constexpr int kValues = 64;
    enum class Alias { HardLink, SymbolicLink, DotDot };
    for (const Alias alias : {Alias::HardLink, Alias::SymbolicLink, Alias::DotDot}) {
        SCOPED_TRACE(static_cast<int>(alias));
        TempDir dir;
        fs::create_directory(dir.path() / "sub");
        ConversionJob job;
        job.settings.DefaultFileType = 0;
        job.settings.DeleteOriginals = 1;
        job.settings.SilentlyOverwrite = 1;
        std::string input, output;
        if (alias == Alias::DotDot) {
            // The output folder names the input's folder the long way round.
            input = dir / "data.dsx";
            job.OutputDirectory = dir / "sub/..";
            output = dir / "data(2).dsx";
        } else {
            // An Acorn-typed input whose stripped name is another name of the same file.
            input = dir / "data,ffa";
            output = dir / "data.dsx";
            job.settings.StripAcornFileTypes = 1;
        }
        WriteDsx(Measurement(kValues), input);
        if (alias == Alias::HardLink) fs::create_hard_link(input, output);
        if (alias == Alias::SymbolicLink) fs::create_symlink("data,ffa", output);
        job.paths = {input};
        RecordingPlatform platform;
        const JobOutcome outcome = RunConversionJob(job, platform);
        EXPECT_EQ(outcome.processed, 1);
        // The output's name is another name of the input file, so the output is numbered; a
        // numbered output is another file, and the input may go.
        if (alias != Alias::DotDot) {
            output = dir / "data(2).dsx";
        }
        EXPECT_TRUE(HoldsMeasurement(output, kValues));
        EXPECT_FALSE(fs::exists(input));
        if (alias == Alias::HardLink) {
            EXPECT_TRUE(HoldsMeasurement(dir / "data.dsx", kValues));
        }
    }
}

}  // namespace
}  // namespace kyn::test

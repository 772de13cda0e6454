// Running out of memory while a legitimate but large file is read: the job shows a clear reason
// in its read-failure question and goes on with the next file. Memory is made short with an
// address-space limit on a child process that runs the job (not possible under AddressSanitizer,
// whose shadow memory needs the address space; the test skips there).
#include "RecordingPlatform.h"
#include "Stores.h"
#include "conversion/ConversionJob.h"
#include "datastore/DataStore.h"
#include "hardening/ChildProcess.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

constexpr long long kMiB = 1 << 20;

DataStore Block(int n1, int n2) {
    DataStore ds = Store({"Absorbance"}, {Ramp("Wavelength", n1, 0.0f), Ramp("Time", n2, 0.0f)}, [](int) { return 0.0f; });
    ds.title = "large";
    return ds;
}

TEST(OutOfMemory, ALargeFileThatDoesNotFitIsReportedAndTheBatchGoesOn) {
    if (kUnderSanitizer) GTEST_SKIP() << "an address-space limit cannot work under a sanitizer";
    TempDir dir;
    // 64 MiB of values in the binary format: the block is allocated in one piece.
    const std::string binary = dir / "a_block.dsb";
    {
        DataStore ds = Block(4096, 4096);
        std::ofstream os(binary, std::ios::binary);
        ds.WriteVarnixBinary(os);
    }
    // A text file whose title line alone is 64 MiB: it grows as a string, piece by piece.
    const std::string text = dir / "b_title.dsa";
    {
        TextOFStream os(text);
        os << "VarnixStore\n" << std::string(64 * kMiB, 't') << "\nRemarks:\n0\n0\n";
    }
    // A small file that fits: converted after the two failures.
    const std::string small = dir / "c_small.dsb";
    {
        DataStore ds = Block(4, 2);
        std::ofstream os(small, std::ios::binary);
        ds.WriteVarnixBinary(os);
    }

    const ChildResult r = RunInChild([&] {
        if (!LimitAddressSpace(40 * kMiB)) return 3;
        ConversionJob job;
        job.settings.DefaultFileType = 0;
        job.paths = {small, text, binary};  // taken in reverse: the two large files first
        RecordingPlatform platform;
        platform.readAnswers = {FailureAnswer::Ok, FailureAnswer::Ok};
        const JobOutcome outcome = RunConversionJob(job, platform);
        int wrong = 0;
        const auto expect = [&](bool ok, const std::string& what) {
            if (!ok) std::fprintf(stderr, "%s\n", what.c_str()), ++wrong;
        };
        expect(outcome.processed == 1 && outcome.skipped == 2, "counts");
        expect(platform.questions.size() == 2, "two questions");
        if (platform.questions.size() == 2) {
            expect(platform.questions[0].find(binary + " for the following reason:\n\n\tError allocating memory for DPointer\n") !=
                       std::string::npos,
                   platform.questions[0]);
            expect(platform.questions[1].find(text + " for the following reason:\n\n\tThere is not enough memory to read "
                                                     "this file.\n") != std::string::npos,
                   platform.questions[1]);
        }
        expect(std::filesystem::exists(dir / "c_small.dsx"), "small file converted");
        return wrong;
    });
    EXPECT_TRUE(r.Ok()) << r;
}

}  // namespace
}  // namespace kyn::test

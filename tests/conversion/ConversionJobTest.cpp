// The batch job against the recording platform: message sequences, counters, questions and the
// files left on disk.
#include <sys/stat.h>

#include <optional>
#include <stdexcept>

#include "JobTestSupport.h"
#include "hardening/ChildProcess.h"

namespace kyn::test {
namespace {

using P = Posted;

TEST_F(JobTest, EmptyJobPostsStartEndAndDoneAfterTheSleep) {
    const JobOutcome r = Run({});
    const std::vector<Posted> expected = {
        {WM_JOB_STARTED, 0, 0}, {WM_JOB_PROGRESS, 0, 0}, {WM_JOB_PROGRESS, 0, 0},
        {WM_JOB_ENABLE_STOP, 0, 0}, {WM_JOB_DONE, 0, 0}};
    EXPECT_EQ(platform.posted, expected);
    EXPECT_EQ(platform.statuses, (std::vector<std::string>{"Working in directory:", "Working in directory: \r\n\r\n\r\n"}));
    // The sleep comes between disabling Stop and the done message.
    const std::vector<std::string> tail(platform.events.end() - 3, platform.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"post 1424 0 0", "sleep 250", "post 1427 0 0"}));
    EXPECT_EQ(r.end, JobOutcome::End::Done);
}

TEST_F(JobTest, OneFileConvertsWithItsStatusTextsAndPercentages) {
    const std::string in = In("data.dsa", "hello");
    job.settings.DefaultFileType = 1;
    const JobOutcome r = Run({in});
    EXPECT_EQ(ReadFile(dir / "data.dsb"), "out:hello\n");
    const std::vector<Posted> expected = {
        {WM_JOB_STARTED, 0, 1},  {WM_JOB_PROGRESS, 0, 0},    {WM_JOB_PROGRESS, 0, 0}, {WM_JOB_PROGRESS, 0, 100},
        {WM_JOB_PROGRESS, 0, 100}, {WM_JOB_ENABLE_STOP, 0, 0}, {WM_JOB_DONE, 1, 0}};
    EXPECT_EQ(platform.posted, expected);
    const std::string d = dir.path().string();
    EXPECT_EQ(platform.statuses.at(1),
              "Working in directory: " + d + "/\r\n\r\nConverting:\r\nFrom: 'data.dsa' into 'data.dsb'.\r\n");
    EXPECT_EQ(r.processed, 1);
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(platform.polls, 1);
}

TEST_F(JobTest, WithoutSensibleExtensionsEverythingIsTxtButBinaryStaysBinary) {
    const std::string in = In("data.dsa");
    writer = [](DataStore&, std::ostream& os) { os << "a\nb"; };
    job.settings.UseSensibleExtensions = 0;
    job.settings.DefaultFileType = 1;
    Run({in});
    EXPECT_EQ(ReadFile(dir / "data.txt"), "a\nb");
    job.settings.DefaultFileType = 2;
    job.settings.SilentlyOverwrite = 1;
    Run({in});
    EXPECT_EQ(ReadFile(dir / "data.txt"), "a\r\nb");
}

TEST_F(JobTest, SkippingBadFilesSilentlyAsksNothingAndCountsTheSkip) {
    const std::string good = In("good.dsa"), bad = In("bad.dsa");
    loader = [](DataStore& ds, const std::string& path) {
        if (path.find("bad") != std::string::npos) throw std::runtime_error("The file is corrupt.\n");
        ds.title = "g";
        return true;
    };
    job.settings.SkipBadFilesSilently = 1;
    const JobOutcome r = Run({good, bad});
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_DONE, 1, 1}));
    EXPECT_EQ(r.skipped, 1);
}

// Files are taken from the last path to the first; Stop is offered once there is more than one.
TEST_F(JobTest, StopDuringTheThirdOfFiveFinishesThatFileThenAborts) {
    const std::vector<std::string> in = Inputs(5);
    loader = [this](DataStore& ds, const std::string&) {
        if (loads.size() == 3) platform.stop.Set();
        ds.title = "t";
        return true;
    };
    job.settings.DefaultFileType = 1;
    const JobOutcome r = Run(in);
    EXPECT_EQ(platform.posted.at(1), (P{WM_JOB_ENABLE_STOP, 0, 1}));
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_ABORTED, 3, 60}));
    EXPECT_EQ(platform.posted.at(platform.posted.size() - 2), (P{WM_JOB_PROGRESS, 0, 60}));
    EXPECT_EQ(loads, (std::vector<std::string>{in[4], in[3], in[2]}));
    EXPECT_EQ(ListDir(dir.path()).size(), 8u);  // five inputs, outputs of f4, f3, f2
    EXPECT_EQ(r.end, JobOutcome::End::Stopped);
    EXPECT_TRUE(platform.sleeps.empty());
}

// b.dsb exists and b is converted first: each answer to the overwrite question, and no question
// when overwriting silently. (The question's text is checked where the desktop program asks it.)
TEST_F(JobTest, ExistingOutputFollowsTheOverwriteAnswer) {
    struct Case {
        const char* what;
        std::optional<OverwriteAnswer> answer;
        const char* b;  // b.dsb afterwards
        Posted end;
    };
    const std::vector<Case> cases = {
        {"yes", OverwriteAnswer::Yes, "out:B\n", {WM_JOB_DONE, 2, 0}},
        {"no", OverwriteAnswer::No, "old", {WM_JOB_DONE, 1, 1}},
        {"cancel", OverwriteAnswer::Cancel, "old", {WM_JOB_ABORTED, 0, 0}},
        {"silent", std::nullopt, "out:B\n", {WM_JOB_DONE, 2, 0}},
    };
    const std::string a = In("a.dsa", "A"), b = In("b.dsa", "B");
    job.settings.DefaultFileType = 1;
    job.paths = {a, b};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir / "a.dsb");
        WriteFile(dir / "b.dsb", "old");
        loads.clear();
        RecordingPlatform p;
        if (c.answer) p.overwriteAnswers = {*c.answer};
        job.settings.SilentlyOverwrite = !c.answer;
        RunConversionJob(job, p, formats);
        EXPECT_EQ(p.questions.size(), c.answer ? 1u : 0u);
        EXPECT_EQ(ReadFile(dir / "b.dsb"), c.b);
        EXPECT_EQ(p.posted.back(), c.end);
        if (c.answer == OverwriteAnswer::Cancel) {
            EXPECT_EQ(loads, (std::vector<std::string>{b}));  // nothing after the cancelled file
        } else {
            EXPECT_EQ(ReadFile(dir / "a.dsb"), "out:A\n");
        }
    }
}

// Each way a load can fail, the reason shown and what the answer does.
TEST_F(JobTest, ReadFailuresShowTheirReasonAndFollowTheAnswer) {
    struct Case {
        const char* what;
        std::function<bool(DataStore&, const std::string&)> load;
        std::string reasonPart;  // text after the path
    };
    const std::vector<Case> cases = {
        {"standard exception", [](DataStore&, const std::string&) -> bool { throw std::runtime_error("The file is corrupt.\n"); },
         " for the following reason:\n\n\tThe file is corrupt.\n\nClick on OK to continue or Cancel to abort."},
        {"other exception", [](DataStore&, const std::string&) -> bool { throw 42; },
         " for the following reason:\n\n\tThe file is corrupt.\n\nClick on OK to continue or Cancel to abort."},
        // A reader that left its stream failed: no reason, and the half-filled store is not written.
        {"false", [](DataStore& ds, const std::string&) { ds.title = "half"; return false; },
         ".\n\nClick on OK to continue or Cancel to abort."},
    };
    for (const auto& c : cases) {
        for (const FailureAnswer answer : {FailureAnswer::Ok, FailureAnswer::Cancel}) {
            SCOPED_TRACE(std::string(c.what) + (answer == FailureAnswer::Ok ? " OK" : " Cancel"));
            RecordingPlatform p;
            p.readAnswers = {answer};
            const std::string in = In("x.dsa");
            job.settings.DefaultFileType = 1;
            job.paths = {in};
            loader = c.load;
            const JobOutcome r = RunConversionJob(job, p, formats);
            ASSERT_EQ(p.questions.size(), 1u);
            EXPECT_EQ(p.questions[0], "Sorry, KYNDataConverter was unable to read the file " + in + c.reasonPart);
            EXPECT_FALSE(std::filesystem::exists(dir / "x.dsb"));
            if (answer == FailureAnswer::Ok) {
                EXPECT_EQ(p.posted.back(), (P{WM_JOB_DONE, 0, 1}));
                EXPECT_EQ(r.skipped, 1);
            } else {
                EXPECT_EQ(p.posted.back(), (P{WM_JOB_ABORTED, 0, 0}));
                EXPECT_EQ(r.skipped, 0);
            }
        }
    }
}

// Each way a save can fail; the writer's own text never shows, nothing is added to the folder, the
// original is not deleted, and the answer decides whether the job goes on. (The no-data-loss tests
// check the target's bytes after a full disk, a throwing writer and a bad stream.)
TEST_F(JobTest, SaveFailuresLeaveNothingBehindAndFollowTheAnswer) {
    struct Case {
        const char* what;
        std::function<void(DataStore&, std::ostream&)> write;
        bool missingFolder;
        const char* reason;  // handed to the platform with the question
    };
    const std::vector<Case> cases = {
        {"refuses", [](DataStore&, std::ostream& os) { os << "partial"; throw KynError("X cannot hold Y."); }, false,
         "X cannot hold Y."},
        {"throws other", [](DataStore&, std::ostream&) { throw 1; }, false, ""},
        {"fails stream", [](DataStore&, std::ostream& os) { os << "partial"; os.setstate(std::ios::failbit); }, false, ""},
        {"cannot create", nullptr, true, "No such file or directory"},
    };
    for (const auto& c : cases) {
        for (const FailureAnswer answer : {FailureAnswer::Ok, FailureAnswer::Cancel}) {
            SCOPED_TRACE(std::string(c.what) + (answer == FailureAnswer::Ok ? " OK" : " Cancel"));
            TempDir d;
            RecordingPlatform p;
            p.saveAnswers = {answer};
            const std::string in = d / "x.dsa";
            WriteFile(in, "input");
            WriteFile(d / "x.dsb", "old target");
            job.settings.DefaultFileType = 1;
            job.settings.SilentlyOverwrite = 1;
            job.settings.DeleteOriginals = 1;
            job.OutputDirectory = c.missingFolder ? (d / "nowhere") : "";
            job.paths = {in};
            writer = c.write;
            const JobOutcome r = RunConversionJob(job, p, formats);
            ASSERT_EQ(p.questions.size(), 1u);
            EXPECT_EQ(p.questions[0],
                      "Sorry, KYNDataConverter was unable to save the file x.dsb.\n\nThe data might me incompatible "
                      "with the chosen file format.\n\nClick on OK to continue or Cancel to abort.");
            EXPECT_EQ(p.saveReasons, std::vector<std::string>{c.reason});
            EXPECT_EQ(ListDir(d.path()), (std::vector<std::string>{"x.dsa", "x.dsb"}));
            EXPECT_EQ(ReadFile(in), "input");
            EXPECT_TRUE(p.deleted.empty());
            EXPECT_EQ(p.posted.back(), (answer == FailureAnswer::Ok ? P{WM_JOB_DONE, 0, 1} : P{WM_JOB_ABORTED, 0, 0}));
            EXPECT_EQ(r.processed, 0);
        }
    }
}

TEST_F(JobTest, KineticTargetWithoutTimeAxisIsASaveFailureWithoutOutput) {
    table[4] = TargetFormats()[4];  // the real writer choice
    const std::string in = In("scan.dsa");
    job.settings.DefaultFileType = 4;
    platform.saveAnswers = {FailureAnswer::Ok};
    Run({in});
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_EQ(platform.saveReasons,
              std::vector<std::string>{"KYN-ASCII needs a dimension named Time, and this DataStore has none"});
    EXPECT_FALSE(std::filesystem::exists(dir / "scan.glb"));
}

// An export that could not carry everything is written and counted, with what it lost; its
// original stays although its deletion was asked, and in place nothing replaces it at all.
TEST_F(JobTest, ALossyExportKeepsTheOriginalAndSaysWhatWasLost) {
    losses = {"wrote 2 of 6 values: one trace"};
    const std::string in = In("trace.dsa", "T");
    job.settings.DefaultFileType = 4;
    job.settings.DeleteOriginals = 1;
    const JobOutcome r = Run({in});
    EXPECT_EQ(r.processed, 1);
    EXPECT_EQ(r.withWarnings, 1);
    EXPECT_EQ(ReadFile(dir / "trace.glb"), "out:T\r\n");
    EXPECT_EQ(ReadFile(in), "T");
    EXPECT_TRUE(platform.deleted.empty());
    EXPECT_EQ(platform.warnings, std::vector<std::string>{in + " -> " + (dir / "trace.glb") +
                                                          ": wrote 2 of 6 values: one trace; original kept"});
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_DONE, 1, 0}));

    RecordingPlatform inPlace;
    inPlace.saveAnswers = {FailureAnswer::Ok};
    job.settings.SaveInPlace = 1;
    job.settings.SilentlyOverwrite = 1;
    job.paths = {in};
    const JobOutcome kept = RunConversionJob(job, inPlace, formats);
    EXPECT_EQ(kept.processed, 0);
    EXPECT_EQ(ReadFile(in), "T");
    EXPECT_EQ(inPlace.saveReasons, std::vector<std::string>{"converting it in place would lose data (wrote 2 of 6 "
                                                            "values: one trace), so the original was kept"});
}

// A file that appears under the output's name after the job looked for it (another program
// writing into the same folder) is an existing output like any other: asked about, and kept
// unless overwriting was chosen.
TEST_F(JobTest, AnOutputThatAppearsMeanwhileIsNeverReplacedWithoutOverwriting) {
    const std::string in = In("a.dsa", "mine");
    const std::string out = dir / "a.dsb";
    writer = [&](DataStore& ds, std::ostream& os) {
        WriteFile(out, "theirs");
        os << "out:" << ds.title;
    };
    job.settings.DefaultFileType = 1;
    platform.overwriteAnswers = {OverwriteAnswer::No};
    JobOutcome r = Run({in});
    EXPECT_EQ(ReadFile(out), "theirs");
    EXPECT_EQ(r.skipped, 1);
    ASSERT_EQ(platform.questions.size(), 1u);
    EXPECT_EQ(platform.questions[0].rfind("Error converting a.dsa to a.dsb.", 0), 0u);
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"a.dsa", "a.dsb"}));  // no temporary left

    platform.overwriteAnswers = {OverwriteAnswer::Yes};
    std::filesystem::remove(out);
    r = Run({in});
    EXPECT_EQ(ReadFile(out), "out:mine");
    EXPECT_EQ(r.processed, 1);
    // Overwriting asks nothing and replaces it.
    job.settings.SilentlyOverwrite = 1;
    std::filesystem::remove(out);
    r = Run({in});
    EXPECT_EQ(ReadFile(out), "out:mine");
    EXPECT_EQ(platform.questions.size(), 2u);
}

// What is not a regular file is passed over with what it is, before it is opened (a named pipe
// would wait for a writer for ever); a file named twice is converted once.
TEST_F(JobTest, PipesFoldersAndRepeatedNamesArePassedOverWithTheirReason) {
    const std::string pipe = dir / "pipe.dsa";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder.dsa");
    const std::string in = In("a.dsa", "A");
    job.settings.DefaultFileType = 1;
    const ChildResult child = RunInChild(
        [&] {
            const JobOutcome r = Run({in, pipe, dir / "folder.dsa", dir / "./a.dsa"});
            // The job takes the last path first: the first one is the repeated name.
            const std::vector<std::string> expected = {
                dir / "folder.dsa" + ": it is a folder, not a regular file",
                pipe + ": it is a named pipe (FIFO), not a regular file", in + ": it is named earlier in this job"};
            for (const std::string& line : platform.passedOver) std::fprintf(stderr, "%s\n", line.c_str());
            return r.processed == 1 && r.passedOver == 3 && r.duplicates == 1 && platform.passedOver == expected &&
                           ReadFile(dir / "a.dsb") == "out:A\n"
                       ? 0
                       : 1;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(child.Ok()) << child;
}

// In place, the existing file is the output: the job asks before replacing it, keeps its
// permission bits and never deletes it as an original.
TEST_F(JobTest, InPlaceAsksKeepsPermissionsAndDeletesNothing) {
    const std::string a = In("a.dsa", "A");
    ::chmod(a.c_str(), 0604);
    job.settings.DefaultFileType = 2;
    job.settings.SaveInPlace = 1;
    job.settings.DeleteOriginals = 1;
    platform.overwriteAnswers = {OverwriteAnswer::Yes};
    Run({a});
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_EQ(ReadFile(a), "out:A\r\n");
    EXPECT_TRUE(platform.deleted.empty());
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
}

TEST_F(JobTest, UnknownTargetConvertsNothingAndCreatesNothing) {
    const std::string in = In("a.dsa");
    job.settings.DefaultFileType = 7;
    const JobOutcome r = Run({in});
    EXPECT_TRUE(loads.empty());
    EXPECT_EQ(ListDir(dir.path()), (std::vector<std::string>{"a.dsa"}));
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_DONE, 0, 0}));
    EXPECT_EQ(r.passedOver, 1);
}

}  // namespace
}  // namespace kyn::test

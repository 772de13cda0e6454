// The job with several files at once: what the user sees must stay the sequential job's
// (outputs, counts, summary, questions one at a time and in the job's order), files that share
// a path must meet as they do one by one, and stopping ends cleanly after the files in progress.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "JobTestSupport.h"

namespace kyn::test {
namespace {

using P = Posted;

class ParallelJobTest : public JobTest {
protected:
    ParallelJobTest() {
        // The recording loader of JobTest is not meant for several threads: this one locks.
        // Files load slower the later they come in the job's order (the last path is taken
        // first), so that the workers finish out of order and any race has room to show.
        formats.load = [this](DataStore& ds, const std::string& path) {
            {
                std::lock_guard<std::mutex> l(loadLock);
                parallelLoads.push_back(path);
            }
            if (loader) return loader(ds, path);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayOf(path)));
            ds.title = ReadFile(path);
            return true;
        };
    }

    JobOutcome RunWith(const std::vector<std::string>& inputs, int jobs) {
        job.paths.assign(inputs.begin(), inputs.end());
        return RunConversionJobParallel(job, platform, formats, jobs);
    }

    // The output of file k, and what it holds when it was converted.
    std::string Output(int k) { return ReadFile(dir / ("f" + std::to_string(k) + ".dsb")); }
    static std::string Converted(int k) { return "out:v" + std::to_string(k) + "\n"; }

    // The file of `n` that an overwrite question is about, or -1.
    static int AskedFile(const std::string& question, int n) {
        for (int k = 0; k < n; ++k)
            if (question.rfind("Error converting f" + std::to_string(k) + ".dsa", 0) == 0) return k;
        return -1;
    }

    std::function<int(const std::string&)> delayOf = [](const std::string& path) {
        return path.find("f0") != std::string::npos ? 30 : 1;
    };
    std::mutex loadLock;
    std::vector<std::string> parallelLoads;
};

TEST_F(ParallelJobTest, OverwriteQuestionsComeOneAtATimeInTheJobsOrder) {
    const std::vector<std::string> in = Inputs(6);
    for (int k = 0; k < 6; ++k) WriteFile(dir / ("f" + std::to_string(k) + ".dsb"), "old");
    // One file loads slowly, so the questions of the others pile up behind it.
    delayOf = [](const std::string& path) { return path.find("f5") != std::string::npos ? 40 : 1; };
    job.settings.DefaultFileType = 1;
    platform.overwriteAnswers = {OverwriteAnswer::Yes, OverwriteAnswer::No, OverwriteAnswer::Yes,
                                 OverwriteAnswer::No,  OverwriteAnswer::Yes, OverwriteAnswer::No};
    const JobOutcome r = RunWith(in, 2);
    ASSERT_EQ(platform.questions.size(), 6u);
    std::vector<int> asked;
    for (std::size_t q = 0; q < 6; ++q) {
        const int file = AskedFile(platform.questions[q], 6);
        ASSERT_NE(file, -1) << platform.questions[q];
        asked.push_back(file);
        // Yes for the 1st, 3rd and 5th question; No keeps the old output.
        EXPECT_EQ(Output(file), q % 2 == 0 ? Converted(file) : "old");
    }
    EXPECT_EQ(asked, (std::vector<int>{5, 4, 3, 2, 1, 0}));  // the job's order, the last path first
    EXPECT_EQ(r.processed, 3);
    EXPECT_EQ(r.skipped, 3);
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_DONE, 3, 3}));
}

TEST_F(ParallelJobTest, InputsNamingTheSameOutputGetNumberedNamesWhateverTheJobCount) {
    // a.dsa and a.dsx would both become a.dsb; b.dsb is an input and would be the output of
    // b.dsa. Planned in the job's order (the last path first), every file gets its own output
    // and no input is replaced, one by one or several at once, even with overwriting on.
    for (const int jobs : {1, 4}) {
        SCOPED_TRACE(jobs);
        TempDir fresh;
        const auto in = [&](const std::string& name, const std::string& text) {
            WriteFile(fresh / name, text);
            return fresh / name;
        };
        std::vector<std::string> inputs = {in("a.dsa", "first"), in("b.dsb", "binary"), in("a.dsx", "second"),
                                           in("b.dsa", "text")};
        for (int k = 0; k < 6; ++k) inputs.push_back(in("x" + std::to_string(k) + ".dsa", "x"));
        job.settings.DefaultFileType = 1;
        job.settings.SilentlyOverwrite = 1;
        const JobOutcome r = RunWith(inputs, jobs);
        EXPECT_EQ(r.processed, 10);
        EXPECT_EQ(ReadFile(fresh / "a.dsb"), "out:second\n");
        EXPECT_EQ(ReadFile(fresh / "a(2).dsb"), "out:first\n");
        EXPECT_EQ(ReadFile(fresh / "b.dsb"), "binary");  // an input, never an output
        EXPECT_EQ(ReadFile(fresh / "b(2).dsb"), "out:text\n");
        EXPECT_EQ(ReadFile(fresh / "b(3).dsb"), "out:binary\n");
        EXPECT_TRUE(platform.questions.empty());
    }
}

TEST_F(ParallelJobTest, CancelEndsTheJobAndNothingIsAskedAfterIt) {
    const std::vector<std::string> in = Inputs(8);
    for (int k = 0; k < 8; ++k) WriteFile(dir / ("f" + std::to_string(k) + ".dsb"), "old");
    job.settings.DefaultFileType = 1;
    platform.overwriteAnswers = {OverwriteAnswer::Yes, OverwriteAnswer::Cancel};
    const JobOutcome r = RunWith(in, 3);
    EXPECT_EQ(r.end, JobOutcome::End::Cancelled);
    EXPECT_EQ(platform.questions.size(), 2u);
    EXPECT_EQ(r.processed, 1);
    // The file answered Yes is converted; every other output keeps its old contents.
    ASSERT_FALSE(platform.questions.empty());
    const int yes = AskedFile(platform.questions[0], 8);
    ASSERT_NE(yes, -1) << platform.questions[0];
    for (int k = 0; k < 8; ++k) EXPECT_EQ(Output(k), k == yes ? Converted(k) : "old") << k;
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_ABORTED, 1, 13}));
}

TEST_F(ParallelJobTest, StopFinishesTheFilesInProgressThenAborts) {
    const std::vector<std::string> in = Inputs(12);
    // f8 sets the stop while it loads. A file after it in the job's order that was started
    // before the stop was seen waits for the stop to be set, so that a worker held up by the
    // scheduler between starting f8 and loading it cannot let the others run to the end first.
    std::atomic<bool> stopSet{false};
    loader = [this, &stopSet](DataStore& ds, const std::string& path) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const int k = std::stoi(path.substr(path.rfind('f') + 1));
        if (k == 8) {
            platform.stop.Set();
            stopSet = true;
        }
        for (int wait = 0; k < 8 && !stopSet && wait < 5000; ++wait) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ds.title = "t";
        return true;
    };
    job.settings.DefaultFileType = 1;
    const JobOutcome r = RunWith(in, 2);
    EXPECT_EQ(r.end, JobOutcome::End::Stopped);
    // f11..f8 were started before the stop was set and are finished; whatever else was in
    // progress is finished too, and nothing is started after the stop was seen.
    EXPECT_GE(r.processed, 4);
    EXPECT_LT(r.processed, 12);
    ASSERT_EQ(static_cast<int>(parallelLoads.size()), r.processed);
    std::vector<std::string> expected(in.rbegin(), in.rbegin() + r.processed);
    std::vector<std::string> loaded = parallelLoads;
    std::sort(expected.begin(), expected.end());
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, expected);  // a prefix of the job's order
    int outputs = 0;
    for (const std::string& name : ListDir(dir.path())) {
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        outputs += name.ends_with(".dsb");
    }
    EXPECT_EQ(outputs, r.processed);
    const Posted last = platform.posted.back();
    EXPECT_EQ(last.message, WM_JOB_ABORTED);
    EXPECT_EQ(last.wParam, r.processed);
    EXPECT_TRUE(platform.sleeps.empty());
}

TEST_F(ParallelJobTest, ReadFailuresAreAskedInOrderAndCountedAsSkips) {
    const std::vector<std::string> in = Inputs(6);
    loader = [](DataStore& ds, const std::string& path) {
        if (path.find("f1.") != std::string::npos || path.find("f4.") != std::string::npos)
            throw std::runtime_error("The file is corrupt.\n");
        ds.title = "ok";
        return true;
    };
    job.settings.DefaultFileType = 0;
    platform.readAnswers = {FailureAnswer::Ok, FailureAnswer::Ok};
    const JobOutcome r = RunWith(in, 2);
    ASSERT_EQ(platform.questions.size(), 2u);
    EXPECT_NE(platform.questions[0].find("f4.dsa"), std::string::npos);
    EXPECT_NE(platform.questions[1].find("f1.dsa"), std::string::npos);
    EXPECT_EQ(r.processed, 4);
    EXPECT_EQ(r.skipped, 2);
    // Skips add nothing: four of six files make 67 percent, as in the sequential job.
    EXPECT_EQ(platform.posted.back(), (P{WM_JOB_DONE, 4, 2}));
    EXPECT_EQ(platform.posted.at(platform.posted.size() - 3), (P{WM_JOB_PROGRESS, 0, 67}));
}

}  // namespace
}  // namespace kyn::test

// The job on a worker thread, as the desktop program runs it, while another thread plays the
// progress window: it takes the posted messages, copies the status text on each progress message
// and presses Stop. Built with ThreadSanitizer (scripts/sanitize.sh thread) this shows that the
// status text and the stop signal are the only things the two threads share, and safely.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "JobTestSupport.h"

namespace kyn::test {
namespace {

// A platform whose messages cross to another thread through a queue; questions are answered at
// once (none is expected here).
class ThreadedPlatform : public JobPlatform {
public:
    void Post(JobMessage m, std::int64_t w, std::int64_t l) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queue_.push_back({m, w, l});
        }
        ready_.notify_one();
    }
    bool PollStop() override { return stop.Poll(); }
    OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::Yes; }
    FailureAnswer AskReadFailure(const std::string&) override { return FailureAnswer::Ok; }
    FailureAnswer AskSaveFailure(const std::string&) override { return FailureAnswer::Ok; }
    void SetStatusText(const std::string& text) override { status.Set(text); }
    bool IsRegularFile(const std::string& path) override { return std::filesystem::is_regular_file(path); }
    bool DeleteFile(const std::string& path) override { return std::filesystem::remove(path); }
    void Sleep(std::chrono::milliseconds) override {}

    // The next posted message, waiting at most a millisecond for one.
    std::optional<Posted> Take() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!ready_.wait_for(lock, std::chrono::milliseconds(1), [this] { return !queue_.empty(); }))
            return std::nullopt;
        const Posted p = queue_.front();
        queue_.pop_front();
        return p;
    }

    StatusText status;
    StopSignal stop;

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Posted> queue_;
};

struct Seen {
    std::vector<Posted> messages;
    std::set<std::string> statuses;
};

// The "window" side: reads messages until the job's last one; presses Stop (once) as soon as
// `pressNow` says so, then raises `pressed`.
Seen Watch(ThreadedPlatform& platform, const std::function<bool()>& pressNow = {},
           std::atomic<bool>* pressedFlag = nullptr) {
    Seen seen;
    bool pressed = false;
    for (;;) {
        if (!pressed && pressNow && pressNow()) {
            platform.stop.Set();
            pressed = true;
            if (pressedFlag) pressedFlag->store(true);
        }
        const std::optional<Posted> p = platform.Take();
        if (!p) continue;
        seen.messages.push_back(*p);
        if (p->message == WM_JOB_PROGRESS) seen.statuses.insert(platform.status.Get());
        if (p->message == WM_JOB_DONE || p->message == WM_JOB_ABORTED) return seen;
    }
}

using JobThreadSafety = JobTest;

TEST_F(JobThreadSafety, ProgressWindowOnAnotherThreadSeesWholeStatusTextsAndTheEnd) {
    const auto inputs = Inputs(60);
    job.paths.assign(inputs.begin(), inputs.end());
    job.DefaultFileType = 2;
    ThreadedPlatform threaded;
    JobOutcome outcome;
    std::thread worker([&] { outcome = RunConversionJob(job, threaded, formats); });
    const Seen seen = Watch(threaded);
    worker.join();

    EXPECT_EQ(outcome.processed, 60);
    EXPECT_EQ(seen.messages.front(), (Posted{WM_JOB_STARTED, 0, 60}));
    EXPECT_EQ(seen.messages.back(), (Posted{WM_JOB_DONE, 60, 0}));
    // Every text the window read is one the job wrote whole.
    for (const auto& s : seen.statuses) {
        const bool known = s == jobtext::kStartStatus || s == jobtext::kEndStatus ||
                           s.rfind("Working in directory: " + dir.path().string() + "/\r\n\r\nConverting:", 0) == 0;
        EXPECT_TRUE(known) << s;
    }
}

TEST_F(JobThreadSafety, StopFromTheWindowThreadEndsTheJobBetweenFiles) {
    const auto inputs = Inputs(60);
    job.paths.assign(inputs.begin(), inputs.end());
    job.DefaultFileType = 2;
    // The sixth file's writer waits until the window has pressed Stop, and the window presses it
    // only while that writer waits: the press lands during that file whatever the threads' speeds.
    std::atomic<bool> waiting{false}, pressed{false};
    int writes = 0;
    writer = [&](DataStore& ds, std::ostream& os) {
        if (++writes == 6) {
            waiting.store(true);
            while (!pressed.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        os << "out:" << ds.title << "\n";
    };
    ThreadedPlatform threaded;
    JobOutcome outcome;
    std::thread worker([&] { outcome = RunConversionJob(job, threaded, formats); });
    const Seen seen = Watch(threaded, [&] { return waiting.load(); }, &pressed);
    worker.join();

    // The file being written is finished; the stop is seen at the next poll.
    EXPECT_EQ(outcome.end, JobOutcome::End::Stopped);
    EXPECT_EQ(outcome.processed, 6);
    EXPECT_EQ(seen.messages.back(), (Posted{WM_JOB_ABORTED, 6, 10}));
    EXPECT_EQ(static_cast<int>(ListDir(dir.path()).size()), 60 + outcome.processed);
}

}  // namespace
}  // namespace kyn::test

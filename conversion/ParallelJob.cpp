// RunConversionJobParallel: the batch job with several files converted at once.
//
// Each worker thread takes the next file and converts it with the job's own per-file steps
// (JobSteps.h), in its own DataStore. The outputs of the whole job are planned before any worker
// starts: no output names another file's input, or another file's output, so files never meet
// on a path and any file may run beside any other. What the user sees stays the job's:
//  - Order. Files are started in the job's order (the last path first). The questions asked
//    before writing (read failure, overwrite) come one at a time in that same order: a file
//    waits for its turn until every file started before it is past its own question point.
//    Save-failure questions come one at a time as they arise. Status texts and progress
//    messages of files that run at the same time interleave.
//  - Counts. The counters and the progress are updated under one lock; the progress grows by
//    the same step per converted file, so the percentages and the summary are the sequential
//    job's.
//  - Stopping. The stop signal is polled, once, before each file is started. Once it is seen
//    (or Cancel is answered) no file is started any more, the files in progress are finished,
//    and then WM_JOB_ABORTED is posted. A file in progress that would still need a question is
//    left untouched and uncounted, since nothing is asked after the job was told to end.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "conversion/ConversionJob.h"
#include "conversion/JobSteps.h"

namespace kyn {

namespace {

// What the workers share besides the JobRun.
struct Shared {
    std::recursive_mutex lock;  // the platform, the counters and everything below
    std::condition_variable_any turnChanged;
    int nextFile = 0;  // job index of the next file to start; the job goes from the last down
    bool ending = false;
    JobOutcome::End end = JobOutcome::End::Done;
    std::vector<char> passed;  // by start position: past the question point
    std::size_t frontier = 0;  // first start position not yet past it
    std::exception_ptr failure;

    void End(JobOutcome::End why) {
        if (!ending) {
            ending = true;
            end = why;
        }
        turnChanged.notify_all();
    }
};

class ParallelGate : public jobsteps::FileGate {
public:
    ParallelGate(Shared& shared, std::size_t position) : shared_(shared), position_(position) {}

    std::optional<std::unique_lock<std::recursive_mutex>> Lock() override {
        return std::unique_lock<std::recursive_mutex>(shared_.lock);
    }

    bool AwaitTurn() override {
        std::unique_lock<std::recursive_mutex> l(shared_.lock);
        shared_.turnChanged.wait(l, [&] { return shared_.ending || shared_.frontier == position_; });
        return !shared_.ending;
    }

    void Passed() override {
        std::lock_guard<std::recursive_mutex> l(shared_.lock);
        if (shared_.passed[position_]) return;
        shared_.passed[position_] = 1;
        while (shared_.frontier < shared_.passed.size() && shared_.passed[shared_.frontier]) ++shared_.frontier;
        shared_.turnChanged.notify_all();
    }

    bool MayAsk() override {
        std::lock_guard<std::recursive_mutex> l(shared_.lock);
        return !shared_.ending;
    }

    void Cancel() override {
        std::lock_guard<std::recursive_mutex> l(shared_.lock);
        shared_.End(JobOutcome::End::Cancelled);
    }

private:
    Shared& shared_;
    std::size_t position_;
};

void Work(jobsteps::JobRun& run, Shared& shared) {
    for (;;) {
        int index = -1;
        std::size_t position = 0;
        // Taking a file and giving it its start position is one step under the lock, so that
        // files start, and ask, in the job's order.
        {
            std::lock_guard<std::recursive_mutex> l(shared.lock);
            if (shared.ending || shared.nextFile < 0) return;
            // Stopping is observed only here, before a file is started.
            if (run.platform.PollStop()) {
                shared.End(JobOutcome::End::Stopped);
                return;
            }
            index = shared.nextFile--;
            position = shared.passed.size();
            shared.passed.push_back(0);
        }
        ParallelGate gate(shared, position);
        jobsteps::FileEnd end = jobsteps::FileEnd::Next;
        try {
            end = jobsteps::ConvertFile(run, index, gate);
        } catch (...) {
            std::lock_guard<std::recursive_mutex> l(shared.lock);
            if (!shared.failure) shared.failure = std::current_exception();
            end = jobsteps::FileEnd::Cancel;
        }
        gate.Passed();
        if (end != jobsteps::FileEnd::Next) {
            std::lock_guard<std::recursive_mutex> l(shared.lock);
            shared.End(JobOutcome::End::Cancelled);
            return;
        }
    }
}

}  // namespace

int DefaultJobCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

JobOutcome RunConversionJobParallel(const ConversionJob& job, JobPlatform& platform, int jobs) {
    return RunConversionJobParallel(job, platform, DefaultJobFormats(), jobs);
}

JobOutcome RunConversionJobParallel(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats,
                                    int jobs) {
    if (jobs <= 1 || job.paths.size() <= 1) return RunConversionJob(job, platform, formats);
    jobsteps::JobRun run(job, platform, formats);
    Shared shared;
    shared.nextFile = static_cast<int>(job.paths.size()) - 1;
    shared.passed.reserve(job.paths.size());
    run.Start();
    const std::size_t workers = std::min(static_cast<std::size_t>(jobs), job.paths.size());
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(Work, std::ref(run), std::ref(shared));
    for (std::thread& t : threads) t.join();
    if (shared.failure) std::rethrow_exception(shared.failure);
    if (shared.ending) return run.Abort(shared.end);
    return run.Finish();
}

}  // namespace kyn

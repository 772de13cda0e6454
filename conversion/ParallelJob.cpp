// RunConversionJobParallel: the batch job with several files converted at once.
//
// Each worker thread takes the next group of files and converts them one by one with the job's
// own per-file steps (JobSteps.h), each file in its own DataStore. What the user sees stays the
// job's:
//  - Groups. Files that share a path, as input or as output (two inputs that name the same
//    output, an output that is another file's input, in-place conversion), form one group and
//    are converted by one worker in the job's order, so they meet exactly as in the sequential
//    job. Everything else is independent.
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
#include <filesystem>
#include <mutex>
#include <numeric>
#include <thread>
#include <unordered_map>
#include <vector>

#include "conversion/ConversionJob.h"
#include "conversion/JobSteps.h"
#include "conversion/OutputNaming.h"

namespace kyn {

namespace {

namespace fs = std::filesystem;

// Whether a '/'-separated path has a component that normalising would change: an empty one
// (a doubled or trailing separator), "." or "..".
bool NeedsNormalising(const std::string& path) {
    if constexpr (fs::path::preferred_separator != '/') return true;  // other separators: the library decides
    std::size_t start = path.empty() || path[0] != '/' ? 0 : 1;
    for (;;) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::size_t length = end - start;
        if (length == 0 || (length == 1 && path[start] == '.') ||
            (length == 2 && path[start] == '.' && path[start + 1] == '.'))
            return true;
        if (end == path.size()) return false;
        start = end + 1;
    }
}

// A path made absolute against `cwd` (looked up once for the whole batch) and normalised. Most
// paths of a batch are normal already and only get the folder in front; building and
// normalising a std::filesystem::path for each of ten thousand files would cost more than
// the workers gain in the first moments.
std::string PathKey(const std::string& path, const std::string& cwd) {
    std::string full = path;
    if (!cwd.empty() && (path.empty() || path[0] != '/')) full = cwd + '/' + path;
    if (!NeedsNormalising(full)) return full;
    return fs::path(full).lexically_normal().string();
}

// Groups of file indices in the job's order (highest index first), each group's files in the
// job's order too. Worked out from the names alone, before any worker starts: a file claims its
// input and every output name it could get (the "(2)" one as well), so a name decided only
// when the file is converted still lands in the right group.
std::vector<std::vector<int>> GroupFiles(const jobsteps::JobRun& run) {
    std::error_code ec;
    const std::string cwd = fs::current_path(ec).string();
    const int n = static_cast<int>(run.job.paths.size());
    std::vector<int> parent(static_cast<std::size_t>(n));
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](int i) {
        while (parent[static_cast<std::size_t>(i)] != i) {
            parent[static_cast<std::size_t>(i)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
            i = parent[static_cast<std::size_t>(i)];
        }
        return i;
    };
    std::unordered_map<std::string, int> owner;  // a path and the first file that uses it
    owner.reserve(static_cast<std::size_t>(n) * 3);
    const auto claim = [&](const std::string& key, int i) {
        const auto [it, fresh] = owner.emplace(key, i);
        if (!fresh) parent[static_cast<std::size_t>(find(i))] = find(it->second);
    };
    const std::string extension = run.target ? TargetExtension(*run.target, run.job.UseSensibleExtensions) : "";
    for (int i = n - 1; i >= 0; --i) {
        const std::string input = run.job.paths[static_cast<std::size_t>(i)].string();
        claim(PathKey(input, cwd), i);
        if (run.target) {
            for (const std::string& output : PossibleOutputPaths(input, extension, run.rules)) claim(PathKey(output, cwd), i);
        }
    }
    std::vector<std::vector<int>> groups;
    std::vector<int> slot(static_cast<std::size_t>(n), -1);  // by root: the group's index
    for (int i = n - 1; i >= 0; --i) {
        int& s = slot[static_cast<std::size_t>(find(i))];
        if (s < 0) {
            s = static_cast<int>(groups.size());
            groups.emplace_back();
        }
        groups[static_cast<std::size_t>(s)].push_back(i);
    }
    return groups;
}

// What the workers share besides the JobRun.
struct Shared {
    std::recursive_mutex lock;  // the platform, the counters and everything below
    std::condition_variable_any turnChanged;
    std::vector<std::vector<int>> groups;
    std::size_t nextGroup = 0;
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
        std::vector<int> group;
        std::size_t position = 0;
        // Taking a group and giving its first file its start position is one step under the lock,
        // so that files of independent groups start, and ask, in the job's order.
        const auto start = [&](bool takeGroup) {
            std::lock_guard<std::recursive_mutex> l(shared.lock);
            if (shared.ending) return false;
            if (takeGroup && shared.nextGroup == shared.groups.size()) return false;
            // Stopping is observed only here, before a file is started.
            if (run.platform.PollStop()) {
                shared.End(JobOutcome::End::Stopped);
                return false;
            }
            if (takeGroup) group = shared.groups[shared.nextGroup++];
            position = shared.passed.size();
            shared.passed.push_back(0);
            return true;
        };
        if (!start(true)) return;
        for (std::size_t k = 0; k < group.size(); ++k) {
            if (k > 0 && !start(false)) return;
            ParallelGate gate(shared, position);
            jobsteps::FileEnd end = jobsteps::FileEnd::Next;
            try {
                end = jobsteps::ConvertFile(run, group[k], gate);
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
    if (jobs <= 1) return RunConversionJob(job, platform, formats);
    jobsteps::JobRun run(job, platform, formats);
    Shared shared;
    shared.groups = GroupFiles(run);
    if (shared.groups.size() <= 1) return RunConversionJob(job, platform, formats);
    shared.passed.reserve(job.paths.size());
    run.Start();
    const std::size_t workers = std::min(static_cast<std::size_t>(jobs), shared.groups.size());
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (std::size_t w = 0; w < workers; ++w) threads.emplace_back(Work, std::ref(run), std::ref(shared));
    for (std::thread& t : threads) t.join();
    if (shared.failure) std::rethrow_exception(shared.failure);
    if (shared.ending) return run.Abort(shared.end);
    return run.Finish();
}

}  // namespace kyn

// JobPlatform: everything the conversion job needs from the world outside the data model.
//
// The job runs on a worker thread and talks to the user only through this interface: it posts
// job messages to a progress display, polls a stop signal, asks its three questions, hands over
// a status text, and uses a few file-system calls and a sleep. The desktop program, the command
// line and the tests each provide their own implementation.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kyn {

// Messages posted to the progress display, with their window-message values.
enum JobMessage : std::uint32_t {
    WM_JOB_ENABLE_STOP = 0x0590,  // wParam 0, lParam 1 = enable Stop, 0 = disable it
    WM_JOB_PROGRESS = 0x0591,     // wParam 0, lParam percent; the status text was just updated
    WM_JOB_ABORTED = 0x0592,      // wParam files processed, lParam percent
    WM_JOB_DONE = 0x0593,         // wParam files processed, lParam files skipped
    WM_JOB_STARTED = 0x0594,      // wParam 0, lParam number of files
};

// What the job is doing, as data: each front end words it its own way (the desktop program as the
// progress window's described sentence, jobtext::StatusSentence; the command line as its lines).
struct JobStatus {
    enum class Action {
        Starting,    // before the first file
        Converting,  // the input is being written into the output
        Skipping,    // the input is skipped (a failure answered with OK, No to overwriting)
        Finished,    // after the last file
    };
    Action action = Action::Starting;
    std::string directory;  // the input's folder ("." for a bare name)
    std::string input;      // the input's file name
    std::string output;     // the output's file name (converting)
    std::string reason;     // why a file is skipped, when the job knows ("" otherwise)
};

// What became of one input, as data: for reports (kynconvert --report) and result lists.
struct FileResult {
    enum class Outcome {
        Converted,              // written with everything it held
        ConvertedWithWarnings,  // written without all of its data (`warnings` says what)
        Skipped,                // not written: its output exists and was not to be replaced
        Failed,                 // it could not be read, or its output could not be saved (`reason`)
        PassedOver,             // not taken up: not a regular file, not openable, named twice, ...
    };
    std::string input;
    std::string output;       // the output path ("" for an input that was never read)
    std::string format;       // the input's format, once loaded
    std::string target;       // the target's --to key ("" for a target the table does not know)
    Outcome outcome = Outcome::Converted;
    std::string reason;       // why it was not converted, when known
    std::vector<std::string> warnings;
    bool verified = false;    // the output was read back and matched its data (a verifying job)
    std::int64_t values = 0;  // values of the loaded store
    std::int64_t bytes = 0;   // bytes of the written output
    double seconds = 0.0;     // from taking the input up to its end
};

// The outcome's name in reports: "converted", "converted with warnings", "skipped", "failed",
// "passed over".
const char* OutcomeName(FileResult::Outcome outcome);

// Calls visit(key, value) for each field of a result under its report key, in the report's order:
// the one list of keys behind kynconvert --report and the Python package's results.
template <typename Visit>
void VisitResult(const FileResult& r, Visit&& visit) {
    visit("input", r.input);
    visit("output", r.output);
    visit("format", r.format);
    visit("target", r.target);
    visit("outcome", std::string(OutcomeName(r.outcome)));
    visit("reason", r.reason);
    visit("warnings", r.warnings);
    visit("verified", r.verified);
    visit("values", r.values);
    visit("bytes", r.bytes);
    visit("seconds", r.seconds);
}

enum class OverwriteAnswer { Yes, No, Cancel };
enum class FailureAnswer { Ok, Cancel };

class JobPlatform {
public:
    virtual ~JobPlatform() = default;

    // Posts a message to the progress display without waiting; dropped when there is none.
    virtual void Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) = 0;
    // True when the stop signal is set; resets it (one setting stops one poll). Never waits.
    virtual bool PollStop() = 0;
    // Modal questions; the job waits for the answer. `text` is the full message.
    virtual OverwriteAnswer AskOverwrite(const std::string& text) = 0;
    virtual FailureAnswer AskReadFailure(const std::string& text) = 0;
    // The save of `outputPath` failed; `reason` says why when that is known: the writer's refusal
    // ("VarnixStore cannot hold ...") or the operating system's text ("No space left on device").
    virtual FailureAnswer AskSaveFailure(const std::string& text, const std::string& outputPath,
                                         const std::string& reason) = 0;
    // Replaces the status; the display reads it when it handles the next WM_JOB_PROGRESS.
    virtual void SetStatus(const JobStatus& status) = 0;
    // Deletes a file; the job ignores the result. By default removes it from the file system.
    virtual bool DeleteFile(const std::string& path);
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
    // An input that the job passes over without counting it (it cannot be opened, it is not a
    // regular file, it was named before in the job, or the target is not in the table). The
    // desktop program shows nothing; the command line reports it.
    virtual void PassedOver(const std::string& /*path*/, const std::string& /*reason*/) {}
    // A file written, but without all of its data (the target could not hold them): what was
    // lost, one sentence each, and whether the original was kept although its deletion was asked.
    virtual void ConvertedWithWarnings(const std::string& /*input*/, const std::string& /*output*/,
                                       const std::vector<std::string>& /*warnings*/, bool /*originalKept*/) {}
    // Once for each input the job took up, when it is done with it (after the calls above). Inputs
    // left when a job is stopped or cancelled get none.
    virtual void FileDone(const FileResult& /*result*/) {}
};

// The status shared by the worker and the display: every read sees one whole status.
class SharedStatus {
public:
    void Set(JobStatus status) {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = std::move(status);
    }
    JobStatus Get() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return status_;
    }

private:
    mutable std::mutex mutex_;
    JobStatus status_;
};

// An auto-reset stop signal: Set from any thread (also from a signal handler, the flag being a
// lock-free atomic), Poll consumes one setting.
class StopSignal {
public:
    void Set() noexcept { flag_.store(true); }
    void Reset() noexcept { flag_.store(false); }
    bool Poll() noexcept { return flag_.exchange(false); }

private:
    std::atomic<bool> flag_{false};
    static_assert(std::atomic<bool>::is_always_lock_free);
};

}  // namespace kyn

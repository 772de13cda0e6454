// The steps of the batch job for one file, shared by the sequential job (RunConversionJob) and
// the parallel one (RunConversionJobParallel), so that the job's logic lives in one place.
//
// JobRun holds what one run of a job shares between its files: the platform, the target, the
// counters and the progress. ConvertFile does everything the job does for one input: naming,
// the test open, loading into a fresh DataStore, the overwrite question, writing through a safe
// output, the failure questions, deleting the original and counting. It reaches the shared state
// and the platform only under the FileGate's lock, and asks its questions only when the gate
// gives it its turn; the plain FileGate of the sequential job does neither (one thread, one file
// at a time).
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "conversion/ConversionJob.h"
#include "conversion/OutputNaming.h"

namespace kyn::jobsteps {

struct JobRun {
    JobRun(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats);

    // The messages and status texts before the first file, after the last one, and on an abort.
    void Start();
    JobOutcome Finish();
    JobOutcome Abort(JobOutcome::End end);

    // Skipped and passed-over files add nothing, so a job with skips ends below 100.
    std::int64_t Percent() const { return static_cast<std::int64_t>(progress + 0.5f); }

    const ConversionJob& job;
    JobPlatform& platform;
    const JobFormats& formats;
    const TargetFormat* target;
    const WriterOptions writerOptions;
    const NamingRules rules;
    // Every file's output, planned before the first is written (job index).
    const std::vector<FilePlan> plans;
    JobOutcome outcome;
    float step = 0.0f;
    float progress = 0.0f;
};

enum class FileEnd {
    Next,     // converted, skipped or passed over: go on with the next file
    Cancel,   // the user answered Cancel: the job ends
    Dropped,  // the job is ending and this file needed a question: left untouched and uncounted
};

// How one file's steps meet the other files of the job. The sequential job uses this class as
// it is: no lock, every question asked at once.
class FileGate {
public:
    virtual ~FileGate() = default;
    // Held while the file touches the platform or the shared counters.
    // The lock may be taken again by the same thread (MayAsk and Cancel under it).
    virtual std::optional<std::unique_lock<std::recursive_mutex>> Lock() { return std::nullopt; }
    // Waits until the file may ask its question before writing (read failure or overwrite);
    // false when the job is ending and nothing more may be asked.
    virtual bool AwaitTurn() { return true; }
    // The file is past the point where it could ask before writing.
    virtual void Passed() {}
    // Whether a question may still be asked (asked under the lock, right before asking).
    virtual bool MayAsk() { return true; }
    // The user answered Cancel: the job ends, whatever other files are doing (called before the
    // file passes its turn on, so that no later question slips in).
    virtual void Cancel() {}
};

// One file of the job, by its index in job.paths.
FileEnd ConvertFile(JobRun& run, int index, FileGate& gate);

}  // namespace kyn::jobsteps

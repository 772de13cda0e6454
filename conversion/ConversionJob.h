// The batch conversion job: loads each input into a fresh DataStore, names the output, asks
// before overwriting, writes the target format and counts files processed and skipped.
//
// RunConversionJob runs on a worker thread (or the command line's main thread) and reaches the
// user only through a JobPlatform. The loader and the target table are passed in, so that tests
// can drive every path of the job with loaders and writers of their own.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "conversion/ConversionSettings.h"
#include "conversion/JobPlatform.h"
#include "conversion/TargetFormat.h"

namespace kyn {

class DataStore;

// The record handed to the worker: a copy of the settings taken when the job starts (a job runs
// with the settings in force when it began), and the input paths.
struct ConversionJob {
    ConversionSettings settings;
    std::vector<std::filesystem::path> paths;
    // Where the outputs go; empty puts each next to its input.
    std::string OutputDirectory;
    // Each output is read back and compared with the data before it gets its name; one that
    // differs is removed (any file of its name, and the input, are kept) and the file fails.
    bool Verify = false;
    // When given (one for each path), the output paths instead of the names the job would plan:
    // for a job that is one part of a larger batch planned as a whole. Whether each exists is
    // looked up as for planned names; an input named twice still gets one output.
    std::vector<std::string> OutputPaths;

    static ConversionJob FromSettings(const ConversionSettings& settings,
                                      std::vector<std::filesystem::path> paths = {});
};

// Fills a fresh DataStore from a file. False, or an exception whose what() is the reason, when
// the file cannot be read.
using JobLoader = std::function<bool(DataStore&, const std::string& path)>;

// Runs a load and turns what it throws into the reason a user is given (memory running out as
// jobtext::kOutOfMemory, anything unknown as a corrupt file); false when nothing usable was read.
bool LoadWithReason(const std::function<bool()>& load, std::string& reason);

struct JobFormats {
    JobLoader load;
    const TargetTable* targets = nullptr;
};

// DataStore::Load (header-only off) and the real target table.
JobFormats DefaultJobFormats();

struct JobOutcome {
    enum class End { Done, Stopped, Cancelled };
    int processed = 0;     // written (with warnings too)
    int withWarnings = 0;  // of those, written without all of their data
    int skipped = 0;
    int passedOver = 0;    // inputs that could not be opened, not regular files, named twice, or
                           // a target not in the table
    int duplicates = 0;    // of those, inputs named before in the job (their file was converted)
    End end = End::Done;
};

JobOutcome RunConversionJob(const ConversionJob& job, JobPlatform& platform);
JobOutcome RunConversionJob(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats);

// The same job with up to `jobs` files converted at once, each in its own DataStore and on its
// own thread (ParallelJob.cpp says what the user sees then). `jobs` of 1 or less, or a job of one
// file, runs RunConversionJob itself. The platform is only ever called by one thread at a time.
JobOutcome RunConversionJobParallel(const ConversionJob& job, JobPlatform& platform, int jobs);
JobOutcome RunConversionJobParallel(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats,
                                    int jobs);
// The number of cores, at least 1.
int DefaultJobCount();

// The texts of the job, exactly as shown.
namespace jobtext {
// The reason shown when memory runs out while a file is read.
inline constexpr const char* kOutOfMemory = "There is not enough memory to read this file.\n";
// The progress window's status text for a status: "Working in directory:" at the start, the
// Converting and Skipping texts with the folder, "Working in directory: " and three line ends at
// the end.
std::string StatusSentence(const JobStatus& status);
std::string OverwriteQuestion(const std::string& inputName, const std::string& outputName);
std::string ReadFailure(const std::string& inputPath, const std::string& reason);
std::string SaveFailure(const std::string& outputName);
// The reason given when an in-place conversion would lose data.
std::string KeptInPlace(const std::vector<std::string>& losses);
// The reason given when a verifying job finds that an output does not read back as its data.
std::string NotVerified(const std::string& difference);
}  // namespace jobtext

}  // namespace kyn

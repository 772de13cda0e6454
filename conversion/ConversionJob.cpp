#include "conversion/ConversionJob.h"

#include <chrono>
#include <filesystem>
#include "conversion/JobSteps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

#include "conversion/OutputNaming.h"
#include "conversion/SafeOutput.h"
#include "conversion/VerifyOutput.h"
#include "datastore/DataStore.h"
#include "datastore/Errors.h"
#include "formats/Load.h"

namespace kyn {

ConversionJob ConversionJob::FromSettings(const ConversionSettings& s, std::vector<std::filesystem::path> paths) {
    ConversionJob job;
    job.settings = s;
    job.paths = std::move(paths);
    return job;
}

JobFormats DefaultJobFormats() {
    JobFormats f;
    f.load = [](DataStore& ds, const std::string& path) { return ds.Load(path, false); };
    f.targets = &TargetFormats();
    return f;
}

namespace jobtext {

std::string StatusSentence(const JobStatus& s) {
    switch (s.action) {
        case JobStatus::Action::Starting:
            return "Working in directory:";
        case JobStatus::Action::Converting:
            return "Working in directory: " + s.directory + kPathSeparator + "\r\n\r\nConverting:\r\nFrom: '" +
                   s.input + "' into '" + s.output + "'.\r\n";
        case JobStatus::Action::Skipping:
            return "Working in directory: " + s.directory + kPathSeparator + "\r\n\r\nSkipping: '" + s.input +
                   "'.\r\n";
        case JobStatus::Action::Finished:
            break;
    }
    return "Working in directory: \r\n\r\n\r\n";
}

std::string OverwriteQuestion(const std::string& inputName, const std::string& outputName) {
    return "Error converting " + inputName + " to " + outputName + ".\n\nA file called " + outputName +
           " already exists in the target directory.\n\nOverwrite?";
}

std::string ReadFailure(const std::string& inputPath, const std::string& reason) {
    if (reason.empty())
        return "Sorry, KYNDataConverter was unable to read the file " + inputPath +
               ".\n\nClick on OK to continue or Cancel to abort.";
    return "Sorry, KYNDataConverter was unable to read the file " + inputPath + " for the following reason:\n\n\t" +
           reason + "\nClick on OK to continue or Cancel to abort.";
}

std::string SaveFailure(const std::string& outputName) {
    return "Sorry, KYNDataConverter was unable to save the file " + outputName +
           ".\n\nThe data might me incompatible with the chosen file format.\n\nClick on OK to continue or Cancel "
           "to abort.";
}

}  // namespace jobtext

JobOutcome RunConversionJob(const ConversionJob& job, JobPlatform& platform) {
    return RunConversionJob(job, platform, DefaultJobFormats());
}

namespace {

// Why an input cannot be read, or "" when it can. What is not a regular file is told by what it
// is (the mode the plan looked up), before it is opened: a named pipe would keep the job waiting
// for a writer, and a device may never end. A regular file is opened without waiting and looked
// at again through the open file, so a name swapped for a pipe meanwhile cannot block either.
std::string WhyUnreadable(const std::string& path, unsigned plannedMode) {
    const std::string kind = plannedMode != 0 ? KindOfFile(plannedMode) : std::string();
    if (!kind.empty()) return "it is " + kind + ", not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    // The system's own words say why: missing, not permitted, a loop of links, a name too long.
    if (fd < 0) return std::string("it cannot be opened for reading (") + std::strerror(errno) + ")";
    struct stat st {};
    const bool looked = ::fstat(fd, &st) == 0;
    const int lookError = errno;
    ::close(fd);
    if (!looked) return std::string("it cannot be opened for reading (") + std::strerror(lookError) + ")";
    const std::string swapped = KindOfFile(st.st_mode);
    if (!swapped.empty()) return "it is " + swapped + ", not a regular file";
    return {};
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : "; ") + p;
    return text;
}

}  // namespace

bool LoadWithReason(const std::function<bool()>& load, std::string& reason) {
    try {
        // A loader that returns false has left its stream failed: nothing usable was read, even
        // though there is no reason to show.
        return load();
    } catch (const std::bad_alloc&) {
        // A legitimate file too large for the memory at hand: a clear reason instead of the
        // library's own text, and a batch goes on with the next file.
        reason = jobtext::kOutOfMemory;
    } catch (const std::length_error&) {
        reason = jobtext::kOutOfMemory;
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = msg::kFileCorrupt;
    }
    return false;
}

const char* OutcomeName(FileResult::Outcome outcome) {
    switch (outcome) {
        case FileResult::Outcome::Converted: return "converted";
        case FileResult::Outcome::ConvertedWithWarnings: return "converted with warnings";
        case FileResult::Outcome::Skipped: return "skipped";
        case FileResult::Outcome::Failed: return "failed";
        case FileResult::Outcome::PassedOver: return "passed over";
    }
    return "";
}

namespace jobtext {

std::string NotVerified(const std::string& difference) {
    return "the written file did not read back as its data (" + difference + "), so it was removed";
}

std::string KeptInPlace(const std::vector<std::string>& losses) {
    return "converting it in place would lose data (" + Joined(losses) + "), so the original was kept";
}

}  // namespace jobtext

namespace jobsteps {

namespace {

// Every file's output: the job's plan, or the paths it was given.
std::vector<FilePlan> PlanFiles(const ConversionJob& job, const TargetFormat* target, const NamingRules& rules) {
    if (!target) return std::vector<FilePlan>(job.paths.size());
    std::vector<FilePlan> plans =
        PlanJobOutputs(job.paths, TargetExtension(*target, job.settings.UseSensibleExtensions), rules);
    if (job.OutputPaths.size() != job.paths.size()) return plans;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        OutputPlan& names = plans[i].names;
        if (plans[i].duplicateOf >= 0) continue;
        names.outputPath = job.OutputPaths[i];
        names.outputName = names.outputPath.substr(NameStart(names.outputPath));
        names.inPlace = SameFile(job.paths[i].string(), names.outputPath);
        struct stat st {};
        plans[i].outputMode = ::stat(names.outputPath.c_str(), &st) == 0 ? st.st_mode : 0;
    }
    return plans;
}

}  // namespace

JobRun::JobRun(const ConversionJob& j, JobPlatform& p, const JobFormats& f)
    : job(j),
      platform(p),
      formats(f),
      target(f.targets ? FindTarget(*f.targets, j.settings.DefaultFileType) : nullptr),
      writerOptions{j.settings.StripHeaderInformation, j.settings.SaveExtraInfo, j.settings.EuroLocale, nullptr},
      rules{j.settings.StripAcornFileTypes, j.settings.SaveInPlace, j.OutputDirectory},
      plans(PlanFiles(j, target, rules)) {
    const int n = static_cast<int>(j.paths.size());
    step = n != 0 ? 100.0f / static_cast<float>(n) : 0.0f;
}

void JobRun::Start() {
    const int n = static_cast<int>(job.paths.size());
    platform.Post(WM_JOB_STARTED, 0, n);
    if (n > 1) platform.Post(WM_JOB_ENABLE_STOP, 0, 1);
    platform.SetStatus({JobStatus::Action::Starting, {}, {}, {}, {}});
    platform.Post(WM_JOB_PROGRESS, 0, 0);
}

JobOutcome JobRun::Abort(JobOutcome::End end) {
    platform.Post(WM_JOB_ABORTED, outcome.processed, Percent());
    outcome.end = end;
    return outcome;
}

JobOutcome JobRun::Finish() {
    platform.SetStatus({JobStatus::Action::Finished, {}, {}, {}, {}});
    platform.Post(WM_JOB_PROGRESS, 0, Percent());
    platform.Post(WM_JOB_ENABLE_STOP, 0, 0);
    platform.Sleep(std::chrono::milliseconds(250));
    platform.Post(WM_JOB_DONE, outcome.processed, outcome.skipped);
    return outcome;
}

namespace {

// One file on its way through the job: its input, its planned output and what it asks.
class FileSteps {
public:
    FileSteps(JobRun& run, int index, FileGate& gate)
        : run_(run),
          platform_(run.platform),
          gate_(gate),
          input_(run.job.paths[static_cast<std::size_t>(index)].string()),
          plan_(run.plans[static_cast<std::size_t>(index)]) {}

    FileEnd Run();

private:
    FileEnd PassOver(const std::string& reason, bool duplicate = false);
    // Counts the file as skipped; `failed` when it could not be read or saved (not by choice).
    FileEnd Skip(bool failed);
    // The result of this file, to the platform (under the gate's lock).
    void Report(FileResult::Outcome outcome, const std::vector<std::string>& warnings = {});
    // The input in a fresh DataStore; null after a failed load (with the reason in `error`).
    std::unique_ptr<DataStore> Load(std::string& error);
    FileEnd AfterReadFailure(const std::string& error);
    // Asks one question, one at a time across the job's files: in the job's order when `inTurn`
    // (the questions before writing), and nothing once the job is ending. An answer of `cancel`
    // ends the job before the file passes its turn on, so that no later question slips in.
    template <typename Answer, typename Question>
    std::optional<Answer> Ask(bool inTurn, Answer cancel, Question&& question);
    // The overwrite question, in the job's order; nullopt when nothing may be asked any more.
    std::optional<OverwriteAnswer> AskOverwrite(bool inTurn);
    // Writes the store into the safe output; false with `reason_` when the writer failed.
    bool Write(DataStore& store, SafeOutputFile& output, LossNotes& losses);
    // Moves the written file to its name; a name that appeared meanwhile is asked about.
    std::optional<FileEnd> Commit(SafeOutputFile& output, bool mayReplace);
    FileEnd AfterSaveFailure();
    FileEnd Converted(const LossNotes& losses);

    JobRun& run_;
    JobPlatform& platform_;
    FileGate& gate_;
    const std::string input_;
    const FilePlan& plan_;
    std::string reason_;  // why the file failed, when known
    std::string format_;  // the input's format, once loaded
    std::int64_t values_ = 0;
    bool verified_ = false;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

void FileSteps::Report(FileResult::Outcome outcome, const std::vector<std::string>& warnings) {
    FileResult r;
    r.input = input_;
    if (!format_.empty()) r.output = plan_.names.outputPath;  // an input never read has no output
    r.format = format_;
    r.target = run_.target ? run_.target->key : "";
    r.outcome = outcome;
    r.reason = reason_;
    while (!r.reason.empty() && r.reason.back() == '\n') r.reason.pop_back();
    for (char& c : r.reason)
        if (c == '\n') c = ' ';
    r.warnings = warnings;
    r.verified = verified_;
    r.values = values_;
    if (outcome == FileResult::Outcome::Converted || outcome == FileResult::Outcome::ConvertedWithWarnings) {
        std::error_code error;
        const auto size = std::filesystem::file_size(plan_.names.outputPath, error);
        if (!error) r.bytes = static_cast<std::int64_t>(size);
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    platform_.FileDone(r);
}

FileEnd FileSteps::PassOver(const std::string& reason, bool duplicate) {
    gate_.Passed();
    const auto lock = gate_.Lock();
    ++run_.outcome.passedOver;
    if (duplicate) ++run_.outcome.duplicates;
    platform_.PassedOver(input_, reason);
    reason_ = reason;
    Report(FileResult::Outcome::PassedOver);
    return FileEnd::Next;
}

FileEnd FileSteps::Skip(bool failed) {
    const auto lock = gate_.Lock();
    ++run_.outcome.skipped;
    platform_.SetStatus({JobStatus::Action::Skipping, plan_.names.directory, plan_.names.inputName, {}, reason_});
    platform_.Post(WM_JOB_PROGRESS, 0, run_.Percent());
    if (!failed && reason_.empty()) reason_ = "the output exists and was not replaced";
    Report(failed ? FileResult::Outcome::Failed : FileResult::Outcome::Skipped);
    return FileEnd::Next;
}

std::unique_ptr<DataStore> FileSteps::Load(std::string& error) {
    auto store = std::make_unique<DataStore>(true);
    if (!LoadWithReason([&] { return run_.formats.load(*store, input_); }, error)) store.reset();
    return store;
}

FileEnd FileSteps::AfterReadFailure(const std::string& error) {
    reason_ = error;
    if (run_.job.settings.SkipBadFilesSilently != 0) {
        gate_.Passed();
        return Skip(true);
    }
    const std::optional<FailureAnswer> answer =
        Ask(true, FailureAnswer::Cancel, [&] { return platform_.AskReadFailure(jobtext::ReadFailure(input_, error)); });
    if (!answer) return FileEnd::Dropped;
    gate_.Passed();
    return *answer == FailureAnswer::Ok ? Skip(true) : FileEnd::Cancel;
}

template <typename Answer, typename Question>
std::optional<Answer> FileSteps::Ask(bool inTurn, Answer cancel, Question&& question) {
    if (inTurn && !gate_.AwaitTurn()) return std::nullopt;
    const auto lock = gate_.Lock();
    if (!gate_.MayAsk()) return std::nullopt;
    const Answer answer = question();
    if (answer == cancel) gate_.Cancel();
    return answer;
}

std::optional<OverwriteAnswer> FileSteps::AskOverwrite(bool inTurn) {
    return Ask(inTurn, OverwriteAnswer::Cancel, [&] {
        return platform_.AskOverwrite(jobtext::OverwriteQuestion(plan_.names.inputName, plan_.names.outputName));
    });
}

bool FileSteps::Write(DataStore& store, SafeOutputFile& output, LossNotes& losses) {
    if (!output.Open(plan_.names.outputPath, run_.target->mode)) {
        reason_ = output.Error();
        return false;
    }
    WriterOptions options = run_.writerOptions;
    options.losses = &losses;
    // A write that fails leaves its reason in errno (a full disk); nothing before it may.
    errno = 0;
    try {
        run_.target->write(store, output.Stream(), options);
    } catch (const std::exception& e) {
        reason_ = e.what();
        output.Stream().setstate(std::ios_base::failbit);
    } catch (...) {
        output.Stream().setstate(std::ios_base::failbit);
    }
    if (!output.Close()) {
        if (reason_.empty()) reason_ = output.Error();
        return false;
    }
    return true;
}

std::optional<FileEnd> FileSteps::Commit(SafeOutputFile& output, bool mayReplace) {
    SafeOutputFile::CommitResult result = output.Commit(mayReplace);
    if (result == SafeOutputFile::CommitResult::TargetExists) {
        // The output appeared after it was looked for: it is an existing file like any other,
        // replaced only when that is allowed.
        const std::optional<OverwriteAnswer> answer = AskOverwrite(false);
        if (!answer) return FileEnd::Dropped;
        if (*answer == OverwriteAnswer::No) return Skip(false);
        if (*answer == OverwriteAnswer::Cancel) return FileEnd::Cancel;
        result = output.Commit(true);
    }
    if (result == SafeOutputFile::CommitResult::Failed) {
        if (reason_.empty()) reason_ = output.Error();
        return AfterSaveFailure();
    }
    return std::nullopt;
}

FileEnd FileSteps::AfterSaveFailure() {
    const std::optional<FailureAnswer> answer = Ask(false, FailureAnswer::Cancel, [&] {
        return platform_.AskSaveFailure(jobtext::SaveFailure(plan_.names.outputName), plan_.names.outputPath, reason_);
    });
    if (!answer) return FileEnd::Dropped;
    return *answer == FailureAnswer::Ok ? Skip(true) : FileEnd::Cancel;
}

FileEnd FileSteps::Converted(const LossNotes& losses) {
    const auto lock = gate_.Lock();
    // An original goes only when its output holds everything it held, and never when the output
    // is the input file itself under another spelling (a case-insensitive file system).
    const bool deleteAsked = run_.job.settings.DeleteOriginals == 1 && run_.job.settings.SaveInPlace == 0;
    if (deleteAsked && losses.empty() && !SameFile(input_, plan_.names.outputPath)) platform_.DeleteFile(input_);
    ++run_.outcome.processed;
    if (!losses.empty()) {
        ++run_.outcome.withWarnings;
        platform_.ConvertedWithWarnings(input_, plan_.names.outputPath, losses, deleteAsked);
    }
    Report(losses.empty() ? FileResult::Outcome::Converted : FileResult::Outcome::ConvertedWithWarnings, losses);
    run_.progress += run_.step;
    platform_.Post(WM_JOB_PROGRESS, 0, run_.Percent());
    return FileEnd::Next;
}

FileEnd FileSteps::Run() {
    // A target index that the table does not know (only stored settings can hold one) converts
    // nothing: the file is passed over before it is touched, and no output is made.
    if (!run_.target) return PassOver("the target format " + std::to_string(run_.job.settings.DefaultFileType) + " is not known");
    if (plan_.duplicateOf >= 0) return PassOver("it is named earlier in this job", true);
    if (const std::string why = WhyUnreadable(input_, plan_.inputMode); !why.empty()) return PassOver(why);

    std::string error;
    std::unique_ptr<DataStore> store = Load(error);
    if (!store) return AfterReadFailure(error);
    format_ = ReadFormatName(*store);
    values_ = store->ValueCount();

    // An output that existed when the job was planned is asked about now; one that appears after
    // that is asked about when the finished file is moved to its name (Commit).
    const bool exists = run_.job.settings.SilentlyOverwrite == 0 && S_ISREG(plan_.outputMode);
    if (exists) {
        const std::optional<OverwriteAnswer> answer = AskOverwrite(true);
        if (!answer) return FileEnd::Dropped;
        gate_.Passed();
        if (*answer == OverwriteAnswer::No) return Skip(false);
        if (*answer == OverwriteAnswer::Cancel) return FileEnd::Cancel;
    } else {
        gate_.Passed();
    }
    {
        const auto lock = gate_.Lock();
        platform_.SetStatus({JobStatus::Action::Converting, plan_.names.directory, plan_.names.inputName,
                             plan_.names.outputName, {}});
        platform_.Post(WM_JOB_PROGRESS, 0, run_.Percent());
    }

    SafeOutputFile output;
    LossNotes losses;
    const bool written = Write(*store, output, losses);
    if (!written) return AfterSaveFailure();
    // In place, the output replaces the original: one that could not hold everything is not
    // written at all.
    if (plan_.names.inPlace && !losses.empty()) {
        output.Discard();
        reason_ = jobtext::KeptInPlace(losses);
        return AfterSaveFailure();
    }
    // Checked while it is still the temporary: an output that does not read back as its data
    // never takes the name, so whatever held the name (in place, the input) stays as it was.
    if (run_.job.Verify) {
        std::string why;
        try {
            why = VerifyOutput(output.TemporaryPath(), *run_.target, *store, run_.writerOptions);
        } catch (const std::exception& e) {
            why = e.what();
        }
        if (!why.empty()) {
            output.Discard();
            reason_ = jobtext::NotVerified(why);
            return AfterSaveFailure();
        }
        verified_ = true;
    }
    store.reset();
    // An existing output is replaced only when overwriting was chosen, silently or by answer.
    if (const std::optional<FileEnd> end = Commit(output, run_.job.settings.SilentlyOverwrite != 0 || exists)) return *end;
    return Converted(losses);
}

}  // namespace

FileEnd ConvertFile(JobRun& run, int index, FileGate& gate) {
    FileSteps file(run, index, gate);
    return file.Run();
}

}  // namespace jobsteps

JobOutcome RunConversionJob(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats) {
    jobsteps::JobRun run(job, platform, formats);
    run.Start();
    jobsteps::FileGate sequential;
    for (int i = static_cast<int>(job.paths.size()) - 1; i >= 0; --i) {
        // Stopping is observed only here, between files.
        if (platform.PollStop()) return run.Abort(JobOutcome::End::Stopped);
        if (jobsteps::ConvertFile(run, i, sequential) == jobsteps::FileEnd::Cancel)
            return run.Abort(JobOutcome::End::Cancelled);
    }
    return run.Finish();
}

}  // namespace kyn

#include "conversion/ConversionJob.h"
#include "conversion/JobSteps.h"

#include <fstream>
#include <memory>
#include <new>
#include <stdexcept>

#include "conversion/OutputNaming.h"
#include "conversion/SafeOutput.h"
#include "datastore/DataStore.h"
#include "datastore/Errors.h"

namespace kyn {

ConversionJob ConversionJob::FromSettings(const ConversionSettings& s, std::vector<std::filesystem::path> paths) {
    ConversionJob job;
    job.SkipBadFilesSilently = s.SkipBadFilesSilently;
    job.DefaultFileType = s.DefaultFileType;
    job.EuroLocale = s.EuroLocale;
    job.StripHeaderInformation = s.StripHeaderInformation;
    job.SaveExtraInfo = s.SaveExtraInfo;
    job.UseSensibleExtensions = s.UseSensibleExtensions;
    job.DeleteOriginals = s.DeleteOriginals;
    job.SaveInPlace = s.SaveInPlace;
    job.StripAcornFileTypes = s.StripAcornFileTypes;
    job.SilentlyOverwrite = s.SilentlyOverwrite;
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

std::string Converting(const std::string& directory, const std::string& inputName, const std::string& outputName) {
    return "Working in directory: " + directory + kPathSeparator + "\r\n\r\nConverting:\r\nFrom: '" + inputName +
           "' into '" + outputName + "'.\r\n";
}

std::string Skipping(const std::string& directory, const std::string& inputName) {
    return "Working in directory: " + directory + kPathSeparator + "\r\n\r\nSkipping: '" + inputName + "'.\r\n";
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

// A folder opens as a stream on POSIX systems, but it is never a measurement file: it is passed
// over like any other input that cannot be read.
bool CanOpenForReading(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream test(path, std::ios_base::in | std::ios_base::binary);
    return test.is_open();
}

}  // namespace

namespace jobsteps {

JobRun::JobRun(const ConversionJob& j, JobPlatform& p, const JobFormats& f)
    : job(j),
      platform(p),
      formats(f),
      target(f.targets ? FindTarget(*f.targets, j.DefaultFileType) : nullptr),
      writerOptions{j.StripHeaderInformation, j.SaveExtraInfo, j.EuroLocale},
      rules{j.StripAcornFileTypes, j.SaveInPlace, j.OutputDirectory} {
    const int n = static_cast<int>(j.paths.size());
    step = n != 0 ? 100.0f / static_cast<float>(n) : 0.0f;
}

void JobRun::Start() {
    const int n = static_cast<int>(job.paths.size());
    platform.Post(WM_JOB_STARTED, 0, n);
    if (n > 1) platform.Post(WM_JOB_ENABLE_STOP, 0, 1);
    platform.SetStatusText(jobtext::kStartStatus);
    platform.Post(WM_JOB_PROGRESS, 0, 0);
}

JobOutcome JobRun::Abort(JobOutcome::End end) {
    platform.Post(WM_JOB_ABORTED, outcome.processed, Percent());
    outcome.end = end;
    return outcome;
}

JobOutcome JobRun::Finish() {
    platform.SetStatusText(jobtext::kEndStatus);
    platform.Post(WM_JOB_PROGRESS, 0, Percent());
    platform.Post(WM_JOB_ENABLE_STOP, 0, 0);
    platform.Sleep(std::chrono::milliseconds(250));
    platform.Post(WM_JOB_DONE, outcome.processed, outcome.skipped);
    return outcome;
}

FileEnd ConvertFile(JobRun& run, int index, FileGate& gate) {
    const ConversionJob& job = run.job;
    JobPlatform& platform = run.platform;
    const std::string input = job.paths[static_cast<std::size_t>(index)].string();
    // A target index that the table does not know (only stored settings can hold one) converts
    // nothing: the file is passed over before it is touched, and no output is made.
    if (!run.target) {
        gate.Passed();
        const auto lock = gate.Lock();
        ++run.outcome.passedOver;
        platform.PassedOver(input, "the target format " + std::to_string(job.DefaultFileType) + " is not known");
        return FileEnd::Next;
    }
    const OutputPlan plan = PlanOutput(input, TargetExtension(*run.target, job.UseSensibleExtensions), run.rules);

    if (!CanOpenForReading(input)) {
        gate.Passed();
        const auto lock = gate.Lock();
        ++run.outcome.passedOver;
        platform.PassedOver(input, "it cannot be opened for reading");
        return FileEnd::Next;
    }

    const auto skip = [&] {
        const auto lock = gate.Lock();
        ++run.outcome.skipped;
        platform.SetStatusText(jobtext::Skipping(plan.directory, plan.inputName));
        platform.Post(WM_JOB_PROGRESS, 0, run.Percent());
    };

    auto store = std::make_unique<DataStore>(true);
    std::string error;
    bool loaded = false;
    try {
        loaded = run.formats.load(*store, input);
    } catch (const std::bad_alloc&) {
        // A legitimate file too large for the memory at hand: a clear reason instead of the
        // library's own text, and the batch goes on with the next file.
        error = jobtext::kOutOfMemory;
    } catch (const std::length_error&) {
        error = jobtext::kOutOfMemory;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = msg::kFileCorrupt;
    }
    // A loader that returns false has left its stream failed: nothing usable was read, even
    // though there is no reason to show.
    if (!loaded) {
        store.reset();
        if (job.SkipBadFilesSilently != 0) {
            gate.Passed();
            skip();
            return FileEnd::Next;
        }
        if (!gate.AwaitTurn()) return FileEnd::Dropped;
        FailureAnswer answer;
        {
            const auto lock = gate.Lock();
            if (!gate.MayAsk()) return FileEnd::Dropped;
            answer = platform.AskReadFailure(jobtext::ReadFailure(input, error));
            if (answer != FailureAnswer::Ok) gate.Cancel();
        }
        gate.Passed();
        if (answer == FailureAnswer::Ok) {
            skip();
            return FileEnd::Next;
        }
        return FileEnd::Cancel;
    }

    // A file-system query, safe from any thread: asked without holding up the other files.
    const bool exists = job.SilentlyOverwrite == 0 && platform.IsRegularFile(plan.outputPath);
    if (exists) {
        if (!gate.AwaitTurn()) return FileEnd::Dropped;
        OverwriteAnswer answer;
        {
            const auto lock = gate.Lock();
            if (!gate.MayAsk()) return FileEnd::Dropped;
            answer = platform.AskOverwrite(jobtext::OverwriteQuestion(plan.inputName, plan.outputName));
            if (answer == OverwriteAnswer::Cancel) gate.Cancel();
        }
        gate.Passed();
        switch (answer) {
            case OverwriteAnswer::Yes:
                break;
            case OverwriteAnswer::No:
                skip();
                return FileEnd::Next;
            case OverwriteAnswer::Cancel:
                return FileEnd::Cancel;
        }
    } else {
        gate.Passed();
    }

    {
        const auto lock = gate.Lock();
        platform.SetStatusText(jobtext::Converting(plan.directory, plan.inputName, plan.outputName));
        platform.Post(WM_JOB_PROGRESS, 0, run.Percent());
    }

    // Asked before the write: renaming the new file over the output breaks a hard link or
    // replaces a symbolic link, after which the two names no longer look like one file.
    const bool deleteOriginal = job.DeleteOriginals == 1 && job.SaveInPlace == 0;
    const bool outputIsInput = deleteOriginal && SameFile(input, plan.outputPath);
    bool saved = false;
    {
        SafeOutputFile output;
        if (output.Open(plan.outputPath, run.target->mode)) {
            // A writer's own exception text is never shown: every failure is the one
            // save-failure question.
            try {
                run.target->write(*store, output.Stream(), run.writerOptions);
            } catch (...) {
                output.Stream().setstate(std::ios_base::failbit);
            }
            saved = output.Commit();
        }
    }
    store.reset();
    if (!saved) {
        FailureAnswer answer;
        {
            const auto lock = gate.Lock();
            if (!gate.MayAsk()) return FileEnd::Dropped;
            answer = platform.AskSaveFailure(jobtext::SaveFailure(plan.outputName));
            if (answer != FailureAnswer::Ok) gate.Cancel();
        }
        if (answer == FailureAnswer::Ok) {
            skip();
            return FileEnd::Next;
        }
        return FileEnd::Cancel;
    }

    const auto lock = gate.Lock();
    // Never delete what was just written: the output may name the input file under another
    // spelling (a case-insensitive file system).
    if (deleteOriginal && !outputIsInput && !SameFile(input, plan.outputPath))
        platform.DeleteFile(input);
    ++run.outcome.processed;
    run.progress += run.step;
    platform.Post(WM_JOB_PROGRESS, 0, run.Percent());
    return FileEnd::Next;
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

#include "conversion/ConversionJob.h"

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

JobOutcome RunConversionJob(const ConversionJob& job, JobPlatform& platform, const JobFormats& formats) {
    JobOutcome outcome;
    const int n = static_cast<int>(job.paths.size());

    platform.Post(WM_JOB_STARTED, 0, n);
    if (n > 1) platform.Post(WM_JOB_ENABLE_STOP, 0, 1);
    const float step = n != 0 ? 100.0f / static_cast<float>(n) : 0.0f;
    float progress = 0.0f;
    // Skipped and passed-over files add nothing, so a job with skips ends below 100.
    const auto percent = [&progress] { return static_cast<std::int64_t>(progress + 0.5f); };
    platform.SetStatusText(jobtext::kStartStatus);
    platform.Post(WM_JOB_PROGRESS, 0, 0);

    const TargetFormat* target = formats.targets ? FindTarget(*formats.targets, job.DefaultFileType) : nullptr;
    const WriterOptions writerOptions{job.StripHeaderInformation, job.SaveExtraInfo, job.EuroLocale};
    const NamingRules rules{job.StripAcornFileTypes, job.SaveInPlace, job.OutputDirectory};

    const auto abort = [&](JobOutcome::End end) {
        platform.Post(WM_JOB_ABORTED, outcome.processed, percent());
        outcome.end = end;
        return outcome;
    };

    for (int i = n - 1; i >= 0; --i) {
        // Stopping is observed only here, between files.
        if (platform.PollStop()) return abort(JobOutcome::End::Stopped);

        const std::string input = job.paths[static_cast<std::size_t>(i)].string();
        // A target index that the table does not know (only stored settings can hold one)
        // converts nothing: the file is passed over before it is touched, and no output is made.
        if (!target) {
            ++outcome.passedOver;
            platform.PassedOver(input, "the target format " + std::to_string(job.DefaultFileType) + " is not known");
            continue;
        }
        const OutputPlan plan = PlanOutput(input, TargetExtension(*target, job.UseSensibleExtensions), rules);

        if (!CanOpenForReading(input)) {
            ++outcome.passedOver;
            platform.PassedOver(input, "it cannot be opened for reading");
            continue;
        }

        const auto skip = [&] {
            ++outcome.skipped;
            platform.SetStatusText(jobtext::Skipping(plan.directory, plan.inputName));
            platform.Post(WM_JOB_PROGRESS, 0, percent());
        };

        auto store = std::make_unique<DataStore>(true);
        std::string error;
        bool loaded = false;
        try {
            loaded = formats.load(*store, input);
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
                skip();
                continue;
            }
            if (platform.AskReadFailure(jobtext::ReadFailure(input, error)) == FailureAnswer::Ok) {
                skip();
                continue;
            }
            return abort(JobOutcome::End::Cancelled);
        }

        if (job.SilentlyOverwrite == 0 && platform.IsRegularFile(plan.outputPath)) {
            switch (platform.AskOverwrite(jobtext::OverwriteQuestion(plan.inputName, plan.outputName))) {
                case OverwriteAnswer::Yes:
                    break;
                case OverwriteAnswer::No:
                    skip();
                    continue;
                case OverwriteAnswer::Cancel:
                    return abort(JobOutcome::End::Cancelled);
            }
        }

        platform.SetStatusText(jobtext::Converting(plan.directory, plan.inputName, plan.outputName));
        platform.Post(WM_JOB_PROGRESS, 0, percent());

        // Asked before the write: renaming the new file over the output breaks a hard link or
        // replaces a symbolic link, after which the two names no longer look like one file.
        const bool outputIsInput = SameFile(input, plan.outputPath);
        bool saved = false;
        {
            SafeOutputFile output;
            if (output.Open(plan.outputPath, target->mode)) {
                // A writer's own exception text is never shown: every failure is the one
                // save-failure question.
                try {
                    target->write(*store, output.Stream(), writerOptions);
                } catch (...) {
                    output.Stream().setstate(std::ios_base::failbit);
                }
                saved = output.Commit();
            }
        }
        store.reset();
        if (!saved) {
            if (platform.AskSaveFailure(jobtext::SaveFailure(plan.outputName)) == FailureAnswer::Ok) {
                skip();
                continue;
            }
            return abort(JobOutcome::End::Cancelled);
        }

        // Never delete what was just written: the output may name the input file under another
        // spelling (a case-insensitive file system).
        if (job.DeleteOriginals == 1 && job.SaveInPlace == 0 && !outputIsInput && !SameFile(input, plan.outputPath))
            platform.DeleteFile(input);
        ++outcome.processed;
        progress += step;
        platform.Post(WM_JOB_PROGRESS, 0, percent());
    }

    platform.SetStatusText(jobtext::kEndStatus);
    platform.Post(WM_JOB_PROGRESS, 0, percent());
    platform.Post(WM_JOB_ENABLE_STOP, 0, 0);
    platform.Sleep(std::chrono::milliseconds(250));
    platform.Post(WM_JOB_DONE, outcome.processed, outcome.skipped);
    return outcome;
}

}  // namespace kyn

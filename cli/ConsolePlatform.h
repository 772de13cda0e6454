// The command line's JobPlatform: progress and questions on standard error, answers from
// standard input, and a stop signal set by Ctrl-C.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "conversion/JobPlatform.h"

namespace kyn::cli {

struct ConsoleOptions {
    bool interactive = false;  // questions are asked (standard input and error are terminals)
    bool progressBar = false;  // standard error is a terminal
    bool quiet = false;        // no progress, no summary (problems are still reported)
};

// Installs the handlers of the signals that end a run. The first Ctrl-C (SIGINT), SIGTERM or
// SIGHUP sets the stop signal, so the job finishes the files in progress and then stops; a
// second one removes the unfinished outputs' temporaries and ends the program at once. A closed
// standard output or error (SIGPIPE) never ends a conversion, and an exceeded file-size limit
// (SIGXFSZ) is an ordinary failed save.
void InstallInterruptHandler();
// True once one of those signals arrived.
bool Interrupted();
// The exit status for a run that such a signal stopped: 128 + its number (130 for Ctrl-C).
int InterruptedExitStatus();

// The job's status as one line ("Converting: From: 'a.dsa' into 'a.dsb'."); "" at the start and
// the end of the job.
std::string StatusLine(const JobStatus& status);
// A question's text without the button instructions, for a report.
std::string WithoutButtonHint(const std::string& text);

class ConsolePlatform : public JobPlatform {
public:
    ConsolePlatform(const ConsoleOptions& options, std::FILE* err = stderr, std::FILE* in = stdin);

    void Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) override;
    bool PollStop() override;
    OverwriteAnswer AskOverwrite(const std::string& text) override;
    FailureAnswer AskReadFailure(const std::string& text) override;
    FailureAnswer AskSaveFailure(const std::string& text, const std::string& outputPath,
                                 const std::string& reason) override;
    void SetStatus(const JobStatus& status) override;
    // The pause before the end message lets a window show its last state; a console has none.
    void Sleep(std::chrono::milliseconds) override {}
    void PassedOver(const std::string& path, const std::string& reason) override;
    void ConvertedWithWarnings(const std::string& input, const std::string& output,
                               const std::vector<std::string>& warnings, bool originalKept) override;
    // Without a terminal every problem is one line, "kynconvert: PATH: reason", also when quiet;
    // a file that was asked about has said so already.
    void FileDone(const FileResult& result) override;

private:
    // Reads one answer among `choices` (lower-case letters); Cancel's letter at end of input.
    char ReadChoice(const char* prompt, const char* choices, char onEnd);
    FailureAnswer AskFailure(const std::string& text, const std::string& reason = "");
    void ClearBar();
    void ShowProgress(std::int64_t percent);

    ConsoleOptions options_;
    std::FILE* err_;
    std::FILE* in_;
    SharedStatus status_;
    std::string lastDirectory_;
    bool barShown_ = false;
    int withWarnings_ = 0;
    std::int64_t passedOver_ = 0;
    std::set<std::string> askedAbout_;  // questions asked (their texts or outputs), until their file is done
    std::thread::id mainThread_;  // questions asked elsewhere (a parallel job) wait differently
};

}  // namespace kyn::cli

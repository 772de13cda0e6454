#include "cli/ConsolePlatform.h"

#include "conversion/OutputNaming.h"
#include "conversion/SafeOutput.h"

#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

namespace kyn::cli {

namespace {

StopSignal g_stop;
volatile sig_atomic_t g_interrupted = 0;  // the signal that stopped the run, 0 for none

void OnInterrupt(int signal) {
    if (g_interrupted != 0) {
        // The second one: nothing is finished any more, but nothing unfinished stays behind.
        RemoveTemporaryFiles();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    g_interrupted = signal;
    g_stop.Set();
}

int TerminalWidth(std::FILE* f) {
    winsize ws{};
    if (ioctl(fileno(f), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
    return 80;
}

const char* Files(std::int64_t n) { return n == 1 ? "file" : "files"; }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, s);
    // No SA_RESTART: a question waiting for an answer gives up, which cancels the job.
    sa.sa_flags = 0;
    for (const int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
    // A write to a closed pipe fails with EPIPE instead of ending the program; a write past the
    // file-size limit fails with EFBIG, which fails that one save.
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

bool Interrupted() { return g_interrupted != 0; }

int InterruptedExitStatus() { return 128 + static_cast<int>(g_interrupted); }

std::string StatusLine(const JobStatus& status) {
    switch (status.action) {
        case JobStatus::Action::Converting:
            return "Converting: From: '" + status.input + "' into '" + status.output + "'.";
        case JobStatus::Action::Skipping:
            return "Skipping: '" + status.input + "'.";
        case JobStatus::Action::Starting:
        case JobStatus::Action::Finished:
            break;
    }
    return {};
}

std::string WithoutButtonHint(const std::string& text) {
    static const std::string hint = "Click on OK to continue or Cancel to abort.";
    std::string t = text;
    if (t.size() >= hint.size() && t.compare(t.size() - hint.size(), hint.size(), hint) == 0)
        t.erase(t.size() - hint.size());
    while (!t.empty() && (t.back() == '\n' || t.back() == ' ')) t.pop_back();
    return t;
}

ConsolePlatform::ConsolePlatform(const ConsoleOptions& options, std::FILE* err, std::FILE* in)
    : options_(options), err_(err), in_(in), mainThread_(std::this_thread::get_id()) {}

bool ConsolePlatform::PollStop() { return g_stop.Poll(); }

void ConsolePlatform::ClearBar() {
    if (barShown_) {
        std::fputs("\r\033[K", err_);
        barShown_ = false;
    }
}

void ConsolePlatform::ShowProgress(std::int64_t percent) {
    const JobStatus status = status_.Get();
    const std::string line = StatusLine(status);
    if (options_.progressBar) {
        constexpr int kBar = 20;
        const int filled = static_cast<int>(std::min<std::int64_t>(std::max<std::int64_t>(percent, 0), 100) * kBar / 100);
        std::string text = "[" + std::string(filled, '#') + std::string(kBar - filled, '.') + "] ";
        char pct[8];
        std::snprintf(pct, sizeof pct, "%3d%% ", static_cast<int>(percent));
        text += pct;
        text += line;
        const std::size_t width = static_cast<std::size_t>(TerminalWidth(err_) - 1);
        if (text.size() > width) text.resize(width);
        std::fprintf(err_, "\r\033[K%s", text.c_str());
        std::fflush(err_);
        barShown_ = true;
        return;
    }
    // Without a terminal, every status was logged when it was set (SetStatus).
}

void ConsolePlatform::SetStatus(const JobStatus& status) {
    status_.Set(status);
    if (options_.quiet || options_.progressBar) return;
    // Without a terminal: one line for each status as it is set (so that files of the same name
    // in two folders, or files converted side by side, each get theirs), the folder when it changes.
    const std::string line = StatusLine(status);
    if (line.empty()) return;
    const std::string directory = status.directory + kPathSeparator;
    if (directory != lastDirectory_) {
        lastDirectory_ = directory;
        std::fprintf(err_, "In %s\n", directory.c_str());
    }
    std::fprintf(err_, "  %s\n", line.c_str());
    std::fflush(err_);
}

void ConsolePlatform::Post(JobMessage message, std::int64_t wParam, std::int64_t lParam) {
    if (options_.quiet) return;
    switch (message) {
        case WM_JOB_PROGRESS:
            ShowProgress(lParam);
            break;
        case WM_JOB_ABORTED:
            ClearBar();
            std::fprintf(err_, "Data conversion stopped by user. Processed %lld %s (%lld%% completed).\n",
                         static_cast<long long>(wParam), Files(wParam), static_cast<long long>(lParam));
            break;
        case WM_JOB_DONE: {
            ClearBar();
            // Every input is counted: processed, skipped, and passed over (not taken up at all).
            std::string line = "Done. Processed " + std::to_string(wParam) + " " + Files(wParam);
            if (withWarnings_ > 0) line += " (" + std::to_string(withWarnings_) + " with warnings)";
            if (lParam > 0) line += ", skipped " + std::to_string(lParam) + " " + Files(lParam);
            if (passedOver_ > 0) line += ", passed over " + std::to_string(passedOver_) + " " + Files(passedOver_);
            std::fprintf(err_, "%s.\n", line.c_str());
            break;
        }
        case WM_JOB_STARTED:
        case WM_JOB_ENABLE_STOP:
            break;
    }
    std::fflush(err_);
}

// Waits until `in` has a line to read (true) or Ctrl-C is pressed while waiting (false). Only
// for questions asked on a worker thread of a parallel job: Ctrl-C interrupts the read of the
// main thread, not theirs, so the wait watches the interrupt flag itself. A Ctrl-C from before the
// question does not count: the question still waits for its answer. (Standard input is then
// unbuffered, see main.cpp, so that nothing waits unseen in its buffer.)
static bool WaitForInput(std::FILE* in) {
    const int fd = fileno(in);
    if (fd < 0) return true;
    const bool before = Interrupted();
    for (;;) {
        if (!before && Interrupted()) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, 100);
        if (ready > 0) return true;
        if (ready < 0 && errno != EINTR) return true;  // let the read report the problem
    }
}

char ConsolePlatform::ReadChoice(const char* prompt, const char* choices, char onEnd) {
    for (;;) {
        std::fputs(prompt, err_);
        std::fflush(err_);
        char buffer[64];
        if (std::this_thread::get_id() != mainThread_ && !WaitForInput(in_)) {
            std::fputc('\n', err_);
            return onEnd;
        }
        if (!std::fgets(buffer, sizeof buffer, in_)) {
            // End of input, or Ctrl-C while waiting.
            std::clearerr(in_);
            std::fputc('\n', err_);
            return onEnd;
        }
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(buffer[0])));
        if (c != '\0' && std::strchr(choices, c)) return c;
    }
}

OverwriteAnswer ConsolePlatform::AskOverwrite(const std::string& text) {
    ClearBar();
    // Nobody to ask: the existing file is kept (FileDone says so).
    if (!options_.interactive) return OverwriteAnswer::No;
    std::fprintf(err_, "%s\n", text.c_str());
    switch (ReadChoice("[y]es / [n]o / [c]ancel? ", "ync", 'c')) {
        case 'y':
            return OverwriteAnswer::Yes;
        case 'n':
            return OverwriteAnswer::No;
        default:
            return OverwriteAnswer::Cancel;
    }
}

FailureAnswer ConsolePlatform::AskFailure(const std::string& text, const std::string& reason) {
    ClearBar();
    // Nobody to ask: the file is skipped (FileDone gives the reason).
    if (!options_.interactive) return FailureAnswer::Ok;
    const std::string because = reason.empty() ? std::string() : "  Reason: " + reason + "\n";
    std::fprintf(err_, "%s\n%s", text.c_str(), because.c_str());
    return ReadChoice("[o]k / [c]ancel? ", "oc", 'c') == 'o' ? FailureAnswer::Ok : FailureAnswer::Cancel;
}

FailureAnswer ConsolePlatform::AskReadFailure(const std::string& text) {
    if (options_.interactive) askedAbout_.insert(text);
    return AskFailure(text);
}
FailureAnswer ConsolePlatform::AskSaveFailure(const std::string& text, const std::string& outputPath, const std::string& reason) {
    if (options_.interactive) askedAbout_.insert(outputPath);
    return AskFailure(text, reason);
}

void ConsolePlatform::FileDone(const FileResult& r) {
    // A question about this file (its text names the input or the output) showed its reason already.
    for (auto it = askedAbout_.begin(); it != askedAbout_.end(); ++it) {
        if (*it == r.output || it->find(r.input) != std::string::npos) {
            askedAbout_.erase(it);
            return;
        }
    }
    std::string line;
    switch (r.outcome) {
        case FileResult::Outcome::Converted:
        case FileResult::Outcome::ConvertedWithWarnings:  // said by ConvertedWithWarnings
        case FileResult::Outcome::PassedOver:             // said by PassedOver
            return;
        case FileResult::Outcome::Skipped:
            if (options_.interactive) return;  // answered No
            line = r.output + " exists and was kept (--overwrite replaces existing files)";
            break;
        case FileResult::Outcome::Failed:
            if (r.format.empty())
                line = r.reason.empty() ? "it cannot be read" : r.reason;
            else
                line = "not saved as " + r.output + ": " + (r.reason.empty() ? "the file could not be written" : r.reason);
            break;
    }
    ClearBar();
    std::fprintf(err_, "kynconvert: %s: %s\n", r.input.c_str(), line.c_str());
    std::fflush(err_);
}

void ConsolePlatform::PassedOver(const std::string& path, const std::string& reason) {
    ++passedOver_;
    ClearBar();
    // A folder named without -r: how to convert what it holds, on the same line.
    const char* hint = reason.rfind("it is a folder", 0) == 0 ? " (-r converts the measurement files under it)" : "";
    std::fprintf(err_, "kynconvert: %s: passed over, %s%s\n", path.c_str(), reason.c_str(), hint);
    std::fflush(err_);
}

void ConsolePlatform::ConvertedWithWarnings(const std::string& input, const std::string& output,
                                            const std::vector<std::string>& warnings, bool originalKept) {
    ++withWarnings_;
    ClearBar();
    std::string lost;
    for (const std::string& w : warnings) lost += (lost.empty() ? "" : "; ") + w;
    std::fprintf(err_, "kynconvert: %s: converted into %s with warnings: %s%s.\n", input.c_str(), output.c_str(),
                 lost.c_str(), originalKept ? "; the original was kept" : "");
    std::fflush(err_);
}

}  // namespace kyn::cli

// The readers' progress reports ("reading 3 comments"): one line each on standard error, unless
// a front end has asked for quiet (the command line without -v, the fuzzers). A report made
// while a file is being loaded on this thread names the file first ("a.dsa: reading 3 comments").
#pragma once

#include <string>
#include <string_view>

namespace kyn {

// Writes one report; `line` ends in its own line feed and goes out whole, at once.
void ReportProgress(std::string_view line);

// Names the file that this thread's reports are about while it lives.
class ProgressFile {
public:
    explicit ProgressFile(const std::string& path);
    ~ProgressFile();
    ProgressFile(const ProgressFile&) = delete;
    ProgressFile& operator=(const ProgressFile&) = delete;

private:
    const std::string* previous_;
};

// No reports from this thread while it lives: for a file read back only to check it.
class ProgressMuted {
public:
    ProgressMuted();
    ~ProgressMuted();
    ProgressMuted(const ProgressMuted&) = delete;
    ProgressMuted& operator=(const ProgressMuted&) = delete;
};

// Turns the reports off (or on again). Meant to be set before files are read; reading threads
// may look at it at any time.
void SetProgressQuiet(bool quiet);

}  // namespace kyn

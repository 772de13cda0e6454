#include "util/ProgressLog.h"

#include <atomic>
#include <iostream>
#include <string>

namespace kyn {

namespace {
std::atomic<bool> progressQuiet{false};
thread_local const std::string* currentFile = nullptr;
thread_local int mutedHere = 0;
}  // namespace

ProgressMuted::ProgressMuted() { ++mutedHere; }
ProgressMuted::~ProgressMuted() { --mutedHere; }

ProgressFile::ProgressFile(const std::string& path) : previous_(currentFile) { currentFile = &path; }
ProgressFile::~ProgressFile() { currentFile = previous_; }

void ReportProgress(std::string_view line) {
    if (mutedHere > 0 || progressQuiet.load(std::memory_order_relaxed)) return;
    std::string whole;
    if (currentFile) whole = *currentFile + ": ";
    whole += line;
    std::cerr.write(whole.data(), static_cast<std::streamsize>(whole.size()));
    std::cerr.flush();
}

void SetProgressQuiet(bool quiet) { progressQuiet.store(quiet, std::memory_order_relaxed); }

}  // namespace kyn

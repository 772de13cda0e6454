#include "util/ProgressLog.h"

#include <atomic>
#include <iostream>

namespace kyn {

namespace {
std::atomic<bool> progressQuiet{false};
}  // namespace

void ReportProgress(std::string_view line) {
    if (progressQuiet.load(std::memory_order_relaxed)) return;
    std::cerr.write(line.data(), static_cast<std::streamsize>(line.size()));
    std::cerr.flush();
}

void SetProgressQuiet(bool quiet) { progressQuiet.store(quiet, std::memory_order_relaxed); }

}  // namespace kyn

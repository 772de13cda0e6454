// The readers' progress reports ("reading 3 comments"): one line each on standard error, unless
// a front end has asked for quiet (the command line's -q, the fuzzers).
#pragma once

#include <string_view>

namespace kyn {

// Writes one report; `line` ends in its own line feed and goes out whole, at once.
void ReportProgress(std::string_view line);

// Turns the reports off (or on again). Meant to be set before files are read; reading threads
// may look at it at any time.
void SetProgressQuiet(bool quiet);

}  // namespace kyn

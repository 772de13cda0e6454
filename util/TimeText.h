// Time texts in the 24-character ctime/asctime layout, "Wed Jan 02 02:03:55 1980".
// The day of the month is zero-padded (the C library pads it with a blank instead), and the
// texts are made by our own code so that they do not depend on the process locale.
#pragma once

#include <ctime>
#include <string>

namespace kyn {

std::tm LocalTime(std::time_t t);
std::tm LocalNow();

// The 24 characters, without the line feed that asctime adds.
std::string FormatCTime(const std::tm& tm);

// The same for a calendar time, converted to local time first.
std::string FormatCTime(std::time_t t);

}  // namespace kyn

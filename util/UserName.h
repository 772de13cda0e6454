// Who is working: the names stamped into history entries and exported files.
#pragma once

#include <string>

namespace kyn {

// The operating-system user of this process; failing that the "USERNAME" environment variable;
// failing that "Unknown". At most 1023 characters.
std::string CurrentUserName();

// The "USERNAME" environment variable (at most 259 characters), or "Unknown" when it is not set.
std::string OwnerName();

}  // namespace kyn

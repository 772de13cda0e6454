// Small text helpers shared by the model and the formats.
#pragma once

#include <string>
#include <string_view>

namespace kyn {

// Removes every occurrence of `what` from `text` (left to right, non-overlapping).
void RemoveAll(std::string& text, std::string_view what);

// Replaces every occurrence of `from` by `to` (left to right, non-overlapping; the replacement is
// not searched again).
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

// The kind word of a property or dimension name: the characters before the first blank or NUL.
std::string KindOf(std::string_view name);

// True when `flag` occurs anywhere in `name` (case-sensitive).
inline bool HasFlag(std::string_view name, std::string_view flag) {
    return name.find(flag) != std::string_view::npos;
}

// The numeric text that follows `flag` in `name`, converted as atof/atoi convert a text: leading
// white space skipped, as many characters as form a number, 0 when there is none or the flag is
// missing. `found` tells whether the flag was present.
double NumberAfterFlag(std::string_view name, std::string_view flag, bool* found = nullptr);
int IntegerAfterFlag(std::string_view name, std::string_view flag, bool* found = nullptr);

// atof/atoi on a text that need not be NUL-terminated.
double ParseLeadingDouble(std::string_view text);
int ParseLeadingInt(std::string_view text);

}  // namespace kyn

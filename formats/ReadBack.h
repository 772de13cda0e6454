// What a value written by a format reads back as, for the checks that write and read again.
#pragma once

#include <cmath>
#include <cstring>

namespace kyn {

// True when `read` is what a format gives back for `written`: the same bits (any NaN for a NaN)
// from a format that holds values exactly; from one that writes six significant digits, within
// half a unit of the sixth digit (at most 5e-6 of the value) and half a float step from reading
// the text back, infinities exactly, and values below 1e-37 (which may round to zero or to a
// neighbour) as anything as small.
inline bool ReadsBackAs(float written, float read, bool exactValues) {
    if (std::memcmp(&written, &read, sizeof written) == 0 || (std::isnan(written) && std::isnan(read))) return true;
    if (exactValues || std::isinf(written) || std::isnan(written)) return false;
    constexpr float kTiny = 1e-37f;
    if (std::fabs(written) < kTiny) return std::fabs(read) <= kTiny;
    return std::fabs(static_cast<double>(written) - read) <= std::fabs(static_cast<double>(written)) * 5.1e-6;
}

}  // namespace kyn

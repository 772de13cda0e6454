// Locale-independent number text for every text writer of the program.
//
// The writers must reproduce the number text of our reference files byte for byte. Those were
// made by a runtime whose printf differs from today's C library in two ways, both reproduced here:
//   * the exponent of the exponential form has at least three digits: 1e-005, 1.23457e+010;
//   * a value lying exactly halfway between two candidate results is rounded away from zero
//     (1.015625 -> 1.01563, 0.125 with two decimals -> 0.13); every other value is rounded to
//     the nearest result as usual.
// Non-finite values are written as nan, -nan, inf, -inf (NAN, -NAN, INF, -INF for the upper-case
// general form); std::from_chars reads every one of these forms back (case-insensitively).
//
// Everything is built on std::to_chars: no printf, no stream, no locale, no global state, so
// the functions are thread-safe and give the same text whatever the process locale is.
//
// Each form comes as a low-level function that writes into a caller's buffer, which must hold at
// least the matching kMax...Chars characters, and returns the end of the text written (no NUL is
// appended); and as a convenience function returning a std::string, named ...String.
#pragma once

#include <cstddef>
#include <string>

namespace kyn {

// Longest text of FormatG / FormatGUpper: "-1.23457e-308".
inline constexpr std::size_t kMaxGChars = 13;
// Longest text of FormatGGerman: the exponential form is as long as FormatG's, and the longest
// fixed form, "-0,000123457" or "-123.457", is shorter.
inline constexpr std::size_t kMaxGGermanChars = 13;
// Largest number of decimals FormatFixed accepts.
inline constexpr int kMaxFixedDecimals = 17;
// Longest text of FormatFixed: sign, the 309 integer digits of the largest double, the point and
// kMaxFixedDecimals decimals.
inline constexpr std::size_t kMaxFixedChars = 1 + 309 + 1 + kMaxFixedDecimals;
// Longest text of FormatInt: "-9223372036854775808".
inline constexpr std::size_t kMaxIntChars = 20;
// Longest text of FormatIntGerman: "-9.223.372.036.854.775.808".
inline constexpr std::size_t kMaxIntGermanChars = 26;

// General form with six significant digits, as printf's "%g" (with the two differences above):
// fixed notation when the decimal exponent of the rounded value lies in [-4, 6), exponential
// notation otherwise; trailing zeros of the fraction and a trailing point are removed.
// Negative zero gives "-0". Callers usually pass a float widened to double; any double works.
char* FormatG(char* out, double value);
std::string FormatGString(double value);

// FormatG with an upper-case exponent letter ("1.5E-005") and NAN, -NAN, INF, -INF, as "%G".
char* FormatGUpper(char* out, double value);
std::string FormatGUpperString(double value);

// Fixed notation with `decimals` digits after the point, as printf's "%.*f" (with the rounding
// difference above): 0.125 with 2 decimals gives "0.13", 2.5 with 0 decimals gives "3", -0.0 gives
// "-0.00". `decimals` is clamped to [0, kMaxFixedDecimals]. Huge values are written with all
// their integer digits, hence the size of kMaxFixedChars.
char* FormatFixed(char* out, double value, int decimals);
std::string FormatFixedString(double value, int decimals);

// German form of FormatG for the "Euro" option of the tab-separated export: the FormatG text with
// a decimal comma and the integer digits of the mantissa grouped by threes with '.':
// 123457 -> "123.457", -1234.5 -> "-1.234,5", 0.5 -> "0,5", 1.23457e+010 -> "1,23457e+010".
char* FormatGGerman(char* out, double value);
std::string FormatGGermanString(double value);

// Decimal integer.
char* FormatInt(char* out, long long value);
std::string FormatIntString(long long value);

// Decimal integer with its digits grouped by threes with '.': 1000 -> "1.000",
// -1234567 -> "-1.234.567", 999 -> "999".
char* FormatIntGerman(char* out, long long value);
std::string FormatIntGermanString(long long value);

}  // namespace kyn

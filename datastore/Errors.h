// The model's failures: standard exceptions whose message is the text the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace kyn {

// Thrown by the containers, the model and the readers; what() is the user-facing message.
class KynError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void Fail(const char* message) { throw KynError(message); }
[[noreturn]] inline void Fail(const std::string& message) { throw KynError(message); }

// What a format cannot carry fails its save with the reason ("VarnixBinary cannot hold more than
// 255 properties."), instead of becoming a file that the format's reader refuses or misreads.
[[noreturn]] inline void CannotHold(const char* format, const std::string& what) {
    Fail(std::string(format) + " cannot hold " + what + ".");
}

namespace msg {
inline constexpr const char* kArrayOutOfBounds = "Array out of bounds!";
inline constexpr const char* kDPointerCtorAlloc = "Memory allocation error in DPointer.";
inline constexpr const char* kDPointerAlloc = "Error allocating memory for DPointer";
inline constexpr const char* kDPointerRealloc = "Error (re)allocating memory for DPointer";
inline constexpr const char* kDPointerIndex = "Index out-of-range in DPointer::operator[]";
inline constexpr const char* kDimensionIndex = "index out-of-range in Dimension::operator[].";
inline constexpr const char* kDatastoreNotValid = "Datastore not valid";
inline constexpr const char* kFileCorrupt = "The file is corrupt.\n";
inline constexpr const char* kHistoryCorrupt = "This file is corrupt";
inline constexpr const char* kUnrecognised = "The file is of an unrecognised format\n";
inline constexpr const char* kNoValues = "The file is corrupt.\nIt holds no values.\n";

// A file whose values stop before the count its axes announce: refused, never padded.
inline std::string EndsEarly(long long present, long long expected) {
    return std::string(kFileCorrupt) + "It ends after " + std::to_string(present) + " of its " +
           std::to_string(expected) + " values.\n";
}
}  // namespace msg

}  // namespace kyn

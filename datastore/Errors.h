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
}  // namespace msg

}  // namespace kyn

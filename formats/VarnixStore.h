// VarnixStore ASCII (.dsa): what other files need beyond the registry row.
#pragma once

#include <cstdint>

namespace kyn::varnixstore {

// The fewest values for which the reader reads the data with two threads (1 Mi by default), and
// the values in each thread's chunk (256 Ki); the values are the same either way, which tests
// check by setting both low.
void SetTwoThreads(std::int64_t fromValues, std::int64_t chunkValues = std::int64_t{1} << 18);

}  // namespace kyn::varnixstore

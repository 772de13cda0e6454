// Pieces the export writers share: the note of what an export left out, the stable ordering of
// dimensions by size, and the "regular count" of an axis against its view-state range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "datastore/DataStore.h"

namespace kyn {

// Notes that an export wrote `kept` of the store's `total` values, and `why`, when it wrote fewer.
void NoteKept(LossNotes* losses, std::int64_t kept, std::int64_t total, const std::string& why);

// The dimensions ordered by descending size, a stable bubble sort (a swap only when the later
// size is strictly greater, so equal sizes keep their index order).
struct DimensionOrder {
    std::vector<int> size;
    std::vector<int> index;
};
DimensionOrder SortDimensionsBySize(const DataStore& ds);

// Number of axis values of dimension d that lie at or below the maximum of its view-state range,
// with a relative tolerance of one float epsilon on the value's magnitude. When the view state
// has no range for d, the dimension's own range stands in (what Initialize would have stored).
int RegularCount(const DataStore& ds, int d);

}  // namespace kyn

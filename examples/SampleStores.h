// Pieces shared by the tools that make the files kept in the repository: the bundled examples
// (make_examples) and the fuzz seeds (fuzz/make_seeds).
#pragma once

#include <ctime>
#include <string>

#include "datastore/DataStore.h"

namespace kyn::samples {

// A dimension of `steps` values spaced evenly from `first` to `last`.
inline Dimension Linear(const std::string& name, int steps, float first, float last) {
    Dimension d(name, steps);
    for (int i = 0; i < steps; ++i)
        d[i] = steps > 1 ? first + (last - first) * static_cast<float>(i) / static_cast<float>(steps - 1) : first;
    return d;
}

// A new DataStore's history names the account and the moment it was made in. Files kept in the
// repository carry a neutral author and a fixed moment instead, so that they do not change with
// who rebuilt them, or when.
inline void Neutralise(DataStore& ds) {
    std::tm when{};
    when.tm_year = 113;  // 2013
    when.tm_mon = 10;    // November
    when.tm_mday = 14;
    when.tm_hour = 10;
    when.tm_min = 5;
    when.tm_wday = 4;
    when.tm_yday = 317;
    for (HistoryEntry& entry : ds.history) {
        if (entry.isRawText) continue;
        entry.user = "Lab";
        entry.SetTime(when);
    }
}

}  // namespace kyn::samples

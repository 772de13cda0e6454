#include "formats/ExportHelpers.h"

#include <cmath>

namespace kyn {

void NoteKept(LossNotes* losses, std::int64_t kept, std::int64_t total, const std::string& why) {
    if (!losses || kept >= total) return;
    losses->push_back("wrote " + std::to_string(kept) + " of " + std::to_string(total) + " values: " + why);
}

DimensionOrder SortDimensionsBySize(const DataStore& ds) {
    const int n = ds.dimensions.Count();
    DimensionOrder o;
    o.size.resize(static_cast<std::size_t>(n));
    o.index.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        o.size[static_cast<std::size_t>(i)] = ds.dimensions.At(i).Steps();
        o.index[static_cast<std::size_t>(i)] = i;
    }
    for (int b = n - 1; b >= 1; --b)
        for (int i = 0; i < b; ++i)
            if (o.size[static_cast<std::size_t>(i) + 1] > o.size[static_cast<std::size_t>(i)]) {
                std::swap(o.size[static_cast<std::size_t>(i)], o.size[static_cast<std::size_t>(i) + 1]);
                std::swap(o.index[static_cast<std::size_t>(i)], o.index[static_cast<std::size_t>(i) + 1]);
            }
    return o;
}

int RegularCount(const DataStore& ds, int d) {
    const Dimension& dim = ds.dimensions[d];
    const auto& ranges = ds.viewState.ranges;
    const double m = (d < static_cast<int>(ranges.size()) && d < ds.viewState.dimensionCount)
                         ? ranges[static_cast<std::size_t>(d)].first
                         : dim.Range().first;
    // The tolerance scales with the value's magnitude: scaled by the signed value it would shrink
    // below m for an all-negative axis and drop the maximum itself.
    constexpr double kEpsilon = 1.1920928955078125e-7;
    int count = 0;
    for (int i = 0; i < dim.Steps(); ++i) {
        const double x = dim.values.At(i);
        if (x <= m + kEpsilon * std::fabs(x)) ++count;
    }
    return count;
}

}  // namespace kyn

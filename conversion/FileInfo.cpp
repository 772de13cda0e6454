#include "conversion/FileInfo.h"

#include "conversion/ConversionJob.h"

#include <cmath>

#include "datastore/DataStore.h"
#include "datastore/Errors.h"
#include "datastore/Vocabulary.h"
#include "formats/Load.h"

namespace kyn {

namespace {

bool EvenlySpaced(const Dimension& dim) {
    const int n = dim.Steps();
    if (n < 3) return true;
    const double first = dim.values.At(0), step = (static_cast<double>(dim.values.At(n - 1)) - first) / (n - 1);
    for (int i = 0; i < n; ++i) {
        const double v = dim.values.At(i);
        if (!(std::fabs(v - (first + i * step)) <= 1e-6 * std::max(std::fabs(v), std::fabs(step)))) return false;
    }
    return true;
}

}  // namespace

std::optional<FileInfo> DescribeFile(const std::string& path, std::string& reason) {
    reason.clear();
    DataStore ds(true);
    if (!LoadWithReason([&] { return ds.Load(path, false); }, reason)) {
        while (!reason.empty() && reason.back() == '\n') reason.pop_back();
        return std::nullopt;
    }
    FileInfo info;
    info.path = path;
    info.format = ReadFormatName(ds);
    info.title = ds.title;
    for (int i = 0; i < ds.remarks.Count(); ++i) info.remarks.push_back(ds.remarks.At(i));
    for (int p = 0; p < ds.properties.Count(); ++p) {
        info.properties.push_back(ds.properties.At(p));
        const std::optional<UnitRow> unit = FindUnitRow(ds.properties.At(p));
        info.propertyUnits.push_back(unit ? unit->fullLabel : "");
    }
    for (int d = 0; d < ds.dimensions.Count(); ++d) {
        const Dimension& dim = ds.dimensions.At(d);
        const auto [highest, lowest] = dim.Range();
        const int n = dim.Steps();
        info.dimensions.push_back({dim.name, n, lowest, highest, n ? dim.values.At(0) : 0.0f,
                                   n ? dim.values.At(n - 1) : 0.0f, EvenlySpaced(dim)});
    }
    info.values = ds.ValueCount();
    info.minValue = ds.minValue;
    info.maxValue = ds.maxValue;
    info.historyEntries = ds.history.size();
    info.history = ds.GetHistoryText();
    return info;
}

}  // namespace kyn

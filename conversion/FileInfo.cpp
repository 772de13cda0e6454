#include "conversion/FileInfo.h"

#include "datastore/DataStore.h"
#include "datastore/Errors.h"

namespace kyn {

std::optional<FileInfo> DescribeFile(const std::string& path, std::string& reason) {
    reason.clear();
    DataStore ds(true);
    bool loaded = false;
    try {
        loaded = ds.Load(path, false);
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = msg::kFileCorrupt;
    }
    if (!loaded) {
        while (!reason.empty() && reason.back() == '\n') reason.pop_back();
        return std::nullopt;
    }
    FileInfo info;
    info.path = path;
    info.format = ds.GetFormatName();
    info.title = ds.title;
    for (int i = 0; i < ds.remarks.Count(); ++i) info.remarks.push_back(ds.remarks.At(i));
    for (int p = 0; p < ds.properties.Count(); ++p) info.properties.push_back(ds.properties.At(p));
    for (int d = 0; d < ds.dimensions.Count(); ++d) {
        const Dimension& dim = ds.dimensions.At(d);
        const auto [highest, lowest] = dim.Range();
        info.dimensions.push_back({dim.name, dim.Steps(), lowest, highest});
    }
    info.values = ds.ValueCount();
    info.minValue = ds.minValue;
    info.maxValue = ds.maxValue;
    info.historyEntries = ds.history.size();
    return info;
}

}  // namespace kyn

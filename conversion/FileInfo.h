// What a file holds, as the loader reads it: the description behind `kynconvert --info` (and for
// any front end that shows a file without converting it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyn {

struct AxisInfo {
    std::string name;
    int steps = 0;
    float lowest = 0.0f;   // the smallest axis value
    float highest = 0.0f;  // the largest
};

struct FileInfo {
    std::string path;
    std::string format;  // the format's name as the loader set it
    std::string title;
    std::vector<std::string> remarks;
    std::vector<std::string> properties;
    std::vector<AxisInfo> dimensions;
    std::int64_t values = 0;
    double minValue = 0.0;
    double maxValue = 0.0;
    std::size_t historyEntries = 0;
};

// Loads `path` and describes it. Nothing when it cannot be read; `reason` then holds the loader's
// message without its closing line ends ("" when the loader gave none).
std::optional<FileInfo> DescribeFile(const std::string& path, std::string& reason);

}  // namespace kyn

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
    float first = 0.0f;    // the axis value of the first step
    float last = 0.0f;     // and of the last
    bool even = true;      // steps equal within 1e-6 of the values (or of the step near zero)
};

struct FileInfo {
    std::string path;
    std::string format;  // the format's name as the loader set it
    std::string title;
    std::vector<std::string> remarks;
    std::vector<std::string> properties;
    std::vector<std::string> propertyUnits;  // what each property is measured as ("Molar Ellipticity"), "" when the vocabulary has no row
    std::vector<AxisInfo> dimensions;
    std::int64_t values = 0;
    double minValue = 0.0;
    double maxValue = 0.0;
    std::size_t historyEntries = 0;
    std::vector<std::string> history;  // each entry's text, as the text exports print it
};

// Loads `path` and describes it. Nothing when it cannot be read; `reason` then holds the loader's
// message without its closing line ends ("" when the loader gave none).
std::optional<FileInfo> DescribeFile(const std::string& path, std::string& reason);

}  // namespace kyn

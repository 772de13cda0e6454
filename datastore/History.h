// The text that travels with a DataStore besides its values: history entries, file attributes
// and keyed option lists. (Only VarnixBinaryX stores the last two and the entries as records; its
// file has their stored forms.)
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "datastore/Array.h"

namespace kyn {

// Version header printed into every non-raw history block.
namespace version {
inline constexpr const char* kProgramName = "Belmora";
inline constexpr const char* kVersion = "4.2.27";
inline constexpr const char* kBuildDate = "Nov 11 2013";
inline constexpr const char* kBuildTime = "20:03:29";
}  // namespace version

struct HistoryEntry {
    bool isRawText = false;
    std::string title;
    std::string text;
    // year-1900, month 0-11, day, hour, minute, second, daylight-saving flag, weekday, day of year
    std::array<std::int32_t, 9> timeStamp{};
    std::string user;

    // Sets the title, the current user and the current local time.
    void Stamp(const std::string& entryTitle);
    void SetTime(const std::tm& tm);
    std::tm Time() const;

    // The text block of the entry: `text` alone for a raw entry, otherwise the user line, the
    // version line, the text, the time stamp line and a rule of 52 hyphens.
    std::string Block() const;

    bool operator==(const HistoryEntry&) const = default;
};

struct FileAttributes {
    bool asAcquired = true;
    bool cfrCompliant = true;
    std::string timeStamp;
    std::string fileId;

    bool operator==(const FileAttributes&) const = default;
};

struct ParentFileAttributes : FileAttributes {
    std::string fileName;

    bool operator==(const ParentFileAttributes&) const = default;
};

// Entries of the form key ":" value.
class OptionList {
public:
    Array<std::string> entries;
};

}  // namespace kyn

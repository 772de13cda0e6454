// The text that travels with a DataStore besides its values: history entries, file attributes
// and keyed option lists, with their stored binary forms.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <istream>
#include <ostream>
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

    // Stored form: raw flag byte, title, text, nine int32, user.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);

    bool operator==(const HistoryEntry&) const = default;
};

// A history in its stored form: int32 count, then the entries. Reading resizes `history` to the
// count and overwrites every entry; a negative count, a count the rest of the file cannot hold or
// a bad stream throws "This file is corrupt".
void WriteHistory(std::ostream& os, const std::vector<HistoryEntry>& history);
void ReadHistory(std::istream& is, std::vector<HistoryEntry>& history);

struct FileAttributes {
    bool asAcquired = true;
    bool cfrCompliant = true;
    std::string timeStamp;
    std::string fileId;

    // Stored form: cfrCompliant byte, asAcquired byte, fileId, timeStamp.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);
    bool operator==(const FileAttributes&) const = default;
};

struct ParentFileAttributes : FileAttributes {
    std::string fileName;

    // Stored form: fileName, then the FileAttributes form.
    void Write(std::ostream& os) const;
    void Read(std::istream& is);
    bool operator==(const ParentFileAttributes&) const = default;
};

// Entries of the form key ":" value.
class OptionList {
public:
    Array<std::string> entries;

    // Stored form: int32 count, then each entry up to its first NUL, followed by one NUL.
    void Write(std::ostream& os) const;
    // A negative count, or one the rest of the file cannot hold, throws "The file is corrupt.\n".
    void Read(std::istream& is);
};

}  // namespace kyn

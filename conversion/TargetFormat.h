// TargetFormat: the formats a conversion can write, as one table made from the format registry
// (formats/Registry.h): a target's index, key, extension, stream mode and writer. The job and the
// command line's --help and --to read it; tests build tables of their own with recording or
// failing writers.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "formats/Registry.h"

namespace kyn {

// Writes the DataStore to the open stream; reports failure through the stream state or an
// exception whose text is the reason (the job turns both into its save-failure question).
using TargetWriter = std::function<void(DataStore&, std::ostream&, const WriterOptions&)>;

struct TargetFormat {
    int index;               // the stored DefaultFileType value
    const char* key;         // short name used on the command line ("dsx", "csv", ...)
    const char* name;        // what the user picks
    const char* extension;   // used when UseSensibleExtensions is on
    StreamMode mode;         // binary or CR LF text, whatever the extension
    TargetWriter write;
};

using TargetTable = std::vector<TargetFormat>;

// The real targets, indices 0 to 6.
const TargetTable& TargetFormats();

// The entry with that index, or null (stored settings may hold any value).
const TargetFormat* FindTarget(const TargetTable& table, int index);
const TargetFormat* FindTargetByKey(const TargetTable& table, std::string_view key);

// ".txt" when UseSensibleExtensions is 0, otherwise the target's own extension.
std::string TargetExtension(const TargetFormat& target, int useSensibleExtensions);

}  // namespace kyn

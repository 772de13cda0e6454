// Loading from sources other than a named file. DataStore::Load opens the file and calls
// LoadFromStreams; the fuzz targets and the hostile-input tests feed bytes from memory through
// LoadFromMemory, so that they exercise exactly the recognition and the readers of a real load.
#pragma once

#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

#include "datastore/DataStore.h"
#include "formats/Registry.h"

namespace kyn {

// Gives the same content again as a text-mode stream positioned at its start (null when it
// cannot). Called at most once, after recognition, and only for the text formats.
using TextReopener = std::function<std::unique_ptr<std::istream>()>;

// Recognises the format from the first line of `binary` and runs the matching reader: the
// binary readers on `binary`, the text readers on what `reopenAsText` gives. Same results and
// exceptions as DataStore::Load, except that fileName is left to the caller.
bool LoadFromStreams(DataStore& ds, std::istream& binary, const TextReopener& reopenAsText, bool headerOnly);

// LoadFromStreams over a copy of `bytes`; fileName becomes "(memory)".
bool LoadFromMemory(DataStore& ds, std::string_view bytes, bool headerOnly = false);

// The longest first line looked at (the CARY probe's second line too): every recognised first
// line is far shorter, and a file whose first line runs on past it is unrecognised at once.
inline constexpr std::size_t kFirstLineLimit = 8192;

// The format whose reader takes the file, judged by its first line alone (as a load would, without
// the CARY probe); null when the file cannot be opened, is no regular file, its first line is
// unrecognised, or it is an export-only format.
const FormatInfo* RecogniseFile(const std::string& path);

// The name of the format a store was read from, for people and reports: formatName when it is a
// format's name, otherwise the format whose reader takes formatName as a first line (a JCAMP-DX
// file's formatName is its "##TITLE=..." line); formatName itself when no format claims it.
std::string ReadFormatName(const DataStore& ds);

// What the path names when that is not a regular file ("a folder", "a named pipe (FIFO)", "a
// character device", ...); empty for a regular file, or when the path cannot be looked at.
std::string NotARegularFile(const std::string& path);
// The same for a file mode as stat() gives it.
std::string KindOfFile(unsigned mode);

}  // namespace kyn

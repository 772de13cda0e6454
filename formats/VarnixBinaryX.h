// The records that only VarnixBinaryX stores, in their stored forms (VarnixBinaryX.cpp has the
// file's layout around them). Little-endian; text = the bytes up to the first NUL, then one NUL.
#pragma once

#include <istream>
#include <ostream>
#include <vector>

#include "datastore/DataStore.h"

namespace kyn::binaryx {

// History entry: raw flag byte, title, text, nine int32 of the time stamp, user. A history is an
// int32 count and the entries; reading resizes `history` to the count and overwrites every
// entry. A negative count, one the rest of the file cannot hold, or a bad stream throws "This
// file is corrupt".
void WriteHistory(std::ostream& os, const std::vector<HistoryEntry>& history);
void ReadHistory(std::istream& is, std::vector<HistoryEntry>& history);

// FileAttributes: cfrCompliant byte, asAcquired byte, fileId, timeStamp. ParentFileAttributes:
// fileName, then the FileAttributes form.
void WriteAttributes(std::ostream& os, const FileAttributes& a);
void ReadAttributes(std::istream& is, FileAttributes& a);
void WriteAttributes(std::ostream& os, const ParentFileAttributes& a);
void ReadAttributes(std::istream& is, ParentFileAttributes& a);

// Keyed options: int32 count, then each entry. A negative count, or one the rest of the file
// cannot hold, throws "The file is corrupt.\n".
void WriteOptions(std::ostream& os, const OptionList& options);
void ReadOptions(std::istream& is, OptionList& options);

// View state: reserved, count, order, ranges (maximum, minimum), number of marker lists, then per
// list the visible markers (position, b, a, label text, visible byte). Writing a state with no
// dimensions throws "Datastore not valid"; reading a count outside 1..20, a marker count the rest
// of the file cannot hold, or a stream that fails throws "The file is corrupt.\n".
void WriteViewState(std::ostream& os, const DimensionViewState& state);
void ReadViewState(std::istream& is, DimensionViewState& state);

}  // namespace kyn::binaryx

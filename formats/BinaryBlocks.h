// Pieces shared by the native formats: the dimension record and the value block of the two binary
// ones (VarnixBinary and VarnixBinaryX), the sanity limits that keep a hostile count from turning
// into a huge allocation or a read outside the block, and the writers' refusals of what a format
// cannot hold.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "datastore/DataStore.h"
#include "util/Crc32.h"

namespace kyn::native {

// Largest value block the binary formats carry (256 MiB); a stored byte count above it is refused.
inline constexpr std::uint32_t kMaxDataBytes = 0x10000000u;

// How much of a value block may be missing from the rest of a file before the block is
// allocated. A file that ends inside its values is refused once they have been read, but a block
// that the rest of the file falls short of by more than this is a broken or hostile count:
// refusing it at once keeps a small file from reserving a large block.
inline constexpr std::int64_t kMaxMissingBytes = std::int64_t{4} << 20;

// Refuses, with "The file is corrupt.\n", a DataStore whose properties and dimensions call for
// more values than a 32-bit count can hold, or for a block that the rest of the file (bytesLeft,
// at minBytesPerValue per value) falls short of by more than kMaxMissingBytes. With bytesLeft -1
// (unknown, or a header-only read that has no block) only the format's limit kMaxDataBytes
// applies.
void CheckValueCount(const DataStore& ds, std::int64_t bytesLeft, int minBytesPerValue);

// Dimension record: name text, int32 N, N float32. The name is read up to its NUL; when the file
// ends first the record is left as it was, the stream fails and false is returned. A value count
// that is negative or that the rest of the file cannot hold throws "The file is corrupt.\n";
// so does one outside 1..kMaxDataBytes when `strictCount` is set. The values (not the name, not
// N) are fed to `crc` when one is given.
bool ReadDimensionRecord(std::istream& is, Dimension& dimension, Crc32* crc, bool strictCount);
void WriteDimensionRecord(std::ostream& os, const Dimension& dimension, Crc32* crc);

// Reads a value block of `byteCount` bytes into ds.data, which Initialize sized to the value
// count V. Only the first 4 x V bytes go into the block; surplus bytes (a larger count, or a count
// that is not a multiple of 4) are read past so the fields after the block are found, and never
// stored. A count smaller than 4 x V throws "Index out-of-range in DPointer::operator[]". A file
// that ends inside the V values throws "The file is corrupt." with how many of them it held.
// Every byte read is fed to `crc` when one is given.
void ReadValueBlock(std::istream& is, DataStore& ds, std::uint32_t byteCount, Crc32* crc);

// Writes B = 4 x V as int32 and then the V values, feeding both to `crc`. Values missing from a
// block shorter than V are written as 0, surplus ones are not written. A value count that does
// not fit the format fails the stream.
void WriteValueBlock(std::ostream& os, const DataStore& ds, Crc32* crc);

// ComputeDataRange for a block that has values; an empty block keeps the range (0, 0).
void ComputeRangeIfAny(DataStore& ds);

// The native writers check what they cannot hold before anything is written (CannotHold in
// datastore/Errors.h). Values to write: at least one property over axes that all have steps (a store without values is
// refused on loading, so a file of one would never load again), and at most `maxValues`.
void RequireValues(const DataStore& ds, const char* format, std::int64_t maxValues);
// A text written with a closing NUL cannot hold a NUL of its own.
void RequireNoNul(std::string_view text, const char* format, const char* what);

// The four bytes of a count read as int32 are the start of an old-style text without a count:
// steps back over them so that they are read again in file order.
void StepBack4(std::istream& is);

}  // namespace kyn::native

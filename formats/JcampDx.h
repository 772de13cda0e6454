// JCAMP-DX 5.0 export (.jdx) of a DataStore, cut into XYDATA blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/DataStore.h"

namespace kyn {

class JcampDxExporter {
public:
    // Fixes the number of properties and the time stamp: lastModified when it reads as a date,
    // else the title when it does, else now.
    explicit JcampDxExporter(DataStore& store);

    // The header records, then one block per property (and per step of a block dimension).
    // Notes in `losses`, when given, values it could not write as they are.
    std::ostream& Write(std::ostream& os, LossNotes* losses = nullptr);

private:
    DataStore& store_;
    int propertyCount_;
    std::int64_t timeStamp_;
};

namespace jcamp {

// A date text as "d/m/y h:m:s" or in the ctime layout ("Wed Jan 02 02:03:55 1980"), for a valid
// local date from 1970 to 2036; false for anything else.
bool ParseDate(const std::string& text, std::time_t& out);

// `text` in ASCII, for the text records: other characters (UTF-8 when the text is well-formed
// UTF-8, otherwise Windows-1252 bytes) become a close ASCII form ("µ" -> "u", "°" -> "deg") or
// '?', counted in `unmapped`; tabs and line ends become blanks, so that a record stays one line.
std::string AsciiText(std::string_view text, std::int64_t* unmapped = nullptr);

// The decimals, `atLeast` or more, with which every finite value reads back within 1e-7 of itself
// (relative) in fixed notation and neighbouring values that differ stay different; -1 when even
// the most decimals are not enough (values below about 1e-10).
int XDecimals(const float* values, int n, int atLeast);

// The fewest decimals, 4 or more, with which x alone reads back within 1e-7 of itself in fixed
// notation; -1 below about 5e-11 (written in its shortest fixed form instead).
int PointDecimals(float x);

// The fewest data lines of a block that two threads format (4 chunks of 16,384 lines); the text is
// the same either way, which a test checks by setting it low.
void SetParallelLinesFrom(int lines);

// Reads a file this program wrote for `written` (through a text-mode stream) and compares every
// block with the data it was written from: the same blocks and points, X within the decimals
// written, Y within one YFACTOR. "" when it matches, otherwise the first difference. Moves the
// store's current steps, as writing does.
std::string CheckFile(std::istream& text, DataStore& written);

// The unit name written for a dimension or property name.
const char* UnitName(const std::string& name);

// The spread measure of the YFACTOR search: with t the number of pairs (i, k) such that
// 1 <= k < n-1-i and a[k] == a[i], the value floor(100 t / n); with a divisor other than 0 (finite),
// the measure of the quotients a[i] / divisor. The values are sorted in batches of neighbouring
// value ranges of at most `batchPositions` positions (eight bytes each) at a time; a value at
// more positions, or a run of equal quotients too long to keep (values whose quotients all
// overflow to infinity, say), is counted by a walk over the block instead of being held.
constexpr std::size_t kRepeatBatchPositions = std::size_t{1} << 20;
std::int64_t RepeatMeasure(const float* a, int n, float divisor = 0.0f,
                           std::size_t batchPositions = kRepeatBatchPositions);

// The measures for up to eight divisors (0: the values themselves) from one walk over the values.
std::vector<std::int64_t> RepeatMeasures(const float* a, int n, std::span<const float> divisors,
                                         std::size_t batchPositions = kRepeatBatchPositions);

// The Y factor written for a block: the first of 1e-6 ... 1e-1 under which dividing the values
// keeps their repeat measure, else 1; raised to the smallest power of ten at which every finite
// quotient has a 32-bit integer form.
float ChooseYFactor(const float* values, int n, std::size_t batchPositions = kRepeatBatchPositions);

}  // namespace jcamp

}  // namespace kyn

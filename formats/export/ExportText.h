// Pieces shared by the text writers of this folder: a chunked output buffer that formats numbers
// straight into its own memory, the stable ordering of dimensions by size, and the "regular
// count" of an axis against its view-state range.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "datastore/DataStore.h"
#include "util/Buffer.h"

namespace kyn {

// How floating-point numbers are spelled.
enum class NumberStyle {
    kGeneral,       // %g, six significant digits, exponent of at least three digits: 1e-005
    kGeneralUpper,  // the same with a capital E: 1.5E-005
    kGeneralGerman  // the same with a decimal comma and "." between groups of three digits
};

// Collects text in a 64 KiB buffer and hands it to the stream in large writes. Numbers are
// formatted directly into the buffer; nothing is allocated per value.
class ChunkWriter {
public:
    explicit ChunkWriter(std::ostream& os, NumberStyle style = NumberStyle::kGeneral,
                         std::size_t capacity = std::size_t{1} << 16);
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    void SetStyle(NumberStyle style) { style_ = style; }

    ChunkWriter& Put(std::string_view text);
    ChunkWriter& Put(char c) {
        if (pos_ == end_) Drain();
        *pos_++ = c;
        return *this;
    }
    // A float or double in the current style (a float is widened to double first).
    ChunkWriter& Number(double v) {
        Reserve(kNumberRoom);
        pos_ = FormatNumber(pos_, v);
        return *this;
    }
    // An integer; German style groups its digits.
    ChunkWriter& Integer(long long v);
    // Fixed notation with `decimals` digits after the point (JCAMP-DX).
    ChunkWriter& Fixed(double v, int decimals);
    ChunkWriter& Newline() { return Put('\n'); }

    // Hands the buffered text to the stream.
    void Drain();
    // Drain, then flush the stream.
    void Flush();

private:
    static constexpr std::size_t kNumberRoom = 32;  // longest general or integer text: 26
    void Reserve(std::size_t n) {
        if (static_cast<std::size_t>(end_ - pos_) < n) Drain();
    }
    char* FormatNumber(char* out, double v) const;

    std::ostream& os_;
    NumberStyle style_;
    CharBuffer buffer_;
    char* pos_;
    char* end_;
};

// Notes that an export wrote `kept` of the store's `total` values, and `why`, when it wrote fewer.
void NoteKept(LossNotes* losses, std::int64_t kept, std::int64_t total, const std::string& why);

// The dimensions ordered by descending size, a stable bubble sort (a swap only when the later
// size is strictly greater, so equal sizes keep their index order).
struct DimensionOrder {
    std::vector<int> size;
    std::vector<int> index;
};
DimensionOrder SortDimensionsBySize(const DataStore& ds);

// Number of axis values of dimension d that lie at or below the maximum of its view-state range,
// with a relative tolerance of one float epsilon on the value's magnitude. When the view state
// has no range for d, the dimension's own range stands in (what Initialize would have stored).
int RegularCount(const DataStore& ds, int d);

}  // namespace kyn

// ChunkWriter: the one text writer of the formats. It collects text in a large buffer and hands
// it to the stream in large writes; numbers are formatted straight into the buffer (never through
// printf or operator<< one by one), so nothing is allocated per value.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

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

    // Room for `n` characters written straight into the buffer (a line of numbers at once):
    // Room(n) gives where they go, Commit(end) takes what was written up to end.
    char* Room(std::size_t n) {
        Reserve(n);
        return pos_;
    }
    void Commit(char* end) { pos_ = end; }

    // True when the stream turns "\n" into CR LF itself (a text-mode file): then text made with
    // CR LF line ends elsewhere may be handed on with PutTranslated.
    bool TranslatesLineEnds() const;
    // Text with CR LF line ends, after what is buffered, past the stream's own translation.
    void PutTranslated(std::string_view text);

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

}  // namespace kyn

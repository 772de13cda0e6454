// A buffered reading cursor for the text readers of this folder. It pulls large chunks from the
// stream's buffer and parses numbers with std::from_chars, while keeping the state rules of a
// formatted std::istream: white space skipped before a number or word, end of file and failure
// recorded the way the stream would record them, nothing done once a failure is recorded, and
// ApplyTo hands that state back to the stream.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "util/Buffer.h"

namespace kyn {

class StreamCursor {
public:
    // Reads from the stream's buffer at its current position.
    explicit StreamCursor(std::istream& is, std::size_t chunk = std::size_t{1} << 16);

    // Next character without taking it; -1 at the end (which sets nothing).
    int Peek() {
        if (pos_ == end_ && !Refill()) return -1;
        return static_cast<unsigned char>(*pos_);
    }
    int Get() {
        const int c = Peek();
        if (c >= 0) ++pos_;
        return c;
    }

    // std::ws: skips white space; reaching the end sets eof (not fail).
    void SkipWs();
    // std::getline with a delimiter: the delimiter is taken, not stored; the end sets eof, and
    // extracting nothing at all sets fail too.
    bool GetLine(std::string& out, char delim = '\n');
    // Characters up to `delim` or the end of the line, whichever comes first; the one that stops
    // the read is taken (reported in `stop`, -1 at the end). Sets fail when nothing is left to read.
    bool GetUntil(std::string& out, char delim, int* stop = nullptr);
    // operator>> for a word, a double, a float and an int: leading white space skipped; a missing
    // or malformed number sets fail (the value becomes 0, or the largest value of the type when
    // it is out of range); reaching the end while reading sets eof.
    bool ReadWord(std::string& out);
    bool ReadDouble(double& v);
    bool ReadFloat(float& v);
    bool ReadInt(int& v);

    bool Good() const { return !fail_ && !eof_; }
    bool Failed() const { return fail_; }
    bool AtEof() const { return eof_; }
    void SetFail() { fail_ = true; }
    void ClearState() { fail_ = eof_ = false; }
    void ClearEof() { eof_ = false; }

    // Replaces the stream's state by the cursor's (eof and fail).
    void ApplyTo(std::istream& is) const;

private:
    bool Refill();
    // A formatted read may start only in good state (as the stream's sentry); otherwise fail.
    bool Sentry();
    // Collects the characters of a decimal number into token_ (sign, digits, point, exponent).
    void CollectNumber(bool allowFraction);

    std::streambuf* source_;
    CharBuffer buffer_;
    char* pos_;
    char* end_;
    bool eof_ = false;
    bool fail_ = false;
    std::string token_;
};

}  // namespace kyn

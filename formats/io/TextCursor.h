// TextCursor: reads a text stream through a large buffer while behaving, value by value, like the
// formatted input of std::istream in the "C" locale.
//
// The text readers were first described in terms of stream operations (skip white space, read a
// line, extract an integer or a float, take one character); their handling of broken files rests
// on exactly when a stream sets eofbit and failbit. The cursor keeps those two flags itself and
// follows the stream rules:
//  - every operation on a cursor that is not good sets fail and does nothing else;
//  - SkipWs (std::ws) sets only eof when it reaches the end;
//  - GetLine (std::getline) sets eof at the end, and fail as well when it extracted nothing;
//  - ReadInt / ReadFloat skip white space (the end there sets eof and fail), take the longest
//    number text, set eof when the number runs into the end and fail when there is no number
//    (value 0) or it is out of range (value at the limit);
//  - Get / Peek take one character; Get at the end sets eof and fail.
//  - ReadWord (operator>> for a string) skips white space and takes characters up to the next
//    white space; GetUntil takes characters up to a delimiter or the end of the line.
// Numbers are parsed with std::from_chars. Beyond what a stream reads, ReadFloat also accepts
// "nan", "inf" and "-inf" (the forms our writers print for NaN and infinity). A number too small
// for its type reads as zero (of its sign) without a failure, as the stream of the C++ library
// reads it; one too large fails at the type's largest value. Every text reader of the program
// reads its numbers through this one cursor, so one text means one value in every format.
//
// The cursor reads ahead from the stream buffer; Finish() passes its flags on to the stream.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "util/Buffer.h"

namespace kyn {

class TextCursor {
public:
    explicit TextCursor(std::istream& is, std::size_t chunk = std::size_t{1} << 16);
    TextCursor(const TextCursor&) = delete;
    TextCursor& operator=(const TextCursor&) = delete;

    bool good() const { return !eof_ && !fail_; }
    bool eof() const { return eof_; }
    bool fail() const { return fail_; }
    void SetFail() { fail_ = true; }
    void Clear() { eof_ = fail_ = false; }
    void ClearEof() { eof_ = false; }

    void SkipWs();
    void GetLine(std::string& line, char delimiter = '\n');
    // GetLine that gives up after `limit` characters: false (and nothing taken beyond them) when
    // no line end comes within them. For the first lines of a file that may be anything at all.
    bool GetLineCapped(std::string& line, std::size_t limit);
    // Characters up to `delimiter` or the end of the line, whichever comes first; the character
    // that stops the read is taken and reported in `stop` (-1 at the end of the text). At the end
    // sets eof, and fail as well when nothing was taken.
    void GetUntil(std::string& out, char delimiter, int* stop = nullptr);
    // operator>> for a word: white space skipped, then characters up to the next white space.
    void ReadWord(std::string& word);
    int Get();   // the character, or -1
    int Peek();  // the next character without taking it, or -1 (sets eof at the end)
    void ReadInt(int& value);
    void ReadFloat(float& value);
    // SkipWs, ReadFloat and Get of `separator` in one step, for the common case of a short
    // number followed directly by the separator well inside the buffer: true when that is what
    // the text held (all three done). False when it is not, with nothing taken but white space,
    // so the caller goes on with the three steps themselves.
    bool ReadFloatAndSeparator(float& value, char separator);
    void ReadDouble(double& value);
    // Characters up to and consuming the next NUL; the end of the text first throws
    // "The file is corrupt.\n".
    std::string ReadTerminated();

    // The next line (without its line feed) without consuming it; `terminated` tells whether a
    // line feed ends it. Empty view with terminated false at the end of the text.
    std::string_view PeekLine(bool& terminated);

    // Appends to `out` the text up to and including the line feed that ends the `rows`-th line
    // holding anything but white space (blank lines on the way are taken too), and returns how
    // many such lines it took: fewer when the text ends first (eof is then set, and a last line
    // without a line feed is taken whole). For a reader that hands whole rows to other threads.
    std::size_t TakeLines(std::size_t rows, std::string& out);

    // Upper bound on the characters still to come, or -1 when the stream cannot tell.
    std::int64_t Remaining();

    // Sets the stream's state to the cursor's flags (added to what the stream has).
    void Finish();
    // Replaces the stream's state by the cursor's flags.
    void ApplyTo(std::istream& is) const;

private:
    // Ensures at least `need` characters are buffered, unless the source ends first.
    // Returns the number buffered.
    std::size_t Fill(std::size_t need);
    bool AtEnd() {
        return pos_ == end_ && Fill(1) == 0;
    }
    // End of the run of characters that can belong to a number starting at pos_.
    std::size_t NumberTextEnd();
    // The number text at pos_: its start, where its sign or digits start (after a lone '+') and
    // its end. Without any (digits == nullptr) the stream fails, as a stream does.
    struct NumberText {
        const char* start;
        const char* digits;
        const char* end;
    };
    NumberText TakeNumberText();
    template <typename T>
    bool ParseFloating(T& value);
    bool SkipWsForExtraction();
    // Takes characters while they are (`space`) or are not white space, appending them to
    // `taken` when given; false (eof set) when the text ends first.
    bool TakeWhile(bool space, std::string* taken);

    std::istream& is_;
    std::streambuf* sb_;
    CharBuffer buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t chunk_;
    bool sourceDone_ = false;
    bool eof_ = false;
    bool fail_ = false;
};

// True for the white space of the "C" locale.
inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace kyn

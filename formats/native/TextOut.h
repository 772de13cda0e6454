// TextOut: collects the text of a writer in a large buffer and hands it to the stream in big
// pieces, so that numbers are formatted into memory instead of through operator<< one by one.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "util/Buffer.h"

namespace kyn::native {

class TextOut {
public:
    explicit TextOut(std::ostream& os, std::size_t flushAt = std::size_t{1} << 20);
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    ~TextOut() { Flush(); }

    TextOut& Text(std::string_view s);
    TextOut& Line(std::string_view s) { return Text(s).NewLine(); }
    TextOut& NewLine() { return Char('\n'); }
    TextOut& Char(char c) {
        *pos_++ = c;
        MaybeFlush();
        return *this;
    }
    TextOut& Int(std::int64_t v);
    // A float as %g with six significant digits and an exponent of at least three digits,
    // formatted straight into the buffer.
    TextOut& Float(float v);
    void Flush();

private:
    // The buffer keeps room for one number beyond flushAt_, so a number or a character can
    // always be written before the check.
    static constexpr std::size_t kRoom = 32;
    void MaybeFlush() {
        if (pos_ >= limit_) Flush();
    }
    std::ostream& os_;
    CharBuffer buf_;
    char* pos_;
    char* limit_;
};

}  // namespace kyn::native

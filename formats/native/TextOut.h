// TextOut: collects the text of a writer in a large buffer and hands it to the stream in big
// pieces, so that numbers are formatted into memory instead of through operator<< one by one.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace kyn::native {

class TextOut {
public:
    explicit TextOut(std::ostream& os, std::size_t flushAt = std::size_t{1} << 20);
    TextOut(const TextOut&) = delete;
    TextOut& operator=(const TextOut&) = delete;
    ~TextOut() { Flush(); }

    TextOut& Text(std::string_view s) {
        buf_.append(s);
        MaybeFlush();
        return *this;
    }
    TextOut& Line(std::string_view s) { return Text(s).NewLine(); }
    TextOut& NewLine() { return Char('\n'); }
    TextOut& Char(char c) {
        buf_.push_back(c);
        if (buf_.size() >= flushAt_) Flush();
        return *this;
    }
    TextOut& Int(std::int64_t v);
    // A float as %g with six significant digits and an exponent of at least three digits.
    TextOut& Float(float v);
    void Flush();

private:
    void MaybeFlush() {
        if (buf_.size() >= flushAt_) Flush();
    }
    std::ostream& os_;
    std::string buf_;
    std::size_t flushAt_;
};

}  // namespace kyn::native

#include "formats/native/TextOut.h"

#include <charconv>
#include <cstdio>

namespace kyn::native {

TextOut::TextOut(std::ostream& os, std::size_t flushAt) : os_(os), flushAt_(flushAt) { buf_.reserve(flushAt + 256); }

TextOut& TextOut::Int(std::int64_t v) {
    char tmp[24];
    const auto r = std::to_chars(tmp, tmp + sizeof tmp, v);
    buf_.append(tmp, r.ptr);
    MaybeFlush();
    return *this;
}

TextOut& TextOut::Float(float v) {
    // Placeholder until the shared number formatter is in: printf's %g, exponent widened.
    char tmp[40];
    int n = std::snprintf(tmp, sizeof tmp, "%g", static_cast<double>(v));
    std::string s(tmp, static_cast<std::size_t>(n));
    const auto e = s.find('e');
    if (e != std::string::npos && s.size() - e - 2 < 3) s.insert(e + 2, 3 - (s.size() - e - 2), '0');
    buf_.append(s);
    MaybeFlush();
    return *this;
}

void TextOut::Flush() {
    if (buf_.empty()) return;
    if (os_.good()) os_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
}

}  // namespace kyn::native

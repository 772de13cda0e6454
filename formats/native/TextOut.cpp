#include "formats/native/TextOut.h"

#include "util/NumberFormat.h"

namespace kyn::native {

TextOut::TextOut(std::ostream& os, std::size_t flushAt) : os_(os), flushAt_(flushAt) { buf_.reserve(flushAt + 256); }

TextOut& TextOut::Int(std::int64_t v) {
    char tmp[kMaxIntChars];
    buf_.append(tmp, FormatInt(tmp, v));
    MaybeFlush();
    return *this;
}

TextOut& TextOut::Float(float v) {
    char tmp[kMaxGChars];
    buf_.append(tmp, FormatG(tmp, static_cast<double>(v)));
    MaybeFlush();
    return *this;
}

void TextOut::Flush() {
    if (buf_.empty()) return;
    if (os_.good()) os_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.clear();
}

}  // namespace kyn::native

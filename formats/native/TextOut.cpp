#include "formats/native/TextOut.h"

#include <cstring>

#include "util/NumberFormat.h"

namespace kyn::native {

TextOut::TextOut(std::ostream& os, std::size_t flushAt)
    : os_(os), buf_((flushAt < 1024 ? 1024 : flushAt) + kRoom) {
    pos_ = buf_.data();
    limit_ = buf_.data() + (buf_.size() - kRoom);
}

TextOut& TextOut::Text(std::string_view s) {
    while (!s.empty()) {
        const std::size_t room = static_cast<std::size_t>(limit_ - pos_);
        const std::size_t n = s.size() < room ? s.size() : room;
        std::memcpy(pos_, s.data(), n);
        pos_ += n;
        s.remove_prefix(n);
        MaybeFlush();
    }
    return *this;
}

TextOut& TextOut::Int(std::int64_t v) {
    pos_ = FormatInt(pos_, v);
    MaybeFlush();
    return *this;
}

TextOut& TextOut::Float(float v) {
    pos_ = FormatG(pos_, static_cast<double>(v));
    MaybeFlush();
    return *this;
}

void TextOut::Flush() {
    const std::size_t n = static_cast<std::size_t>(pos_ - buf_.data());
    pos_ = buf_.data();
    if (n == 0) return;
    if (os_.good()) os_.write(buf_.data(), static_cast<std::streamsize>(n));
}

}  // namespace kyn::native

#include "util/TextStream.h"

#include <algorithm>
#include <cstring>

namespace kyn {

// ---------------------------------------------------------------------------------------------
// Output

// Both buffers have kSlack bytes more than they are used for, so that a short line can be moved
// with one fixed-size copy that may read and write past its end.
constexpr std::size_t kSlack = 32;

TextOutBuf::TextOutBuf(std::streambuf* sink, std::size_t bufferSize)
    : sink_(sink), buffer_(bufferSize + kSlack), translated_(bufferSize * 2 + kSlack) {
    setp(buffer_.data(), buffer_.data() + bufferSize);
}

TextOutBuf::~TextOutBuf() { FlushBuffer(); }

bool TextOutBuf::FlushBuffer() {
    const char* p = pbase();
    const char* end = pptr();
    if (p == end) return true;
    char* out = translated_.data();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = nl ? nl : end;
        const auto length = static_cast<std::size_t>(stop - p);
        if (length <= kSlack)
            std::memcpy(out, p, kSlack);  // short lines (most numeric rows): one fixed-size move
        else
            std::memcpy(out, p, length);
        out += length;
        if (!nl) break;
        *out++ = '\r';
        *out++ = '\n';
        p = nl + 1;
    }
    setp(buffer_.data(), buffer_.data() + (buffer_.size() - kSlack));
    const std::streamsize n = out - translated_.data();
    return sink_ && sink_->sputn(translated_.data(), n) == n;
}

bool TextOutBuf::WriteTranslated(const char* s, std::streamsize n) {
    return FlushBuffer() && sink_ && sink_->sputn(s, n) == n;
}

TextOutBuf::int_type TextOutBuf::overflow(int_type ch) {
    if (!FlushBuffer()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

std::streamsize TextOutBuf::xsputn(const char* s, std::streamsize n) {
    std::streamsize done = 0;
    while (done < n) {
        std::streamsize room = epptr() - pptr();
        if (room == 0) {
            if (!FlushBuffer()) return done;
            room = epptr() - pptr();
        }
        const std::streamsize chunk = std::min(room, n - done);
        std::memcpy(pptr(), s + done, static_cast<std::size_t>(chunk));
        pbump(static_cast<int>(chunk));
        done += chunk;
    }
    return done;
}

int TextOutBuf::sync() {
    if (!FlushBuffer()) return -1;
    return sink_->pubsync();
}

// ---------------------------------------------------------------------------------------------
// Input

TextInBuf::TextInBuf(std::streambuf* source, std::size_t bufferSize)
    : source_(source), raw_(bufferSize), buffer_(bufferSize + 1) {
    setg(buffer_.data(), buffer_.data(), buffer_.data());
}

TextInBuf::int_type TextInBuf::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!source_) return traits_type::eof();
    bufferStart_ = rawPos_ - (pendingCr_ ? 1 : 0);
    droppedCr_.clear();
    char* out = buffer_.data();
    if (pendingCr_) *out++ = '\r';
    pendingCr_ = false;
    const std::streamsize got = source_->sgetn(raw_.data(), static_cast<std::streamsize>(raw_.size()));
    if (got <= 0) {
        // End of input: a carriage return held back from the last chunk stands alone.
        setg(buffer_.data(), buffer_.data(), out);
        return out == buffer_.data() ? traits_type::eof() : traits_type::to_int_type(buffer_[0]);
    }
    rawPos_ += got;
    const char* p = raw_.data();
    const char* end = p + got;
    // Line by line: each run up to a line feed is copied whole, and the line feed either replaces
    // the carriage return just before it (wherever that came from) or is copied.
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* stop = lf ? lf : end;
        std::memcpy(out, p, static_cast<std::size_t>(stop - p));
        out += stop - p;
        if (!lf) break;
        p = lf + 1;
        if (out > buffer_.data() && out[-1] == '\r') {
            out[-1] = '\n';
            droppedCr_.push_back(static_cast<std::size_t>(out - 1 - buffer_.data()));
        } else {
            *out++ = '\n';
        }
    }
    // A carriage return at the very end may be the first half of a CR LF: keep it for the next
    // chunk, unless it is the only character (then deliver it; the next fetch decides).
    if (out - buffer_.data() > 1 && out[-1] == '\r') {
        --out;
        pendingCr_ = true;
    }
    setg(buffer_.data(), buffer_.data(), out);
    return traits_type::to_int_type(buffer_[0]);
}

std::streamsize TextInBuf::showmanyc() { return egptr() - gptr(); }

TextInBuf::pos_type TextInBuf::seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) {
    if (!(which & std::ios_base::in) || !source_) return pos_type(off_type(-1));
    if (dir == std::ios_base::cur && off == 0) {
        // Report the underlying position of the next character.
        const std::size_t index = static_cast<std::size_t>(gptr() - eback());
        const std::size_t dropped = static_cast<std::size_t>(
            std::lower_bound(droppedCr_.begin(), droppedCr_.end(), index) - droppedCr_.begin());
        if (gptr() == egptr() && eback() == egptr()) return pos_type(rawPos_ - (pendingCr_ ? 1 : 0));
        return pos_type(bufferStart_ + static_cast<std::streamoff>(index + dropped));
    }
    if (dir == std::ios_base::cur) {
        const pos_type here = seekoff(0, std::ios_base::cur, which);
        if (here == pos_type(off_type(-1))) return here;
        return seekpos(pos_type(off_type(here) + off), which);
    }
    const pos_type p = source_->pubseekoff(off, dir, std::ios_base::in);
    if (p == pos_type(off_type(-1))) return p;
    rawPos_ = off_type(p);
    bufferStart_ = rawPos_;
    pendingCr_ = false;
    droppedCr_.clear();
    setg(buffer_.data(), buffer_.data(), buffer_.data());
    return p;
}

TextInBuf::pos_type TextInBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

// ---------------------------------------------------------------------------------------------
// File streams

TextOFStream::TextOFStream() : std::ostream(nullptr), text_(&file_) { rdbuf(&text_); }

TextOFStream::TextOFStream(const std::string& path) : TextOFStream() { open(path); }

TextOFStream::~TextOFStream() {
    if (file_.is_open()) {
        text_.pubsync();
        file_.close();
    }
}

void TextOFStream::open(const std::string& path, std::ios_base::openmode mode) {
    if (!file_.open(path, mode | std::ios_base::binary))
        setstate(std::ios_base::failbit);
    else
        clear();
}

void TextOFStream::close() {
    if (!file_.is_open()) return;
    if (text_.pubsync() != 0) setstate(std::ios_base::badbit);
    if (!file_.close()) setstate(std::ios_base::failbit);
}

}  // namespace kyn

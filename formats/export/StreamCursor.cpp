#include "formats/export/StreamCursor.h"

#include <charconv>
#include <cctype>
#include <climits>
#include <cmath>
#include <limits>

namespace kyn {

namespace {

bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

StreamCursor::StreamCursor(std::istream& is, std::size_t chunk)
    : source_(is.rdbuf()), buffer_(chunk < 16 ? 16 : chunk) {
    pos_ = end_ = buffer_.data();
}

bool StreamCursor::Refill() {
    if (!source_) return false;
    const std::streamsize got = source_->sgetn(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    pos_ = buffer_.data();
    end_ = pos_ + (got > 0 ? got : 0);
    return got > 0;
}

bool StreamCursor::Sentry() {
    if (fail_ || eof_) {
        fail_ = true;
        return false;
    }
    return true;
}

void StreamCursor::SkipWs() {
    if (fail_ || eof_) {
        fail_ = true;
        return;
    }
    for (;;) {
        const int c = Peek();
        if (c < 0) {
            eof_ = true;
            return;
        }
        if (!IsSpace(c)) return;
        ++pos_;
    }
}

bool StreamCursor::GetLine(std::string& out, char delim) {
    out.clear();
    if (!Sentry()) return false;
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !Refill()) {
            eof_ = true;
            if (!any) fail_ = true;
            return !fail_;
        }
        // Scan the buffered run for the delimiter in one go.
        char* stop = pos_;
        while (stop < end_ && *stop != delim) ++stop;
        out.append(pos_, stop);
        any = any || stop > pos_;
        if (stop < end_) {
            pos_ = stop + 1;
            return true;
        }
        pos_ = stop;
    }
}

bool StreamCursor::GetUntil(std::string& out, char delim, int* stop) {
    out.clear();
    if (stop) *stop = -1;
    if (!Sentry()) return false;
    bool any = false;
    for (;;) {
        const int c = Get();
        if (c < 0) {
            eof_ = true;
            if (!any) fail_ = true;
            return !fail_;
        }
        any = true;
        if (c == delim || c == '\n') {
            if (stop) *stop = c;
            return true;
        }
        out += static_cast<char>(c);
    }
}

bool StreamCursor::ReadWord(std::string& out) {
    out.clear();
    SkipWs();
    if (eof_ || fail_) {
        fail_ = true;
        return false;
    }
    for (;;) {
        const int c = Peek();
        if (c < 0) {
            eof_ = true;
            break;
        }
        if (IsSpace(c)) break;
        out += static_cast<char>(c);
        ++pos_;
    }
    return true;
}

void StreamCursor::CollectNumber(bool allowFraction) {
    token_.clear();
    int c = Peek();
    if (c == '+' || c == '-') {
        token_ += static_cast<char>(c);
        ++pos_;
        c = Peek();
    }
    // Our writers spell the non-finite values nan and inf (any case); take the word whole.
    if (allowFraction && (c == 'n' || c == 'N' || c == 'i' || c == 'I')) {
        while (c >= 0 && std::isalpha(c) && token_.size() < 16) {
            token_ += static_cast<char>(c);
            ++pos_;
            c = Peek();
        }
        if (c < 0) eof_ = true;
        return;
    }
    bool point = false, exponent = false;
    for (;;) {
        if (c < 0) {
            eof_ = true;
            return;
        }
        if (IsDigit(c)) {
            token_ += static_cast<char>(c);
        } else if (allowFraction && c == '.' && !point && !exponent) {
            point = true;
            token_ += '.';
        } else if (allowFraction && (c == 'e' || c == 'E') && !exponent) {
            exponent = true;
            token_ += 'e';
            ++pos_;
            c = Peek();
            if (c == '+' || c == '-') {
                token_ += static_cast<char>(c);
                ++pos_;
                c = Peek();
            }
            continue;
        } else {
            return;
        }
        ++pos_;
        c = Peek();
    }
}

bool StreamCursor::ReadDouble(double& v) {
    SkipWs();
    if (eof_ || fail_) {
        fail_ = true;
        v = 0.0;
        return false;
    }
    CollectNumber(true);
    const char* first = token_.data();
    const char* last = first + token_.size();
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-')) negative = *first++ == '-';
    double x = 0.0;
    const auto r = std::from_chars(first, last, x, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow gives the largest value, underflow zero; either fails the stream.
        fail_ = true;
        const bool tiny = token_.find("e-") != std::string::npos;
        v = tiny ? 0.0 : (negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max());
        return false;
    }
    if (r.ec != std::errc() || r.ptr != last) {
        fail_ = true;
        v = 0.0;
        return false;
    }
    v = negative ? -x : x;
    return true;
}

bool StreamCursor::ReadFloat(float& v) {
    double d = 0.0;
    const bool ok = ReadDouble(d);
    if (ok && std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
        fail_ = true;
        v = d < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
        return false;
    }
    v = static_cast<float>(d);
    return ok;
}

bool StreamCursor::ReadInt(int& v) {
    SkipWs();
    if (eof_ || fail_) {
        fail_ = true;
        v = 0;
        return false;
    }
    CollectNumber(false);
    const char* first = token_.data();
    const char* last = first + token_.size();
    if (first < last && *first == '+') ++first;
    long long x = 0;
    const auto r = std::from_chars(first, last, x);
    if (r.ec == std::errc::result_out_of_range || (r.ec == std::errc() && (x > INT_MAX || x < INT_MIN))) {
        fail_ = true;
        v = (!token_.empty() && token_[0] == '-') ? INT_MIN : INT_MAX;
        return false;
    }
    if (r.ec != std::errc() || r.ptr != last) {
        fail_ = true;
        v = 0;
        return false;
    }
    v = static_cast<int>(x);
    return true;
}

void StreamCursor::ApplyTo(std::istream& is) const {
    std::ios_base::iostate state = std::ios_base::goodbit;
    if (eof_) state |= std::ios_base::eofbit;
    if (fail_) state |= std::ios_base::failbit;
    is.clear(state);
}

}  // namespace kyn

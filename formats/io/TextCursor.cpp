#include "formats/io/TextCursor.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "formats/io/BinaryIO.h"
#include "datastore/Errors.h"

namespace kyn {

namespace {

// from_chars takes no leading '+': skip one, as a stream does; null when a second sign follows
// it, which a stream refuses.
const char* AfterPlusSign(const char* p, const char* e) {
    if (p < e && *p == '+') {
        ++p;
        if (p < e && (*p == '-' || *p == '+')) return nullptr;
    }
    return p;
}

// Characters that can be part of a number text, "nan(...)" and "infinity" included. A run of them
// bounds what from_chars may consume, so the buffer only has to hold the run.
// A table, since the scan runs over every character of every number.
struct NumberChars {
    bool table[256] = {};
    constexpr NumberChars() {
        for (int c = 0; c < 256; ++c)
            table[c] = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' ||
                       c == '-' || c == '.' || c == '(' || c == ')' || c == '_';
    }
};
constexpr NumberChars kNumberChars;

inline bool IsNumberChar(char c) { return kNumberChars.table[static_cast<unsigned char>(c)]; }

// Exact powers of ten in float: 10^10 = 2^10 x 5^10 and 5^10 < 2^24.
constexpr float kFloatPow10[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Leading decimal digits among the eight characters at p (0..8), and their value.
inline int EightDigits(const char* p, std::uint64_t& value) {
    std::uint64_t chunk;
    std::memcpy(&chunk, p, 8);
    // A byte is not a digit when adding 0x46 sets its top bit (above '9') or subtracting '0'
    // borrows (below '0').
    const std::uint64_t digits = chunk - 0x3030303030303030ull;
    const std::uint64_t other = ((chunk + 0x4646464646464646ull) | digits) & 0x8080808080808080ull;
    const int n = other ? std::countr_zero(other) / 8 : 8;
    if (n == 0) {
        value = 0;
        return 0;
    }
    // The n digits moved to the top (the first character lowest in memory, so it becomes the
    // most significant digit); the bytes shifted in stand for leading zeros.
    std::uint64_t v = digits << (8 * (8 - n));
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    value = v;
    return n;
}

constexpr std::uint64_t kPow10U64[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull,
                                       10000000ull, 100000000ull, 1000000000ull, 10000000000ull,
                                       100000000000ull, 1000000000000ull, 10000000000000ull,
                                       100000000000000ull, 1000000000000000ull, 10000000000000000ull};

// The number texts our writers print ("-0.0123457", "1.23457e-005"), read exactly without a
// general conversion: the digits make an integer m <= 2^24 and the decimal exponent e lies in
// [-10, 10], so m and 10^|e| are exact floats and one correctly rounded multiplication or
// division gives the float nearest the text, as std::from_chars would. Anything else (more
// digits, a larger exponent, no digits, nan, inf) answers nullptr and is left to from_chars.
// On success returns the end of the number text, which is where from_chars would stop.
// At least 64 characters must follow p.
const char* ParseShortFloat(const char* p, const char* limit, float& value) {
    const bool negative = *p == '-';
    const char* q = p + (negative ? 1 : 0);
    std::uint64_t whole = 0, fraction = 0;
    const int wholeDigits = EightDigits(q, whole);
    if (wholeDigits == 8) return nullptr;
    q += wholeDigits;
    int fractionDigits = 0;
    if (*q == '.') {
        ++q;
        fractionDigits = EightDigits(q, fraction);
        if (fractionDigits == 8) {
            std::uint64_t more = 0;
            const int moreDigits = EightDigits(q + 8, more);
            if (moreDigits == 8) return nullptr;
            fraction = fraction * kPow10U64[moreDigits] + more;
            fractionDigits += moreDigits;
        }
        q += fractionDigits;
    }
    if (wholeDigits + fractionDigits == 0) return nullptr;
    const std::uint64_t m = whole * kPow10U64[fractionDigits] + fraction;
    if (m > (1u << 24)) return nullptr;
    int exponent = 0;
    if (*q == 'e' || *q == 'E') {
        const char* x = q + 1;
        bool minus = false;
        if (*x == '+' || *x == '-') minus = *x++ == '-';
        if (*x < '0' || *x > '9') return nullptr;  // "1e", "1e+": from_chars decides
        int n = 0;
        while (x < limit && *x >= '0' && *x <= '9') {
            if (n > 1000) return nullptr;
            n = n * 10 + (*x++ - '0');
        }
        exponent = minus ? -n : n;
        q = x;
    }
    const int e = exponent - fractionDigits;
    float v = static_cast<float>(m);
    if (m != 0) {
        if (e < -10 || e > 10) return nullptr;
        v = e < 0 ? v / kFloatPow10[-e] : v * kFloatPow10[e];
    }
    value = negative ? -v : v;
    return q;
}

// Whether an out-of-range number text leans towards zero (a negative exponent) or infinity.
bool IsUnderflow(const char* p, const char* e) {
    const char* x = std::find_if(p, e, [](char c) { return c == 'e' || c == 'E'; });
    return x + 1 < e && x[1] == '-';
}

}  // namespace

TextCursor::TextCursor(std::istream& is, std::size_t chunk)
    : is_(is), sb_(is.rdbuf()), buf_(chunk + 64), chunk_(chunk) {
    if (!sb_) sourceDone_ = true;
}

std::size_t TextCursor::Fill(std::size_t need) {
    while (end_ - pos_ < need && !sourceDone_) {
        if (pos_ > 0) {
            std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
        }
        const std::size_t want = std::max(need, chunk_);
        if (buf_.size() - end_ < want) buf_.resize(end_ + want + 64);
        const std::streamsize got = sb_->sgetn(buf_.data() + end_, static_cast<std::streamsize>(buf_.size() - end_));
        if (got <= 0) {
            sourceDone_ = true;
            break;
        }
        end_ += static_cast<std::size_t>(got);
    }
    return end_ - pos_;
}

bool TextCursor::TakeWhile(bool space, std::string* taken) {
    for (;;) {
        const std::size_t from = pos_;
        while (pos_ < end_ && IsSpace(buf_[pos_]) == space) ++pos_;
        if (taken) taken->append(buf_.data() + from, pos_ - from);
        if (pos_ < end_) return true;
        if (Fill(1) == 0) {
            eof_ = true;
            return false;
        }
    }
}

void TextCursor::SkipWs() {
    if (!good()) {
        fail_ = true;
        return;
    }
    TakeWhile(true, nullptr);
}

bool TextCursor::SkipWsForExtraction() {
    if (!good()) {
        fail_ = true;
        return false;
    }
    if (TakeWhile(true, nullptr)) return true;
    fail_ = true;
    return false;
}

void TextCursor::GetLine(std::string& line, char delimiter) {
    if (!good()) {
        fail_ = true;
        return;
    }
    line.clear();
    bool extracted = false;
    for (;;) {
        const char* start = buf_.data() + pos_;
        const auto* hit = static_cast<const char*>(std::memchr(start, delimiter, end_ - pos_));
        if (hit) {
            line.append(start, static_cast<std::size_t>(hit - start));
            pos_ += static_cast<std::size_t>(hit - start) + 1;
            return;
        }
        if (end_ > pos_) extracted = true;
        line.append(start, end_ - pos_);
        pos_ = end_;
        if (Fill(1) == 0) {
            eof_ = true;
            if (!extracted) fail_ = true;
            return;
        }
    }
}

bool TextCursor::GetLineCapped(std::string& line, std::size_t limit) {
    if (!good()) {
        fail_ = true;
        return false;
    }
    line.clear();
    // What is buffered is searched first; more is read only while no line end has come.
    std::size_t searched = 0;
    for (;;) {
        const std::size_t buffered = end_ - pos_;
        const char* start = buf_.data() + pos_;
        const std::size_t window = std::min(buffered, limit + 1);
        const auto* hit = static_cast<const char*>(std::memchr(start + searched, '\n', window - searched));
        if (hit) {
            line.assign(start, static_cast<std::size_t>(hit - start));
            pos_ += static_cast<std::size_t>(hit - start) + 1;
            return true;
        }
        if (buffered > limit) return false;  // no line end within the limit
        searched = window;
        if (Fill(buffered + 1) == buffered) {
            // The text ends within the limit: the rest is the line (Fill may have moved it).
            line.assign(buf_.data() + pos_, buffered);
            pos_ += buffered;
            eof_ = true;
            if (buffered == 0) fail_ = true;
            return true;
        }
    }
}

void TextCursor::GetUntil(std::string& out, char delimiter, int* stop) {
    out.clear();
    if (stop) *stop = -1;
    if (!good()) {
        fail_ = true;
        return;
    }
    bool extracted = false;
    for (;;) {
        if (AtEnd()) {
            eof_ = true;
            if (!extracted) fail_ = true;
            return;
        }
        const char c = buf_[pos_++];
        extracted = true;
        if (c == delimiter || c == '\n') {
            if (stop) *stop = static_cast<unsigned char>(c);
            return;
        }
        out.push_back(c);
    }
}

void TextCursor::ReadWord(std::string& word) {
    word.clear();
    if (SkipWsForExtraction()) TakeWhile(false, &word);
}

int TextCursor::Get() {
    if (!good()) {
        fail_ = true;
        return -1;
    }
    if (AtEnd()) {
        eof_ = fail_ = true;
        return -1;
    }
    return static_cast<unsigned char>(buf_[pos_++]);
}

int TextCursor::Peek() {
    if (!good()) {
        fail_ = true;
        return -1;
    }
    if (AtEnd()) {
        eof_ = true;
        return -1;
    }
    return static_cast<unsigned char>(buf_[pos_]);
}

std::size_t TextCursor::NumberTextEnd() {
    std::size_t k = 0;
    for (;;) {
        while (pos_ + k < end_ && IsNumberChar(buf_[pos_ + k])) ++k;
        if (pos_ + k < end_ || sourceDone_) return k;
        Fill(k + 64);
    }
}

TextCursor::NumberText TextCursor::TakeNumberText() {
    const std::size_t k = NumberTextEnd();
    const char* p = buf_.data() + pos_;
    const char* q = AfterPlusSign(p, p + k);
    if (!q) fail_ = true;
    return {p, q, p + k};
}

void TextCursor::ReadInt(int& value) {
    if (!SkipWsForExtraction()) return;
    const auto [p, q, e] = TakeNumberText();
    if (!q) {
        value = 0;
        return;
    }
    int v = 0;
    const auto [ptr, ec] = std::from_chars(q, e, v, 10);
    if (ec == std::errc::invalid_argument) {
        value = 0;
        fail_ = true;
        return;
    }
    if (ec == std::errc::result_out_of_range) {
        value = *q == '-' ? INT_MIN : INT_MAX;
        fail_ = true;
    } else {
        value = v;
    }
    pos_ += static_cast<std::size_t>(ptr - p);
    if (AtEnd()) eof_ = true;
}

template <typename T>
bool TextCursor::ParseFloating(T& value) {
    if (!SkipWsForExtraction()) return false;
    // Fast path for the common case, a plain number well inside the buffer: when from_chars
    // stops on a character that cannot belong to a number text, that is where the run of number
    // characters ends too, so scanning the run first (below) would give the same value and end.
    if (end_ - pos_ > 64 && buf_[pos_] != '+') {
        const char* p = buf_.data() + pos_;
        const char* limit = buf_.data() + end_;
        T v = 0;
        const char* ptr = nullptr;
        if constexpr (std::is_same_v<T, float>) ptr = ParseShortFloat(p, limit, v);
        if (!ptr) {
            const auto [end, ec] = std::from_chars(p, limit, v, std::chars_format::general);
            if (ec == std::errc()) ptr = end;
        }
        if (ptr && ptr < limit && !IsNumberChar(*ptr)) {
            value = v;
            pos_ += static_cast<std::size_t>(ptr - p);
            return true;
        }
    }
    const auto [p, q, e] = TakeNumberText();
    if (!q) {
        value = 0;
        return false;
    }
    T v = 0;
    const auto [ptr, ec] = std::from_chars(q, e, v, std::chars_format::general);
    if (ec == std::errc::invalid_argument) {
        value = 0;
        fail_ = true;
        return false;
    }
    pos_ += static_cast<std::size_t>(ptr - p);
    if (ec == std::errc::result_out_of_range) {
        // A float text beyond float's range may still be a double; otherwise the sign of the
        // exponent tells underflow (the value is 0) from overflow (the stream fails at the limit).
        double d = 0;
        const auto wide = std::from_chars(q, ptr, d, std::chars_format::general);
        const bool negative = *q == '-';
        if (wide.ec == std::errc() && std::fabs(d) <= static_cast<double>(std::numeric_limits<T>::max())) {
            value = static_cast<T>(d);
        } else if (IsUnderflow(q, ptr)) {
            value = negative ? -T(0) : T(0);
        } else {
            value = negative ? -std::numeric_limits<T>::max() : std::numeric_limits<T>::max();
            fail_ = true;
        }
    } else {
        value = v;
    }
    // An exponent mark without digits after it ("1e", "2.5e+") is taken by a stream and fails it.
    if (ptr < e && (*ptr == 'e' || *ptr == 'E')) {
        value = 0;
        fail_ = true;
        return false;
    }
    if (AtEnd()) eof_ = true;
    return !fail_;
}

void TextCursor::ReadFloat(float& value) { ParseFloating(value); }

bool TextCursor::ReadFloatAndSeparator(float& value, char separator) {
    if (!good()) return false;
    while (pos_ < end_ && IsSpace(buf_[pos_])) ++pos_;
    if (end_ - pos_ <= 64 || buf_[pos_] == '+') return false;
    const char* p = buf_.data() + pos_;
    const char* limit = buf_.data() + end_;
    float v = 0;
    const char* ptr = ParseShortFloat(p, limit, v);
    // The separator is not a number character, so the number ends where ReadFloat would end it.
    if (!ptr || ptr >= limit || *ptr != separator || IsNumberChar(separator)) return false;
    value = v;
    pos_ += static_cast<std::size_t>(ptr - p) + 1;
    return true;
}

void TextCursor::ReadDouble(double& value) { ParseFloating(value); }

std::string TextCursor::ReadTerminated() {
    if (!good()) Fail(msg::kFileCorrupt);
    std::string s;
    for (;;) {
        const char* start = buf_.data() + pos_;
        const auto* hit = static_cast<const char*>(std::memchr(start, '\0', end_ - pos_));
        if (hit) {
            s.append(start, static_cast<std::size_t>(hit - start));
            pos_ += static_cast<std::size_t>(hit - start) + 1;
            return s;
        }
        s.append(start, end_ - pos_);
        pos_ = end_;
        if (Fill(1) == 0) {
            eof_ = fail_ = true;
            Fail(msg::kFileCorrupt);
        }
    }
}

std::string_view TextCursor::PeekLine(bool& terminated) {
    terminated = false;
    if (!good()) return {};
    std::size_t searched = 0;
    for (;;) {
        const char* start = buf_.data() + pos_;
        const auto* hit = static_cast<const char*>(std::memchr(start + searched, '\n', end_ - pos_ - searched));
        if (hit) {
            terminated = true;
            return {start, static_cast<std::size_t>(hit - start)};
        }
        searched = end_ - pos_;
        if (sourceDone_ || Fill(searched + chunk_) == searched) return {buf_.data() + pos_, end_ - pos_};
    }
}

std::size_t TextCursor::TakeLines(std::size_t rows, std::string& out) {
    std::size_t taken = 0;
    if (!good()) return 0;
    const auto holdsText = [](const char* from, const char* to) {
        for (; from < to; ++from)
            if (!IsSpace(*from)) return true;
        return false;
    };
    while (taken < rows) {
        if (pos_ == end_ && Fill(1) == 0) {
            eof_ = true;
            break;
        }
        const char* start = buf_.data() + pos_;
        const char* stop = buf_.data() + end_;
        const char* p = start;
        while (taken < rows) {
            const auto* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            if (!lineEnd) break;
            if (holdsText(p, lineEnd)) ++taken;
            p = lineEnd + 1;
        }
        out.append(start, static_cast<std::size_t>(p - start));
        pos_ += static_cast<std::size_t>(p - start);
        if (taken == rows) break;
        // The buffer holds no whole line any more: more text, or the last line without its end.
        const std::size_t partial = end_ - pos_;
        if (Fill(partial + chunk_) == partial) {
            if (partial > 0 && holdsText(buf_.data() + pos_, buf_.data() + end_)) ++taken;
            out.append(buf_.data() + pos_, partial);
            pos_ = end_;
            eof_ = true;
            break;
        }
    }
    return taken;
}

std::int64_t TextCursor::Remaining() {
    const auto buffered = static_cast<std::int64_t>(end_ - pos_);
    if (sourceDone_) return buffered;
    const std::int64_t left = BytesLeft(is_);
    return left < 0 ? -1 : buffered + left;
}

void TextCursor::ApplyTo(std::istream& is) const {
    std::ios_base::iostate s = std::ios_base::goodbit;
    if (eof_) s |= std::ios_base::eofbit;
    if (fail_) s |= std::ios_base::failbit;
    is.clear(s);
}

void TextCursor::Finish() {
    std::ios_base::iostate s = std::ios_base::goodbit;
    if (eof_) s |= std::ios_base::eofbit;
    if (fail_) s |= std::ios_base::failbit;
    is_.setstate(s);
}

}  // namespace kyn

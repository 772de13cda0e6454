// JCAMP-DX 5.0 (.jdx): written by JcampDxExporter, and a simple reader for files whose first line
// begins with "##TITLE".
//
// Written layout, one record per line:
//   ##TITLE=<title or "Export Data">
//   ##JCAMP-DX=5.0    $$ Varnix v. 4.1
//   ##DATATYPE=SPECTRUM, or for more than one block ##DATATYPE=LINK and ##BLOCKS=<count>
//   ##ORIGIN=Velorant / ##OWNER=<USERNAME> / ##DATE=yy/mm/dd / ##TIME=hh:mm:ss
//   per block:  [##TITLE=<kind>[ at <Kind>=<step>, ...] ##JCAMP-DX=5.0 ##DATATYPE= ##BLOCK_ID=<1..>
//                only with more than one block]
//               ##DATACLASS=XYDATA|XYPOINTS ##XUNITS= ##YUNITS= ##XLABEL= ##XFACTOR=1.00000
//               ##YFACTOR= ##FIRSTX= ##LASTX= ##MAXY= ##MINY=  (fixed, 6 decimals) ##NPOINTS=
//               ##FIRSTY= [##<STEPPED KIND>=<value> ...] [##$<SET-ASIDE KIND>=<value> ...]
//               ##XYDATA=(X++(Y..Y))  then N lines "x integer(y / YFACTOR)"  (an evenly spaced X)
//               ##XYPOINTS=(XY..XY)   then N lines "x, integer(y / YFACTOR)" (uneven X, or values
//                                     that are not finite: those points are left out)
//               ##END=
//   ##END=  after the last block when there is more than one (the link block's end).
//
// Blocks run along X, the dimension with the most steps (the lower-numbered on equal counts;
// with three or more dimensions only those of more than one step compete). Every other
// dimension of more than one step (with two dimensions: the other one) is stepped through, the
// first fastest, and every property of a step is a block. X is written with 4 decimals (6 in
// FIRSTX, LASTX and the step records), more where a value needs them to read back within 1e-7.
// Text records are ASCII.
#include "formats/JcampDx.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <semaphore>
#include <thread>
#include <atomic>
#include <exception>
#include <memory>
#include <span>
#include <strings.h>
#include <utility>

#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "formats/io/TextCursor.h"
#include "util/NumberFormat.h"
#include "util/StringUtil.h"
#include "util/TimeText.h"
#include "util/UserName.h"
#include "formats/Registry.h"

namespace kyn {

namespace jcamp {

namespace {

bool ValidDate(int day, int month, int year, int hour, int minute, int second, std::time_t& out) {
    if (year > 1900) year -= 1900;
    const int full = year + 1900;
    if (full < 1970 || full > 2036) return false;
    if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (full % 4 == 0 && full % 100 != 0) || full % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
    std::tm tm{};
    tm.tm_year = year;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    out = t;
    return true;
}

int IndexOfName(const char* word, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        if (strcasecmp(word, names[i]) == 0) return i;
    return -1;
}

}  // namespace

bool ParseDate(const std::string& text, std::time_t& out) {
    int d, m, y, h, mi, s;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &d, &m, &y, &h, &mi, &s) == 6)
        return ValidDate(d, m, y, h, mi, s, out);
    char weekday[32], month[32];
    if (std::sscanf(text.c_str(), "%31s %31s %d %d:%d:%d %d", weekday, month, &d, &h, &mi, &s, &y) == 7) {
        static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const int mon = IndexOfName(month, kMonths, 12);
        if (IndexOfName(weekday, kDays, 7) < 0 || mon < 0) return false;
        return ValidDate(d, mon + 1, y, h, mi, s, out);
    }
    return false;
}

const char* UnitName(const std::string& name) {
    if (HasFlag(name, "Wavelength")) return "NANOMETERS";
    if (HasFlag(name, "Time")) return "SECONDS";
    for (const char* word : {"Temperature", "Repeat", "Concentration", "Volume", "CircularDichroism"})
        if (HasFlag(name, word)) return "ARBITRARY UNITS";
    if (HasFlag(name, "Absorbance")) return "ABSORBANCE";
    if (HasFlag(name, "Fluorescence")) return "ARBITRARY UNITS";
    if (HasFlag(name, "PhotodiodeArray")) return "ABSORBANCE";
    return "ARBITRARY UNITS";
}

}  // namespace jcamp

namespace jcamp {

namespace {

// Close ASCII forms of the Latin-1 characters U+00A0 .. U+00FF (nullptr: none).
const char* const kLatin1Ascii[96] = {
    " ", "!", "c", "L", "?", "Y", "|", "S", "\"", "(c)", "a", "<<", "-", "-", "(R)", "-",          // A0
    "deg", "+/-", "2", "3", "'", "u", "P", ".", ",", "1", "o", ">>", "1/4", "1/2", "3/4", "?",    // B0
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",              // C0
    "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "ss",             // D0
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",              // E0
    "d", "n", "o", "o", "o", "o", "o", "/", "o", "u", "u", "u", "u", "y", "th", "y",              // F0
};

// The code points of the Windows-1252 bytes 0x80 .. 0x9F (0: none).
const char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0,
};

// A close ASCII form of a code point above U+007F; nullptr when there is none.
const char* AsciiFormOf(char32_t c) {
    if (c >= 0xA0 && c <= 0xFF) return kLatin1Ascii[c - 0xA0];
    switch (c) {
        case 0x20AC: return "EUR";
        case 0x201A: case 0x2018: case 0x2019: case 0x2039: case 0x203A: return "'";
        case 0x201E: case 0x201C: case 0x201D: return "\"";
        case 0x0192: return "f";
        case 0x2026: return "...";
        case 0x2022: return "*";
        case 0x2013: case 0x2014: case 0x2212: return "-";
        case 0x02C6: return "^";
        case 0x02DC: return "~";
        case 0x2030: return "o/oo";
        case 0x2122: return "(TM)";
        case 0x0160: return "S";
        case 0x0161: return "s";
        case 0x017D: return "Z";
        case 0x017E: return "z";
        case 0x0152: return "OE";
        case 0x0153: return "oe";
        case 0x0178: return "Y";
        case 0x212B: return "A";      // the Angstrom sign
        case 0x2103: return "degC";
        case 0x00B5: case 0x03BC: return "u";
        case 0x03B1: return "alpha";
        case 0x03B2: return "beta";
        case 0x03B3: return "gamma";
        case 0x03B4: return "delta";
        case 0x0394: return "Delta";
        case 0x03B5: return "epsilon";
        case 0x03B8: return "theta";
        case 0x03BB: return "lambda";
        case 0x03BD: return "nu";
        case 0x03C0: return "pi";
        case 0x03C3: return "sigma";
        case 0x03C4: return "tau";
        case 0x03C6: return "phi";
        case 0x03C9: return "omega";
        case 0x03A9: case 0x2126: return "Ohm";
        default: return nullptr;
    }
}

// The code points of `text` when it is well-formed UTF-8 holding at least one sequence of more
// than one byte; nothing otherwise (then its bytes are Windows-1252).
bool DecodeUtf8(std::string_view text, std::u32string& out) {
    out.clear();
    bool multiByte = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) return false;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no UTF-8.
        static const char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (c < kLeast[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return false;
        multiByte |= extra > 0;
        out.push_back(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return multiByte;
}

}  // namespace

std::string AsciiText(std::string_view text, std::int64_t* unmapped) {
    bool plain = true;
    for (char ch : text)
        if (static_cast<unsigned char>(ch) >= 0x7F || static_cast<unsigned char>(ch) < 0x20) plain = false;
    if (plain) return std::string(text);
    std::u32string points;
    if (!DecodeUtf8(text, points)) {
        points.clear();
        for (char ch : text) {
            const auto b = static_cast<unsigned char>(ch);
            points.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
        }
    }
    std::string out;
    out.reserve(text.size());
    for (char32_t c : points) {
        if (c == '\t' || c == '\r' || c == '\n') {
            out += ' ';  // a record is one line
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (const char* form = c >= 0x80 ? AsciiFormOf(c) : nullptr) {
            out += form;
        } else {
            out += '?';
            if (unmapped) ++*unmapped;
        }
    }
    return out;
}

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                   1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};

// True when every finite value, written in fixed notation with `decimals` decimals, reads back
// within 1e-7 of itself (relative) and neighbours that differ stay different.
bool FitsDecimals(const float* v, int n, int decimals) {
    const double scale = kPowersOfTen[decimals];
    bool havePrevious = false;
    double previous = 0.0;
    for (int i = 0; i < n; ++i) {
        const double x = v[i];
        if (!std::isfinite(x)) {
            havePrevious = false;
            continue;
        }
        const double scaled = x * scale;  // exact: 24 + 57 bits at most, well inside a double for these ranges
        if (std::fabs(scaled) >= 0x1p52) {
            havePrevious = false;  // the whole number is written out: exact and distinct
            continue;
        }
        // Nearest integer (ties either way: a tie is 0.5 off, far from passing the test anyway
        // unless the value is large, when either neighbour passes alike).
        const double magnitude = std::fabs(scaled);
        const double rounded = static_cast<double>(static_cast<std::int64_t>(magnitude + 0.5));
        if (std::fabs(rounded - magnitude) > 1e-7 * magnitude) return false;
        const double signedRounded = scaled < 0 ? -rounded : rounded;
        if (havePrevious && signedRounded == previous && v[i] != v[i - 1]) return false;
        havePrevious = true;
        previous = signedRounded;
    }
    return true;
}

}  // namespace

int PointDecimals(float x) {
    // The rounding error of d decimals, at most 0.5 10^-d, is within 1e-7 |x| whenever
    // |x| >= 5 10^(6-d): that many always do. A few less often do too (365 needs none), so
    // those are tried first.
    static constexpr float kFrom[] = {500.0f, 50.0f, 5.0f, 0.5f, 0.05f, 5e-3f, 5e-4f,
                                      5e-5f,  5e-6f, 5e-7f, 5e-8f, 5e-9f,  5e-10f, 5e-11f};
    const double magnitude = std::fabs(static_cast<double>(x));
    if (magnitude == 0.0) return 4;
    int enough = -1;
    for (int k = 0; k < 14 && enough < 0; ++k)
        if (magnitude >= kFrom[k]) enough = 4 + k;
    if (enough < 0) return -1;
    for (int d = std::max(4, enough - 3); d < enough; ++d) {
        const double scaled = magnitude * kPowersOfTen[d];
        const double rounded = static_cast<double>(static_cast<std::int64_t>(scaled + 0.5));
        if (std::fabs(rounded - scaled) <= 1e-7 * scaled) return d;
    }
    return enough;
}

int XDecimals(const float* values, int n, int atLeast) {
    for (int d = atLeast; d <= kMaxFixedDecimals; ++d)
        if (FitsDecimals(values, n, d)) return d;
    return -1;
}

}  // namespace jcamp

namespace {

std::int64_t ChooseTimeStamp(const std::string& lastModified, const std::string& title, std::int64_t fallback) {
    std::time_t t;
    if (jcamp::ParseDate(lastModified, t)) return t;
    if (jcamp::ParseDate(title, t)) return t;
    return fallback;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// An X value with the decimals chosen for it into `out` (room for kMaxFixedChars); -1: the
// shortest fixed-notation form that reads back as the same float, for values too small for 17
// decimals. Never an exponent: a reader may take its letter for a compressed-data character.
char* WriteX(char* out, float x, int decimals) {
    if (decimals >= 0) return FormatFixed(out, x, decimals);
    return std::to_chars(out, out + kMaxFixedChars, x, std::chars_format::fixed).ptr;
}

void PutX(ChunkWriter& w, float x, int decimals) { w.Commit(WriteX(w.Room(kMaxFixedChars), x, decimals)); }

// The same as text; -1 gives the shortest form, as in block titles.
std::string XText(float x, int decimals) {
    char text[kMaxFixedChars];
    return std::string(text, WriteX(text, x, decimals));
}

// Room for one data line: X in fixed notation, ", ", an integer and the line end.
constexpr std::size_t kLineRoom = kMaxFixedChars + 16;

// The integer written for value v: the float quotient v / yFactor truncated, as always written;
// where a float cannot hold the quotient that closely (above about 2^24) the exact quotient by the
// factor the file states, truncated, so that every integer times the stated factor is within one
// YFACTOR of its value. The quotient of a finite value always fits: the factor was chosen so.
std::int32_t YInteger(float v, float yFactor, double statedFactor, double reciprocal) {
    const float single = v / yFactor;
    if (single > -2147483648.0f && single < 2147483648.0f) {
        const auto truncated = static_cast<std::int32_t>(single);
        // The reciprocal's product is within a few units in the last place of the quotient: a
        // difference clearly below one needs no exact division.
        if (std::fabs(truncated - v * reciprocal) < 0.999) return truncated;
    }
    const double q = std::trunc(v / statedFactor);
    return static_cast<std::int32_t>(std::clamp(q, -2147483648.0, 2147483647.0));
}

// What the data lines of one block are made of.
struct DataLines {
    const float* values;
    const float* xs;
    bool points;       // XYPOINTS: "x, y", each X with its own decimals, points that are not finite left out
    int lineDecimals;  // XYDATA: the X decimals of the whole axis
    float yFactor;
    double statedFactor;
    double reciprocal;  // 1 / statedFactor

    bool Written(int i) const { return !points || (std::isfinite(values[i]) && std::isfinite(xs[i])); }

    // A point's own X decimals: the fewest (4 or more) that keep it within 1e-7 of itself, more
    // where the written point before it would otherwise read the same.
    int PointXDecimals(int i) const {
        int decimals = jcamp::PointDecimals(xs[i]);
        int before = i - 1;
        while (before >= 0 && !Written(before)) --before;
        if (decimals < 0 || before < 0 || xs[before] == xs[i]) return decimals;
        // Whether the two texts at d decimals are the same: rounded alike, and of one sign. A
        // value of 2^53 or more times 10^d is written as its exact whole number.
        const auto sameText = [](float a, float b, int d) {
            const double sa = std::fabs(static_cast<double>(a)) * jcamp::kPowersOfTen[d];
            const double sb = std::fabs(static_cast<double>(b)) * jcamp::kPowersOfTen[d];
            if (sa >= 0x1p53 || sb >= 0x1p53) return a == b;
            return std::signbit(a) == std::signbit(b) &&
                   static_cast<std::int64_t>(sa + 0.5) == static_cast<std::int64_t>(sb + 0.5);
        };
        if (!sameText(xs[i], xs[before], decimals)) return decimals;  // the usual case
        const int beforeDecimals = jcamp::PointDecimals(xs[before]);
        while (decimals >= 0 && decimals == beforeDecimals && sameText(xs[i], xs[before], decimals))
            decimals = decimals < kMaxFixedDecimals ? decimals + 1 : -1;
        return decimals;
    }

    // Line i (a written point) into `out`, which has kLineRoom characters of room; with
    // `crlf` ending in CR LF (for a stream that is handed the text as it is).
    char* Format(char* out, int i, std::int64_t& toZero, bool crlf = false) const {
        if (points) {
            out = WriteX(out, xs[i], PointXDecimals(i));
            *out++ = ',';
        } else {
            out = WriteX(out, xs[i], lineDecimals);
        }
        *out++ = ' ';
        const std::int32_t integer = YInteger(values[i], yFactor, statedFactor, reciprocal);
        if (integer == 0 && values[i] != 0.0f) ++toZero;
        out = FormatInt(out, integer);
        if (crlf) *out++ = '\r';
        *out++ = '\n';
        return out;
    }
};

// A growing text buffer for a run of lines formatted away from the writer.
class LineChunk {
public:
    void Clear() { size_ = 0; }
    char* Room(std::size_t n) {
        if (capacity_ - size_ < n) {
            const std::size_t capacity = std::max(capacity_ * 2, size_ + n);
            auto grown = std::make_unique<char[]>(capacity);
            if (size_) std::memcpy(grown.get(), data_.get(), size_);
            data_ = std::move(grown);
            capacity_ = capacity;
        }
        return data_.get() + size_;
    }
    void Commit(char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
    std::string_view Text() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

std::int64_t FormatLines(const DataLines& lines, int first, int last, bool crlf, LineChunk& out) {
    std::int64_t toZero = 0;
    for (int i = first; i < last; ++i)
        if (lines.Written(i)) out.Commit(lines.Format(out.Room(kLineRoom), i, toZero, crlf));
    return toZero;
}

// Lines per chunk of the two-thread path, and the fewest lines for which it is taken.
constexpr int kChunkLines = 1 << 14;
std::atomic<int> g_parallelLinesFrom{4 * kChunkLines};

// The data lines of a block; returns how many non-zero values were written as 0. A long block is
// formatted in chunks of kChunkLines lines by a helper thread and by this one, which also hands
// the finished chunks to the stream in order and formats the next ones while it waits: numbers
// into text on both cores, the text through to the file on this one. Into a text-mode file the
// CR LF line ends are written with the numbers and the chunks pass the stream's translation.
// The text is the same either way; at most kRingChunks chunks are held at a time.
constexpr int kRingChunks = 4;

std::int64_t WriteDataLines(ChunkWriter& w, const DataLines& lines, int n) {
    std::int64_t toZero = 0;
    if (n < g_parallelLinesFrom || std::thread::hardware_concurrency() < 2) {
        for (int i = 0; i < n; ++i)
            if (lines.Written(i)) w.Commit(lines.Format(w.Room(kLineRoom), i, toZero));
        return toZero;
    }
    const int chunks = (n + kChunkLines - 1) / kChunkLines;
    const bool crlf = w.TranslatesLineEnds();
    struct Slot {
        LineChunk text;
        std::int64_t toZero = 0;
        std::atomic<int> holds{-1};  // the chunk whose text is ready in the slot
    };
    Slot ring[kRingChunks];
    std::atomic<int> next{0};     // the next chunk nobody formats yet
    std::atomic<int> written{0};  // chunks handed to the stream; chunk k may use its slot once
                                  // chunk k - kRingChunks is among them
    std::atomic<bool> stop{false};
    const auto format = [&](int k) {
        Slot& slot = ring[k % kRingChunks];
        slot.text.Clear();
        slot.toZero = FormatLines(lines, k * kChunkLines, std::min(n, (k + 1) * kChunkLines), crlf, slot.text);
        slot.holds.store(k);
        slot.holds.notify_all();
    };
    std::exception_ptr failure;  // read after the helper is joined
    std::thread helper([&] {
        try {
            for (int k = next.fetch_add(1); k < chunks && !stop; k = next.fetch_add(1)) {
                for (int done = written.load(); done < k - kRingChunks + 1 && !stop; done = written.load())
                    written.wait(done);
                if (stop) return;
                format(k);
            }
        } catch (...) {
            failure = std::current_exception();
            stop = true;
            for (Slot& slot : ring) {
                slot.holds.store(-2);
                slot.holds.notify_all();
            }
        }
    });
    const auto finish = [&] {
        stop = true;
        written.store(chunks + kRingChunks);
        written.notify_all();
        helper.join();
    };
    try {
        for (int k = 0; k < chunks && !stop; ++k) {
            Slot& slot = ring[k % kRingChunks];
            for (int holds = slot.holds.load(); holds != k && !stop; holds = slot.holds.load()) {
                // While chunk k is being made, make a later one whose slot is free.
                int j = next.load();
                if (j < chunks && j < k + kRingChunks && next.compare_exchange_strong(j, j + 1))
                    format(j);
                else
                    slot.holds.wait(holds);
            }
            if (stop) break;
            if (crlf)
                w.PutTranslated(slot.text.Text());
            else
                w.Put(slot.text.Text());
            toZero += slot.toZero;
            written.store(k + 1);
            written.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    if (failure) std::rethrow_exception(failure);
    return toZero;
}

}  // namespace

void jcamp::SetParallelLinesFrom(int lines) { g_parallelLinesFrom = lines; }

namespace {

// How the body is cut into blocks: X, the dimensions stepped through (each block records its step
// as "##KIND=value"), and the single-step dimensions set aside beside them ("##$KIND=value").
struct BodyPlan {
    int x = -1;  // -1: no body
    std::vector<int> stepped;
    std::vector<int> fixed;
    std::int64_t blocks = 0;  // properties times the steps of every stepped dimension
};

BodyPlan PlanBody(const DataStore& ds, int propertyCount) {
    BodyPlan plan;
    const int n = ds.dimensions.Count();
    if (n == 0) return plan;
    std::vector<int> candidates;
    for (int k = 0; k < n; ++k)
        if (n <= 2 || ds.dimensions.At(k).Steps() != 1) candidates.push_back(k);
        else plan.fixed.push_back(k);
    if (candidates.empty()) candidates.push_back(0), plan.fixed.erase(plan.fixed.begin());
    // X: the dimension with the most steps, the lower-numbered one on equal counts.
    plan.x = candidates[0];
    for (int k : candidates)
        if (ds.dimensions.At(k).Steps() > ds.dimensions.At(plan.x).Steps()) plan.x = k;
    for (int k : candidates)
        if (k != plan.x) plan.stepped.push_back(k);
    plan.blocks = propertyCount;
    for (int k : plan.stepped) plan.blocks *= ds.dimensions.At(k).Steps();
    return plan;
}

// What the file could not carry, for the loss notes.
struct Losses {
    std::int64_t nonFinite = 0;  // left out of their block
    std::int64_t toZero = 0;     // non-zero, written as 0 (smaller than the block's YFACTOR)
    std::int64_t unmappedText = 0;
};

// The X axis as written: its decimals on data lines and in FIRSTX/LASTX, and whether a reader
// that places point i at FIRSTX + i (LASTX - FIRSTX) / (NPOINTS - 1) puts every point within
// 1e-6 of its value (relative to the value, or to the step for points near zero).
struct AxisForm {
    int lineDecimals = 4;
    int endDecimals = 6;
    bool even = true;
};

AxisForm ShapeAxis(const Dimension& dim) {
    AxisForm form;
    const int n = dim.Steps();
    const float* v = dim.values.Data();
    form.lineDecimals = jcamp::XDecimals(v, n, 4);
    if (n == 0) return form;
    const float ends[2] = {v[0], v[n - 1]};
    form.endDecimals = jcamp::XDecimals(ends, 2, 6);
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) form.even = false;
    if (!form.even || n < 3) return form;
    const double first = std::strtod(XText(ends[0], form.endDecimals).c_str(), nullptr);
    const double last = std::strtod(XText(ends[1], form.endDecimals).c_str(), nullptr);
    const double step = (last - first) / (n - 1);
    for (int i = 0; i < n; ++i) {
        const double expected = first + i * step;
        const double scale = std::max(std::fabs(static_cast<double>(v[i])), std::fabs(step));
        if (std::fabs(v[i] - expected) > 0.9e-6 * scale) {
            form.even = false;
            break;
        }
    }
    return form;
}

// Sets the current steps of every block in turn (the first stepped dimension fastest) and calls
// `block(p)` for each property: the order of the blocks in the file.
template <typename PerBlock>
void ForEachStep(DataStore& ds, const BodyPlan& plan, int propertyCount, PerBlock&& block) {
    std::vector<int> steps(plan.stepped.size(), 0);
    for (int d : plan.fixed) ds.SetDimensionCurrent(d, 0);
    for (;;) {
        for (std::size_t k = 0; k < steps.size(); ++k) ds.SetDimensionCurrent(plan.stepped[k], steps[k]);
        for (int p = 0; p < propertyCount; ++p) block(p);
        std::size_t k = 0;
        while (k < steps.size() && ++steps[k] == ds.dimensions[plan.stepped[k]].Steps()) steps[k++] = 0;
        if (k == steps.size()) break;
    }
}

// The points of property p's block at the current steps with a finite value and X.
int WrittenPointsOf(DataStore& ds, const BodyPlan& plan, int p) {
    const Array<float> view = ds.GetSlice(plan.x, p);
    const float* xs = ds.dimensions[plan.x].values.Data();
    int written = 0;
    for (int i = 0; i < view.Count(); ++i) written += std::isfinite(view.At(i)) && std::isfinite(xs[i]);
    return written;
}

class BodyWriter {
public:
    BodyWriter(ChunkWriter& w, DataStore& ds, const BodyPlan& plan, int propertyCount, Losses& lost)
        : w_(w), ds_(ds), plan_(plan), propertyCount_(propertyCount), lost_(lost),
          axis_(ShapeAxis(ds.dimensions[plan.x])) {
        // The kinds in ASCII, once each (so that a character without an ASCII form counts once).
        for (int d = 0; d < ds.dimensions.Count(); ++d)
            dimensionKinds_.push_back(jcamp::AsciiText(ds.GetDimensionName(d, true), &lost.unmappedText));
        for (int p = 0; p < propertyCount; ++p)
            propertyKinds_.push_back(jcamp::AsciiText(ds.GetPropertyName(p, true), &lost.unmappedText));
    }

    // The blocks that have a point to write: a block whose every value (or X) is not finite is
    // left out, as its points are. Counted before writing, for the link block's ##BLOCKS=.
    std::int64_t CountBlocks() {
        bool anyMissing = false;
        const Dimension& x = ds_.dimensions[plan_.x];
        for (int i = 0; i < x.Steps() && !anyMissing; ++i) anyMissing = !std::isfinite(x.values[i]);
        const float* v = ds_.data.Data();
        const std::int64_t count = std::min<std::int64_t>(ds_.ValueCount(), ds_.data.Count());
        for (std::int64_t i = 0; i < count && !anyMissing; ++i) anyMissing = !std::isfinite(v[i]);
        if (!anyMissing) return plan_.blocks;
        std::int64_t blocks = 0;
        ForEachBlock([&](int p) { blocks += WrittenPoints(p) > 0; });
        return blocks;
    }

    // Writes the blocks; `blocks` of them have points (more than one: a compound file).
    void Run(std::int64_t blocks) {
        compound_ = blocks > 1;
        std::int64_t id = 0;
        ForEachBlock([&](int p) {
            if (blocks == plan_.blocks || WrittenPoints(p) > 0)
                Block(p, ++id);
            else
                lost_.nonFinite += ds_.dimensions[plan_.x].Steps();  // a block left out whole
        });
    }

private:
    template <typename PerBlock>
    void ForEachBlock(PerBlock&& block) {
        ForEachStep(ds_, plan_, propertyCount_, block);
    }

    int WrittenPoints(int p) { return WrittenPointsOf(ds_, plan_, p); }

    const std::string& Kind(int d) const { return dimensionKinds_[static_cast<std::size_t>(d)]; }

    // A stepped or set-aside dimension's value at its current step, in fixed notation.
    std::string StepText(int d) {
        const Dimension& dim = ds_.dimensions[d];
        const float v = dim.values[dim.current];
        return XText(v, jcamp::XDecimals(&v, 1, 6));
    }

    void Block(int p, std::int64_t id) {
        const std::string& kind = propertyKinds_[static_cast<std::size_t>(p)];
        if (compound_) {
            w_.Put("##TITLE=").Put(kind);
            const char* joint = " at ";
            for (int d : plan_.stepped) {
                if (ds_.dimensions[d].Steps() < 2) continue;
                const Dimension& dim = ds_.dimensions[d];
                w_.Put(joint).Put(Kind(d)).Put('=').Put(XText(dim.values[dim.current], -1));
                joint = ", ";
            }
            w_.Newline();
            w_.Put("##JCAMP-DX=5.0\n");
            w_.Put("##DATATYPE=").Put(kind).Put(" over ").Put(Kind(plan_.x));
            const char* joint2 = " at specific ";
            for (int d : plan_.stepped) {
                w_.Put(joint2).Put(Kind(d));
                joint2 = ", ";
            }
            w_.Newline();
            w_.Put("##BLOCK_ID=").Integer(id).Newline();
        }
        const Array<float> view = ds_.GetSlice(plan_.x, p);
        const int n = view.Count();
        if (n == 0) Fail(msg::kArrayOutOfBounds);  // an X axis without values has no first value
        // A slice along dimension 0 lies in the block as it is; any other is gathered once.
        if (view.Stride() != 1) {
            gathered_.resize(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) gathered_[static_cast<std::size_t>(i)] = view.At(i);
        }
        const std::span<const float> s(view.Stride() == 1 ? view.Data() : gathered_.data(), static_cast<std::size_t>(n));
        const float yFactor = jcamp::ChooseYFactor(s.data(), n);
        // A reader multiplies the integers by the factor as the file states it (a decimal, not
        // the nearest float): the integers are checked against that.
        const double statedFactor = std::strtod(FormatFixedString(yFactor, 6).c_str(), nullptr);
        // The data range does not change between blocks: one pass over the whole block is enough.
        if (!rangeComputed_) ds_.ComputeDataRange();
        rangeComputed_ = true;
        const Dimension& xDim = ds_.dimensions[plan_.x];
        const float* xs = xDim.values.Data();
        // Extremes and count of the points that are written: every point, or with values that
        // are not finite (or an X that is not), only the others, each with its own X.
        int written = 0, firstWritten = -1, lastWritten = -1;
        float maxY = 0.0f, minY = 0.0f;
        for (int i = 0; i < n; ++i) {
            const float v = s[static_cast<std::size_t>(i)];
            if (!std::isfinite(v) || !std::isfinite(xs[i])) continue;
            if (written++ == 0) maxY = minY = v, firstWritten = i;
            lastWritten = i;
            if (v > maxY) maxY = v;
            if (v < minY) minY = v;
        }
        const bool points = !axis_.even || written < n;
        lost_.nonFinite += n - written;
        w_.Put(points ? "##DATACLASS=XYPOINTS\n" : "##DATACLASS=XYDATA\n");
        w_.Put("##XUNITS=").Put(jcamp::UnitName(xDim.name)).Newline();
        w_.Put("##YUNITS=").Put(jcamp::UnitName(ds_.properties[p])).Newline();
        w_.Put("##XLABEL=\n");
        w_.Put("##XFACTOR=1.00000\n");
        w_.Put("##YFACTOR=").Fixed(yFactor, 6).Newline();
        const int firstX = points && written > 0 ? firstWritten : 0;
        const int lastX = points && written > 0 ? lastWritten : n - 1;
        w_.Put("##FIRSTX=");
        PutX(w_, xs[firstX], axis_.endDecimals);
        w_.Newline().Put("##LASTX=");
        PutX(w_, xs[lastX], axis_.endDecimals);
        w_.Newline();
        if (written > 0) {
            w_.Put("##MAXY=").Fixed(maxY, 6).Newline();
            w_.Put("##MINY=").Fixed(minY, 6).Newline();
            w_.Put("##NPOINTS=").Integer(written).Newline();
            w_.Put("##FIRSTY=").Fixed(s[static_cast<std::size_t>(firstWritten)], 6).Newline();
        } else {
            w_.Put("##MAXY=?\n##MINY=?\n##NPOINTS=0\n##FIRSTY=?\n");
        }
        for (int d : plan_.stepped) w_.Put("##").Put(Upper(Kind(d))).Put('=').Put(StepText(d)).Newline();
        for (int d : plan_.fixed) w_.Put("##$").Put(Upper(Kind(d))).Put('=').Put(StepText(d)).Newline();
        w_.Put(points ? "##XYPOINTS=(XY..XY)\n" : "##XYDATA=(X++(Y..Y))\n");
        const DataLines lines{s.data(), xs, points, axis_.lineDecimals, yFactor, statedFactor, 1.0 / statedFactor};
        lost_.toZero += WriteDataLines(w_, lines, n);
        w_.Put("##END=\n");
    }

    ChunkWriter& w_;
    DataStore& ds_;
    const BodyPlan& plan_;
    bool compound_ = false;
    int propertyCount_;
    Losses& lost_;
    AxisForm axis_;
    bool rangeComputed_ = false;
    std::vector<float> gathered_;
    std::vector<std::string> dimensionKinds_, propertyKinds_;
};

}  // namespace

JcampDxExporter::JcampDxExporter(DataStore& store)
    : store_(store),
      propertyCount_(store.properties.Count()),
      timeStamp_(ChooseTimeStamp(store.lastModified, store.title, static_cast<std::int64_t>(std::time(nullptr)))) {}

std::ostream& JcampDxExporter::Write(std::ostream& os, LossNotes* losses) {
    DataStore& ds = store_;
    ChunkWriter w(os);
    Losses lost;
    const BodyPlan plan = PlanBody(ds, propertyCount_);
    std::optional<BodyWriter> body;
    std::int64_t blocks = 0;
    if (plan.blocks > 0) {
        body.emplace(w, ds, plan, propertyCount_, lost);
        blocks = body->CountBlocks();
    }
    const bool compound = blocks > 1;
    const std::string title = ds.title.empty() ? std::string("Export Data") : ds.title;
    w.Put("##TITLE=").Put(jcamp::AsciiText(title, &lost.unmappedText)).Newline();
    w.Put("##JCAMP-DX=5.0    $$ Varnix v. 4.1\n");
    if (compound) {
        // A compound file: this link block holds the blocks, each a JCAMP-DX block of its own.
        w.Put("##DATATYPE=LINK\n");
        w.Put("##BLOCKS=").Integer(blocks).Newline();
    } else {
        w.Put("##DATATYPE=SPECTRUM\n");
    }
    w.Put("##ORIGIN=Velorant\n");
    w.Put("##OWNER=").Put(jcamp::AsciiText(OwnerName(), &lost.unmappedText)).Newline();
    const std::time_t stamp = static_cast<std::time_t>(ChooseTimeStamp(ds.lastModified, title, timeStamp_));
    const std::tm tm = LocalTime(stamp);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y/%m/%d", &tm);
    w.Put("##DATE=").Put(buf).Newline();
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    w.Put("##TIME=").Put(buf).Newline();

    if (body) body->Run(blocks);
    if (compound) w.Put("##END=\n");
    w.Flush();
    if (losses) {
        if (plan.blocks == 0) NoteKept(losses, 0, ds.ValueCount(), "JCAMP-DX blocks run along a dimension");
        const auto counted = [](std::int64_t n, const char* one, const char* many) {
            return std::to_string(n) + (n == 1 ? one : many);
        };
        if (lost.nonFinite > 0)
            losses->push_back(counted(lost.nonFinite,
                                      " value that is not finite (NaN or infinity) was left out (JCAMP-DX has no number for it)",
                                      " values that are not finite (NaN or infinity) were left out (JCAMP-DX has no number for them)"));
        if (lost.toZero > 0)
            losses->push_back(counted(lost.toZero, " non-zero value was written as 0 (smaller than its block's YFACTOR)",
                                      " non-zero values were written as 0 (smaller than their block's YFACTOR)"));
        if (lost.unmappedText > 0)
            losses->push_back(counted(lost.unmappedText, " character of the texts has no ASCII form and was written as '?'",
                                      " characters of the texts have no ASCII form and were written as '?'"));
    }
    return os;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// The value of a "##LABEL=value" line: the text after the first "=", leading blanks removed.
bool LabelValue(const std::string& line, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::size_t start = eq + 1;
    while (start < line.size() && line[start] == ' ') ++start;
    value = line.substr(start);
    return true;
}

// A Y or X number of an XYDATA or XYPOINTS pair: a decimal number, or "?" for a missing value.
// Pairs of XYPOINTS separate their numbers with a comma and may end in a semicolon.
bool ReadPairNumber(TextCursor& in, double& v) {
    in.SkipWs();
    if (in.good() && (in.Peek() == ',' || in.Peek() == ';')) {
        in.Get();
        in.SkipWs();
    }
    if (in.good() && in.Peek() == '?') {
        in.Get();
        v = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (in.eof()) in.SetFail();
    if (in.fail()) return false;
    in.ReadDouble(v);
    return !in.fail();
}

}  // namespace

namespace {

// The records before "##XYDATA" that the reader takes.
struct BlockRecords {
    std::string xLabel, yLabel;
    std::optional<std::string> xUnits, yUnits;  // name the axis and the property when present
    double xFactor = 1.0, yFactor = 1.0;
    int count = 0;
};

// One "##LABEL=value" record into `r` (records without "=" and all others are ignored).
void TakeRecord(const std::string& line, BlockRecords& r) {
    const std::string key8 = line.substr(0, 8), key9 = line.substr(0, 9);
    std::string value;
    if (key8 == "##XLABEL" || key8 == "##YLABEL" || key8 == "##XUNITS" || key8 == "##YUNITS") {
        if (!LabelValue(line, value)) return;
        if (key8 == "##XLABEL") r.xLabel = value;
        if (key8 == "##YLABEL") r.yLabel = value;
        if (key8 == "##XUNITS") r.xUnits = value;
        if (key8 == "##YUNITS") r.yUnits = value;
    } else if (key9 == "##XFACTOR" || key9 == "##YFACTOR" || key9 == "##NPOINTS") {
        if (!LabelValue(line, value)) return;
        if (key9 == "##XFACTOR") r.xFactor = ParseLeadingDouble(value);
        if (key9 == "##YFACTOR") r.yFactor = ParseLeadingDouble(value);
        if (key9 == "##NPOINTS") r.count = ParseLeadingInt(value);
    }
}

// The records up to the first data ("##XYDATA" or "##XYPOINTS"); false when the file ends before
// them. In a compound file these are the link block's and the first block's records.
bool ReadRecords(TextCursor& in, BlockRecords& r) {
    std::string line;
    for (in.GetLine(line); !in.fail(); in.GetLine(line)) {
        if (StartsWith(line, "##XYDATA") || StartsWith(line, "##XYPOINTS")) return true;
        TakeRecord(line, r);
    }
    return false;
}

// The count's pairs, scaled by the factors. Storage grows with the pairs actually present: the
// count alone never sizes an allocation.
void ReadPairs(TextCursor& in, const BlockRecords& r, std::vector<float>& xs, std::vector<float>& ys) {
    const std::size_t guess = static_cast<std::size_t>(std::min(r.count, 1 << 16));
    xs.reserve(guess);
    ys.reserve(guess);
    for (int i = 0; i < r.count; ++i) {
        double x, y;
        if (!ReadPairNumber(in, x) || !ReadPairNumber(in, y)) break;
        xs.push_back(static_cast<float>(x * r.xFactor));
        ys.push_back(static_cast<float>(y * r.yFactor));
    }
}

}  // namespace

std::istream& DataStore::ReadJcampText(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    is.clear();
    dimensions.Resize(1);
    properties.Resize(1);

    TextCursor in(is);
    std::string line;
    in.GetLine(line);
    const bool title = StartsWith(line, "##TITLE");
    in.GetLine(line);
    if (!title || !StartsWith(line, "##JCAMP-DX")) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    BlockRecords r;
    const bool foundData = ReadRecords(in, r);
    if (r.xUnits) dimensions.At(0).name = *r.xUnits;
    if (r.yUnits) properties.At(0) = *r.yUnits;
    if (!foundData) {
        // The file ends before its data: the load fails.
        in.ApplyTo(is);
        return is;
    }
    // A block needs at least one pair; without a usable count there is nothing to read.
    if (r.count < 1) {
        is.setstate(std::ios_base::failbit);
        Fail(msg::kFileCorrupt);
    }
    std::vector<float> xs, ys;
    ReadPairs(in, r, xs, ys);
    in.ApplyTo(is);
    if (static_cast<int>(ys.size()) < r.count) {
        // Fewer pairs than announced: the load fails, and the block the count asks for is never
        // allocated. Pairs that stop at the end of the text are a cut-off file, refused with what
        // it still held.
        is.setstate(std::ios_base::failbit);
        if (in.eof()) Fail(msg::EndsEarly(static_cast<long long>(ys.size()), r.count));
        return is;
    }
    if (!r.xLabel.empty()) dimensions.At(0).name = r.xLabel;
    if (!r.yLabel.empty()) properties.At(0) = r.yLabel;
    Dimension& dim = dimensions.At(0);
    dim.values.Resize(r.count);
    std::copy(xs.begin(), xs.end(), dim.values.Data());
    Initialize();
    std::copy(ys.begin(), ys.end(), data.Data());
    ComputeDataRange();
    return is;
}

namespace {

// How far a value may read back from what was written: half a unit of the last decimal written
// (none for the shortest form, -1 decimals), and the float the reader makes of the text.
double XTolerance(float x, int decimals) {
    const double rounding = std::fabs(static_cast<double>(x)) * 2.4e-7;
    return decimals < 0 ? 1e-6 * std::fabs(static_cast<double>(x)) + 1e-45 : 0.51 * std::pow(10.0, -decimals) + rounding;
}

std::string Shown(double v) { return FormatGString(v); }

}  // namespace

std::string jcamp::CheckFile(std::istream& text, DataStore& ds) {
    const int propertyCount = ds.properties.Count();
    const BodyPlan plan = PlanBody(ds, propertyCount);
    if (plan.blocks == 0) return {};  // a file of header records: no value to compare
    const AxisForm axis = ShapeAxis(ds.dimensions[plan.x]);
    TextCursor in(text);
    std::string problem;
    std::int64_t block = 0;
    std::vector<float> xs, ys;
    ForEachStep(ds, plan, propertyCount, [&](int p) {
        if (!problem.empty() || WrittenPointsOf(ds, plan, p) == 0) return;  // blocks without points are left out
        ++block;
        const std::string where = "block " + std::to_string(block);
        BlockRecords r;
        if (!ReadRecords(in, r)) {
            problem = where + " is missing";
            return;
        }
        const Array<float> view = ds.GetSlice(plan.x, p);
        const float* axisValues = ds.dimensions[plan.x].values.Data();
        const int expected = WrittenPointsOf(ds, plan, p);
        if (r.count != expected) {
            problem = where + " has " + std::to_string(r.count) + " points, not " + std::to_string(expected);
            return;
        }
        xs.clear();
        ys.clear();
        ReadPairs(in, r, xs, ys);
        if (static_cast<int>(ys.size()) != expected) {
            problem = where + " ends after " + std::to_string(ys.size()) + " of its " + std::to_string(expected) + " points";
            return;
        }
        const bool points = !axis.even || expected < view.Count();
        std::size_t k = 0;
        for (int i = 0; i < view.Count() && problem.empty(); ++i) {
            const float v = view.At(i), x = axisValues[i];
            if (!std::isfinite(v) || !std::isfinite(x)) continue;
            const float xRead = xs[k], yRead = ys[k];
            ++k;
            const int decimals = points ? jcamp::PointDecimals(x) : axis.lineDecimals;
            if (!(std::fabs(static_cast<double>(xRead) - x) <= XTolerance(x, decimals)))
                problem = where + ", point " + std::to_string(i + 1) + ": X reads back as " + Shown(xRead) + ", not " + Shown(x);
            // Integers times the factor as the file states it, each within one factor of its value.
            const double yTolerance = r.yFactor * (1.0 + 1e-6) + std::fabs(static_cast<double>(v)) * 2.4e-7;
            if (problem.empty() && !(std::fabs(static_cast<double>(yRead) - v) <= yTolerance))
                problem = where + ", point " + std::to_string(i + 1) + ": Y reads back as " + Shown(yRead) + ", not " +
                          Shown(v) + " (YFACTOR " + Shown(r.yFactor) + ")";
        }
    });
    return problem;
}

namespace {
void WriteJcampDxFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    JcampDxExporter exporter(ds);
    exporter.Write(os, o.losses);
}
}  // namespace

// Written with "##TITLE=" first, which the tagged reader takes; a file whose first line is the
// format's own name is refused as an export.
constinit const FormatInfo kJcampDxFormat = {
    .name = "JCAMP-DX",
    .fuzzKey = "jcamp",
    .accepts = {FirstLines::Match::Prefix, "##TITLE", {}},
    .refuses = {FirstLines::Match::WholeLine, "JCAMP-DX 5.0", {}},
    .refusal = "JCAMP-DX is an export only format.\nIt cannot be imported.\n",
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadJcampText,
    .write = WriteJcampDxFile,
    .mode = StreamMode::Text,
    .holds = {0, true, false, false},
    .target = {6, "jdx", ".jdx", "JCAMP-DX", "Save in JCAMP-DX format",
               "Save the converted DataStore in JCAMP-DX interchange format.", WriteJcampDxFile},
};

}  // namespace kyn

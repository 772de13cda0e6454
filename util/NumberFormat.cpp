#include "util/NumberFormat.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace kyn {

namespace {

// Bits of an IEEE double.
constexpr std::uint64_t kSignBit = std::uint64_t{1} << 63;
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << 52) - 1;
constexpr int kExponentField = 0x7ff;

constexpr std::uint64_t kPow5[] = {
    1ULL,       5ULL,        25ULL,        125ULL,        625ULL,
    3125ULL,    15625ULL,    78125ULL,     390625ULL,     1953125ULL,
    9765625ULL, 48828125ULL, 244140625ULL, 1220703125ULL, 6103515625ULL,
};

// An odd integer `mantissa` and a power `exponent` with magnitude == mantissa * 2^exponent.
// `absBits` are the bits of a finite, non-zero magnitude.
struct Dyadic {
    std::uint64_t mantissa;
    int exponent;
};

Dyadic Decompose(std::uint64_t absBits) {
    std::uint64_t mantissa = absBits & kFractionMask;
    const int field = static_cast<int>(absBits >> 52);
    int exponent = -1074;  // subnormal
    if (field != 0) {
        mantissa |= std::uint64_t{1} << 52;
        exponent = field - 1075;
    }
    const int zeros = std::countr_zero(mantissa);
    return {mantissa >> zeros, exponent + zeros};
}

// True when the magnitude is exactly T * 10^k with T a seven-digit integer ending in 5, i.e. lies
// exactly halfway between two six-digit results; gives T and k then.
//
// With magnitude == m * 2^q (m odd):
//  * q < 0: the exact decimal expansion is m * 5^-q / 10^-q, and m * 5^-q is odd and a multiple
//    of 5, so it ends in 5; a tie iff that integer has seven digits. Since 5^11 > 10^7, this needs
//    q >= -10.
//  * q >= 0: the value is an integer whose factor 2 is exactly 2^q, so it can only be T * 10^q
//    with T = m / 5^q odd; a tie iff 5^q divides m and T has seven digits ending in 5. As
//    m < 2^53 and T >= 10^6, this needs q <= 14.
// Every other magnitude is not a tie, so the common case is a single comparison.
bool SixDigitTie(std::uint64_t absBits, std::uint64_t* seven, int* k) {
    const Dyadic d = Decompose(absBits);
    if (d.exponent < 0) {
        if (d.exponent < -10 || d.mantissa >= 10'000'000) return false;
        const std::uint64_t t = d.mantissa * kPow5[-d.exponent];
        if (t < 1'000'000 || t >= 10'000'000) return false;
        *seven = t;
        *k = d.exponent;
        return true;
    }
    if (d.exponent > 14 || d.mantissa < 1'000'000) return false;
    const std::uint64_t p = kPow5[d.exponent];
    const std::uint64_t t = d.mantissa / p;
    if (t * p != d.mantissa || t % 5 != 0 || t < 1'000'000 || t >= 10'000'000) return false;
    *seven = t;
    *k = d.exponent;
    return true;
}

// Powers of ten that doubles hold exactly.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The six significant digits of a finite, normal magnitude that is not a tie, rounded to nearest,
// without a general conversion: q = magnitude * 10^(5 - x) is computed with one correctly
// rounded multiplication or division by an exact power of ten. As q < 10^7, every integer and
// half-integer near it is a double, and rounding is monotonic, so q lies on the same side of each
// of them as the exact product, or on it: rounding q to the nearest integer gives the exact answer
// unless q is exactly a half-integer (the exact product being just above or below it). That rare
// case, and decimal exponents beyond the exact powers, are left to the caller (returns false).
bool SixDigitsFast(double magnitude, int binaryExponent, std::uint32_t* six, int* x) {
    // floor(binaryExponent * log10(2)) (exact for every double exponent): the decimal exponent
    // of the magnitude or one less, so that q starts below 10^7.
    int e = (binaryExponent * 78913) >> 18;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int k = 5 - e;
        if (k < -22 || k > 22) return false;
        const double q = k >= 0 ? magnitude * kPow10[k] : magnitude / kPow10[-k];
        const auto whole = static_cast<std::uint32_t>(q);
        const double fraction = q - whole;
        if (fraction == 0.5) return false;
        const std::uint32_t rounded = whole + (fraction > 0.5);
        if (rounded >= 1'000'000) {
            ++e;  // exponent estimated one too low, or rounded up into the next decade
        } else if (rounded < 100'000) {
            --e;
        } else {
            *six = rounded;
            *x = e;
            return true;
        }
    }
    return false;
}

char* WriteNonFinite(char* out, std::uint64_t bits, bool upper) {
    if (bits & kSignBit) *out++ = '-';
    const bool nan = (bits & kFractionMask) != 0;
    const char* word = nan ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    std::memcpy(out, word, 3);
    return out + 3;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The six digits of 100000 <= value <= 999999.
void WriteDigits6(char* d, std::uint32_t value) {
    const std::uint32_t high = value / 10'000;
    const std::uint32_t low = value % 10'000;
    std::memcpy(d, kDigitPairs + 2 * high, 2);
    std::memcpy(d + 2, kDigitPairs + 2 * (low / 100), 2);
    std::memcpy(d + 4, kDigitPairs + 2 * (low % 100), 2);
}

// Writes the %g text of a value rounded to the six significant digits `d` ('0'..'9', d[0] not
// '0') with decimal exponent `x` (value = d[0].d[1]...d[5] * 10^x).
char* WriteSixDigits(char* out, bool negative, const char* d, int x, char expLetter) {
    if (negative) *out++ = '-';
    int n = 6;  // significant digits that remain after removing trailing zeros
    while (n > 1 && d[n - 1] == '0') --n;
    if (x < -4 || x >= 6) {
        *out++ = d[0];
        if (n > 1) {
            *out++ = '.';
            std::memcpy(out, d + 1, static_cast<std::size_t>(n - 1));
            out += n - 1;
        }
        *out++ = expLetter;
        *out++ = x < 0 ? '-' : '+';
        const unsigned ax = static_cast<unsigned>(x < 0 ? -x : x);  // at most 324: three digits
        out[0] = static_cast<char>('0' + ax / 100);
        out[1] = static_cast<char>('0' + ax / 10 % 10);
        out[2] = static_cast<char>('0' + ax % 10);
        return out + 3;
    }
    if (x >= 0) {
        const int whole = x + 1;
        std::memcpy(out, d, static_cast<std::size_t>(whole));
        out += whole;
        if (n > whole) {
            *out++ = '.';
            std::memcpy(out, d + whole, static_cast<std::size_t>(n - whole));
            out += n - whole;
        }
        return out;
    }
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > x; --i) *out++ = '0';
    std::memcpy(out, d, static_cast<std::size_t>(n));
    return out + n;
}

// Writes sign, integer part and `decimals` decimals of the number scaled * 10^-decimals, as %.*f
// does (a negative value that rounds to zero keeps its sign: "-0.00").
char* WriteScaled(char* out, bool negative, std::uint64_t scaled, int decimals) {
    // The decimals and then the whole part, each from its last digit backwards two at a time,
    // straight into place: no digit buffer, no copy.
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    static constexpr std::uint64_t kScale[] = {1ULL,
                                               10ULL,
                                               100ULL,
                                               1000ULL,
                                               10000ULL,
                                               100000ULL,
                                               1000000ULL,
                                               10000000ULL,
                                               100000000ULL,
                                               1000000000ULL,
                                               10000000000ULL,
                                               100000000000ULL,
                                               1000000000000ULL,
                                               10000000000000ULL,
                                               100000000000000ULL,
                                               1000000000000000ULL,
                                               10000000000000000ULL,
                                               100000000000000000ULL};
    // Exactly `digits` digits of v, leading zeros included, ending at `end`: four at a time (one
    // division in the chain from one group to the next, the two pairs of a group independent).
    const auto backwards = [](char* end, std::uint64_t v, int digits) {
        for (; digits >= 4; digits -= 4) {
            const auto group = static_cast<std::uint32_t>(v % 10000);
            v /= 10000;
            end -= 4;
            std::memcpy(end, kPairs + (group / 100) * 2, 2);
            std::memcpy(end + 2, kPairs + (group % 100) * 2, 2);
        }
        if (digits >= 2) {
            end -= 2;
            std::memcpy(end, kPairs + (v % 100) * 2, 2);
            v /= 100;
            digits -= 2;
        }
        if (digits == 1) *--end = static_cast<char>('0' + v % 10);
        return end;
    };
    // The length is known first, so the digits go straight to their places in `out`. The split
    // at the point divides by a constant for each count of decimals (a division by a variable
    // costs several times more).
    std::uint64_t whole = 0;
    switch (decimals) {
#define KYN_SPLIT(d) \
    case d: whole = scaled / kScale[d]; break;
        KYN_SPLIT(0) KYN_SPLIT(1) KYN_SPLIT(2) KYN_SPLIT(3) KYN_SPLIT(4) KYN_SPLIT(5) KYN_SPLIT(6) KYN_SPLIT(7)
        KYN_SPLIT(8) KYN_SPLIT(9) KYN_SPLIT(10) KYN_SPLIT(11) KYN_SPLIT(12) KYN_SPLIT(13) KYN_SPLIT(14) KYN_SPLIT(15)
        KYN_SPLIT(16) KYN_SPLIT(17)
#undef KYN_SPLIT
        default: break;
    }
    const std::uint64_t fraction = scaled - whole * kScale[decimals];
    int wholeDigits = 1;  // comparisons, not a chain of divisions (whole < 2^52 < 10^17)
    while (wholeDigits < 17 && whole >= kScale[wholeDigits]) ++wholeDigits;
    if (negative) *out++ = '-';
    char* const end = out + wholeDigits + (decimals > 0 ? decimals + 1 : 0);
    char* p = end;
    if (decimals > 0) {
        p = backwards(p, fraction, decimals);
        *--p = '.';
    }
    backwards(p, whole, wholeDigits);
    return end;
}

char* FormatGeneral(char* out, double value, bool upper) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t absBits = bits & ~kSignBit;
    const bool negative = (bits & kSignBit) != 0;
    if (static_cast<int>(absBits >> 52) == kExponentField) return WriteNonFinite(out, bits, upper);
    if (absBits == 0) {
        if (negative) *out++ = '-';
        *out++ = '0';
        return out;
    }

    char d[6];
    int x;
    std::uint32_t six;
    std::uint64_t seven;
    int k;
    const int field = static_cast<int>(absBits >> 52);
    const double magnitude = std::bit_cast<double>(absBits);
    if (field != 0 && SixDigitsFast(magnitude, field - 1023, &six, &x)) {
        // Never a tie: that would have made q exactly a half-integer.
        WriteDigits6(d, six);
    } else if (SixDigitTie(absBits, &seven, &k)) {
        // Round the exact tie away from zero: T = 10 * D + 5 becomes D + 1.
        six = static_cast<std::uint32_t>(seven / 10 + 1);
        x = k + 6;
        if (six == 1'000'000) {
            six = 100'000;
            ++x;
        }
        WriteDigits6(d, six);
    } else {
        // Correctly rounded (and not a tie, so the library's rounding of ties cannot matter):
        // "d.ddddde+XX" with at least two exponent digits.
        char sci[32];
        const char* end =
            std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 5).ptr;
        d[0] = sci[0];
        std::memcpy(d + 1, sci + 2, 5);
        const char* p = sci + 9;  // first exponent digit, after "e+" / "e-"
        x = 0;
        while (p < end) x = x * 10 + (*p++ - '0');
        if (sci[8] == '-') x = -x;
    }
    return WriteSixDigits(out, negative, d, x, upper ? 'E' : 'e');
}

// Copies the digits [first, last) with a '.' between groups of three, counted from the right.
char* WriteGrouped(char* out, const char* first, const char* last) {
    const std::ptrdiff_t n = last - first;
    std::ptrdiff_t untilDot = n % 3 == 0 ? 3 : n % 3;
    for (const char* p = first; p < last; ++p) {
        if (untilDot == 0) {
            *out++ = '.';
            untilDot = 3;
        }
        *out++ = *p;
        --untilDot;
    }
    return out;
}

}  // namespace

char* FormatG(char* out, double value) {
    return FormatGeneral(out, value, false);
}

char* FormatGUpper(char* out, double value) {
    return FormatGeneral(out, value, true);
}

char* FormatFixed(char* out, double value, int decimals) {
    decimals = std::clamp(decimals, 0, kMaxFixedDecimals);
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t absBits = bits & ~kSignBit;
    if (static_cast<int>(absBits >> 52) == kExponentField) return WriteNonFinite(out, bits, false);

    // Common case, as in SixDigitsFast: |value| * 10^decimals rounded once; below 2^52 every
    // integer and half-integer is a double, so it rounds to the same integer as the exact product
    // unless it is exactly a half-integer (an exact tie or a value next to one).
    const double scaled = std::bit_cast<double>(absBits) * kPow10[decimals];
    if (scaled < 0x1p52) {
        std::uint64_t whole = static_cast<std::uint64_t>(scaled);
        const double fraction = scaled - static_cast<double>(whole);
        if (fraction != 0.5) {
            whole += fraction > 0.5;
            return WriteScaled(out, (bits & kSignBit) != 0, whole, decimals);
        }
    }

    // |value| = m * 2^q with m odd lies exactly halfway between two results iff
    // |value| * 10^decimals = m * 5^decimals * 2^(q + decimals) is an odd integer divided by two,
    // i.e. iff q == -(decimals + 1).
    if (absBits == 0 || Decompose(absBits).exponent != -(decimals + 1))
        return std::to_chars(out, out + kMaxFixedChars, value, std::chars_format::fixed, decimals)
            .ptr;

    // A tie has exactly decimals + 1 decimals ending in 5, and as its q < 0, |value| < 2^53:
    // written in full it fits a small buffer. Drop the 5 and add one unit of the last kept decimal.
    char text[48];
    char* end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals + 1).ptr;
    --end;                     // the final 5
    if (decimals == 0) --end;  // and the point before it
    char* first = text + (text[0] == '-' ? 1 : 0);
    char* p = end;
    while (p > first) {
        --p;
        if (*p == '.') continue;
        if (*p != '9') {
            ++*p;
            break;
        }
        *p = '0';
        if (p == first) {  // carried out of the leading digit: 9.99 -> 10.00
            std::memmove(first + 1, first, static_cast<std::size_t>(end - first));
            *first = '1';
            ++end;
            break;
        }
    }
    const std::size_t length = static_cast<std::size_t>(end - text);
    std::memcpy(out, text, length);
    return out + length;
}

char* FormatGGerman(char* out, double value) {
    char text[kMaxGChars];
    const char* end = FormatG(text, value);
    const char* p = text;
    if (*p == '-') *out++ = *p++;
    const char* digitsEnd = p;
    while (digitsEnd < end && *digitsEnd >= '0' && *digitsEnd <= '9') ++digitsEnd;
    out = WriteGrouped(out, p, digitsEnd);
    for (p = digitsEnd; p < end; ++p) *out++ = *p == '.' ? ',' : *p;
    return out;
}

char* FormatInt(char* out, long long value) {
    return std::to_chars(out, out + kMaxIntChars, value).ptr;
}

char* FormatIntGerman(char* out, long long value) {
    char text[kMaxIntChars];
    const char* end = FormatInt(text, value);
    const char* p = text;
    if (*p == '-') *out++ = *p++;
    return WriteGrouped(out, p, end);
}

std::string FormatGString(double value) {
    char text[kMaxGChars];
    return std::string(text, FormatG(text, value));
}

std::string FormatGUpperString(double value) {
    char text[kMaxGChars];
    return std::string(text, FormatGUpper(text, value));
}

std::string FormatFixedString(double value, int decimals) {
    char text[kMaxFixedChars];
    return std::string(text, FormatFixed(text, value, decimals));
}

std::string FormatGGermanString(double value) {
    char text[kMaxGGermanChars];
    return std::string(text, FormatGGerman(text, value));
}

std::string FormatIntString(long long value) {
    char text[kMaxIntChars];
    return std::string(text, FormatInt(text, value));
}

std::string FormatIntGermanString(long long value) {
    char text[kMaxIntGermanChars];
    return std::string(text, FormatIntGerman(text, value));
}

}  // namespace kyn

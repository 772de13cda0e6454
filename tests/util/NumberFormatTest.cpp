// Number texts of the writers, checked against the C library's printf.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "util/NumberFormat.h"

namespace kyn::test {
namespace {

// ---------------------------------------------------------------------------------------------
// Reference texts made with the C library. Its printf rounds exact ties to even; ours are rounded
// away from zero. Ties are found independently of the code under test: a value that is exactly a
// decimal ending in 5 reads back from that decimal and from no shorter one (the next shorter
// decimals lie half a unit of the last kept digit away, far more than half an ulp), so its
// shortest round-trip text is exactly that decimal. That cheap filter cannot miss a tie; the
// exact expansion (1100 digits hold any double) then confirms it.

// True when the expansion of `magnitude` by `format` (with a '*' precision for the number of
// decimals) has only zeros after the character at `lastDigit`: first to 40 decimals, which rules
// out nearly every value cheaply, then to 1100, which holds any double exactly.
bool ExactExpansionEndsAt(double magnitude, const char* format, std::size_t lastDigit) {
    char text[1500];
    for (int decimals : {40, 1100}) {
        const int n = std::snprintf(text, sizeof text, format, decimals, magnitude);
        const char* end = std::find(text, text + n, 'e');
        if (!std::all_of<const char*>(text + lastDigit + 1, end, [](char c) { return c == '0'; }))
            return false;
    }
    return true;
}

// Exactly halfway between two results of six significant digits.
bool IsSixDigitTie(double v) {
    if (!std::isfinite(v) || v == 0) return false;
    char s[64];
    const char* end =
        std::to_chars(s, s + sizeof s, std::fabs(v), std::chars_format::scientific).ptr;
    const char* e = std::find(static_cast<const char*>(s), end, 'e');
    if (e - s != 8 || e[-1] != '5') return false;  // "d.dddddd5"
    return ExactExpansionEndsAt(std::fabs(v), "%.*e", 7);
}

// Exactly halfway between two results with `decimals` decimals. The shortest text does not help
// here (a tie may have far more decimals than a double needs), so the filter is the expansion to
// twenty more decimals, which shows a tie exactly.
bool IsFixedTie(double v, int decimals) {
    if (!std::isfinite(v) || v == 0) return false;
    char s[400];
    const int n = std::snprintf(s, sizeof s, "%.*f", decimals + 21, std::fabs(v));
    const char* five = s + n - 21;
    if (*five != '5' || !std::all_of<const char*>(five + 1, s + n, [](char c) { return c == '0'; }))
        return false;
    return ExactExpansionEndsAt(std::fabs(v), "%.*f", static_cast<std::size_t>(five - s));
}

// printf, for a tie in the rounding direction that is away from zero: upward for positive values,
// downward for negative ones. `precision` < 0: `format` has no '*' ("%g" is much faster than
// "%.*g").
std::string Printf(bool awayFromZero, double v, const char* format, int precision = -1) {
    char text[1500];
    const int saved = std::fegetround();
    if (awayFromZero) std::fesetround(v > 0 ? FE_UPWARD : FE_DOWNWARD);
    if (precision < 0)
        std::snprintf(text, sizeof text, format, v);
    else
        std::snprintf(text, sizeof text, format, precision, v);
    if (awayFromZero) std::fesetround(saved);
    return text;
}

std::string ReferenceG(double v, bool upper) {
    std::string text = Printf(IsSixDigitTie(v), v, upper ? "%G" : "%g");
    const std::size_t e = text.find_first_of("eE");
    if (e != std::string::npos && text.size() - (e + 2) < 3) text.insert(e + 2, 1, '0');
    return text;
}

std::string ReferenceFixed(double v, int decimals) {
    return Printf(IsFixedTie(v, decimals), v, "%.*f", decimals);
}

// Compares texts written into a heap buffer of exactly the documented size (so that an overrun
// shows under the address sanitizer), reporting the first few differences.
class Checker {
public:
    explicit Checker(std::size_t maxChars) : out_(new char[maxChars]) {}

    template <typename Format>
    void Check(double v, Format format, const std::string& want) {
        const std::string_view got(out_.get(),
                                   static_cast<std::size_t>(format(out_.get(), v) - out_.get()));
        if (got == want) return;
        if (++failures_ <= 10)
            ADD_FAILURE() << "value " << std::hexfloat << v << std::defaultfloat << " ("
                          << FormatFixedString(v, 17) << "): got " << got << ", want " << want;
    }
    int failures() const { return failures_; }

private:
    std::unique_ptr<char[]> out_;
    int failures_ = 0;
};

void CheckG(Checker& checker, double v, bool upper = false) {
    checker.Check(v, upper ? FormatGUpper : FormatG, ReferenceG(v, upper));
}

void CheckFixed(Checker& checker, double v, int decimals) {
    checker.Check(v, [decimals](char* o, double x) { return FormatFixed(o, x, decimals); }, ReferenceFixed(v, decimals));
}

// Runs body(first, last, failures) over [0, count) split between two threads (our machines have
// two cores); `failures` adds up the mismatches reported by both.
template <typename Body>
int SplitInTwo(int count, Body body) {
    std::atomic<int> failures{0};
    std::thread other(body, count / 2, count, std::ref(failures));
    body(0, count / 2, failures);
    other.join();
    return failures;
}

// m * 2^e with m of at most `bits` bits: few significant bits make exact ties common.
double ShortBinaryFraction(std::mt19937_64& rng, int maxBits, int minExp, int maxExp) {
    const int bits = std::uniform_int_distribution<int>(1, maxBits)(rng);
    const auto m = static_cast<double>(rng() >> (64 - bits));
    const double v = std::ldexp(m, std::uniform_int_distribution<int>(minExp, maxExp)(rng));
    return rng() & 1 ? -v : v;
}

// The double nearest to a seven-digit decimal ending in 5 times 10^exponent, as read from a text:
// it lies next to (rarely on) a tie.
double NearestToDecimalTie(std::mt19937_64& rng, int exponent) {
    const auto seven = std::uniform_int_distribution<int>(100'000, 999'999)(rng) * 10 + 5;
    const std::string text = std::to_string(seven) + "e" + std::to_string(exponent);
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

// ---------------------------------------------------------------------------------------------
// General form

// A few texts written out by hand, independent of the printf reference: exact ties rounded away
// from zero (the C library gives 1.01562, 123456, ...), one rolling into the next decade, and the
// three-digit exponent. The sweeps below check every other value against printf.
TEST(NumberFormatG, WritesKnownTexts) {
    const std::pair<double, const char*> cases[] = {
        {1.015625, "1.01563"},
        {123456.5, "123457"},
        {-999999.5, "-1e+006"},
        {12345650.0, "1.23457e+007"},
        {1e-5, "1e-005"},
        {1e100, "1e+100"},
        {-INFINITY, "-inf"},
        {-NAN, "-nan"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatGString(v), text) << std::hexfloat << v;
    EXPECT_EQ(FormatGUpperString(-999999.5), "-1E+006");
    EXPECT_EQ(FormatGUpperString(-NAN), "-NAN");
}

TEST(NumberFormatG, MatchesCLibraryOnEdgeValues) {
    std::vector<double> values = {FLT_MIN,      FLT_MAX, FLT_TRUE_MIN, DBL_MIN,  DBL_MAX,
                                  DBL_TRUE_MIN, 0.0,     -0.0,         INFINITY, -INFINITY,
                                  NAN,          -NAN,    999999.5,     123456.5};
    // Powers of ten as floats and doubles, and values about to round into the next decade (where
    // the notation may switch), each with its neighbours.
    for (int k = -45; k <= 38; ++k) {
        const double p = std::pow(10.0, k);
        for (double b : {p, 9.999995 * p, 9.99999 * p, 9.999994999 * p}) {
            for (double x : {b, static_cast<double>(static_cast<float>(b))}) {
                values.insert(values.end(),
                              {x, std::nextafter(x, 0.0), std::nextafter(x, INFINITY)});
                const float f = static_cast<float>(x);
                values.insert(values.end(), {std::nextafter(f, 0.0f), std::nextafter(f, INFINITY)});
            }
        }
    }
    for (float f = FLT_TRUE_MIN; f < 1e-40f; f *= 3) values.push_back(f);  // denormals
    Checker checker(kMaxGChars);
    for (double v : values) {
        for (double s : {v, -v}) {
            CheckG(checker, s);
            CheckG(checker, s, true);
        }
    }
    EXPECT_EQ(checker.failures(), 0);
}

TEST(NumberFormatG, MatchesCLibraryOnRandomFloatsAndDoubles) {
    // Every bit pattern is fair game: NaNs print as nan / -nan whatever their payload.
    const int failures = SplitInTwo(10'000'000, [](int first, int last, std::atomic<int>& failed) {
        std::mt19937 rng(20240611 + first);
        Checker checker(kMaxGChars);
        for (int i = first; i < last; ++i) {
            const double v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
            CheckG(checker, v);
            if (i % 10 == 0) {
                CheckG(checker, v, true);
                CheckG(checker, std::bit_cast<double>(std::uint64_t{rng()} << 32 | rng()));
            }
        }
        failed += checker.failures();
    });
    EXPECT_EQ(failures, 0);
}

TEST(NumberFormatG, MatchesCLibraryOnExactTiesAndTheirNeighbours) {
    std::atomic<int> ties{0};
    const int failures =
        SplitInTwo(1'000'000, [&ties](int first, int last, std::atomic<int>& failed) {
            std::mt19937_64 rng(99 + first);
            Checker checker(kMaxGChars);
            for (int i = first; i < last; ++i) {
                const bool asFloat = i % 2 == 0;
                double v = i % 3 == 0 ? NearestToDecimalTie(rng, static_cast<int>(rng() % 80) - 46)
                                      : ShortBinaryFraction(rng, asFloat ? 24 : 53, -40, 50);
                if (asFloat) v = static_cast<float>(v);
                ties += IsSixDigitTie(v);
                CheckG(checker, v);
                CheckG(checker, std::nextafter(v, 0.0));
                CheckG(checker, std::nextafter(v, INFINITY));
            }
            failed += checker.failures();
        });
    EXPECT_EQ(failures, 0);
    EXPECT_GT(ties, 1000);  // the generator must really exercise the tie rounding
}

// ---------------------------------------------------------------------------------------------
// Fixed form

TEST(NumberFormatFixed, WritesKnownTexts) {
    EXPECT_EQ(FormatFixedString(-0.125, 2), "-0.13");  // a tie, away from zero
    EXPECT_EQ(FormatFixedString(1.5, -3), "2");  // decimals clamped to [0, 17]
    EXPECT_EQ(FormatFixedString(0.1, 40), "0.10000000000000001");

    // The largest text fills the documented maximum exactly.
    std::vector<char> out(kMaxFixedChars);
    EXPECT_EQ(FormatFixed(out.data(), -DBL_MAX, kMaxFixedDecimals) - out.data(),
              static_cast<std::ptrdiff_t>(kMaxFixedChars));
    EXPECT_EQ(std::string(out.data(), kMaxFixedChars), ReferenceFixed(-DBL_MAX, kMaxFixedDecimals));
}

TEST(NumberFormatFixed, MatchesCLibrary) {
    std::mt19937_64 rng(4242);
    std::uniform_int_distribution<int> decimals(0, kMaxFixedDecimals);
    Checker checker(kMaxFixedChars);
    int ties = 0;
    for (int i = 0; i < 300'000; ++i) {
        const int n = decimals(rng);
        CheckFixed(checker, std::bit_cast<float>(static_cast<std::uint32_t>(rng())), n);
        // a double of magnitude 2^-60 .. 2^60
        const std::uint64_t field =
            std::uniform_int_distribution<std::uint64_t>(1023 - 60, 1023 + 60)(rng);
        const std::uint64_t signAndFraction = rng() & 0x800F'FFFF'FFFF'FFFF;
        CheckFixed(checker, std::bit_cast<double>(signAndFraction | field << 52), n);
        const double shortValue = ShortBinaryFraction(rng, 53, -25, 40);
        ties += IsFixedTie(shortValue, n);
        CheckFixed(checker, shortValue, n);
        CheckFixed(checker, NearestToDecimalTie(rng, -(n + 1)), n);
    }
    for (int n = 0; n <= kMaxFixedDecimals; ++n) {
        for (double v :
             {DBL_MAX, DBL_TRUE_MIN, 1e38, -0.0, double{NAN}, double{-NAN}, double{-INFINITY}})
            CheckFixed(checker, v, n);
    }
    EXPECT_EQ(checker.failures(), 0);
    EXPECT_GT(ties, 1000);
}

// ---------------------------------------------------------------------------------------------
// German forms and integers

TEST(NumberFormatGerman, GroupsMantissaDigitsAndUsesDecimalComma) {
    const std::pair<double, const char*> cases[] = {
        {123456.5, "123.457"},
        {-1234.5, "-1.234,5"},
        {999.5, "999,5"},
        {-0.000123457, "-0,000123457"},
        {1.23457e10, "1,23457e+010"},
        {1e300, "1e+300"},
        {-INFINITY, "-inf"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(FormatGGermanString(v), text) << v;

    // The longest German text fits the documented buffer.
    std::vector<char> out(kMaxGGermanChars);
    EXPECT_EQ(FormatGGerman(out.data(), -1.23456e-100) - out.data(),
              static_cast<std::ptrdiff_t>(kMaxGGermanChars));
}

TEST(NumberFormatInt, PlainAndGermanGroups) {
    const std::pair<long long, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {-1000, "-1.000"},
        {-1234567, "-1.234.567"},
        {LLONG_MAX, "9.223.372.036.854.775.807"},
        {LLONG_MIN, "-9.223.372.036.854.775.808"},
    };
    for (const auto& [v, text] : cases) {
        std::vector<char> german(kMaxIntGermanChars), plain(kMaxIntChars);
        EXPECT_EQ(std::string(german.data(), FormatIntGerman(german.data(), v)), text);
        EXPECT_EQ(std::string(plain.data(), FormatInt(plain.data(), v)), std::to_string(v));
        EXPECT_EQ(FormatIntString(v), std::to_string(v));
    }
}

}  // namespace
}  // namespace kyn::test

// JCAMP-DX export: header, blocks, YFACTOR, and the "##TITLE" reader.
#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "formats/JcampDx.h"
#include "util/NumberFormat.h"

namespace kyn::test {
namespace {


std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

std::string Jdx(DataStore& ds) {
    JcampDxExporter exporter(ds);
    return OnDisk([&](std::ostream& os) { exporter.Write(os); });
}

class Jcamp : public ::testing::Test {
protected:
    void SetUp() override { setenv("USERNAME", "ann", 1); }
    void TearDown() override { unsetenv("USERNAME"); }
};

const char* kHeader =
    "##TITLE=Export Data\n##JCAMP-DX=5.0    $$ Varnix v. 4.1\n##DATATYPE=SPECTRUM\n##ORIGIN=Velorant\n"
    "##OWNER=ann\n##DATE=80/01/02\n##TIME=02:03:55\n";

TEST_F(Jcamp, OnePropertyOneDimensionGolden) {
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {200, 200.5f, 201})});
    ds.data[0] = 0.5f;
    ds.data[1] = -0.0000004f;
    ds.data[2] = 0.0078125f;
    ds.lastModified = "Wed Jan 02 02:03:55 1980";
    const std::string expected = std::string(kHeader) +
                                 "##DATACLASS=XYDATA\n##XUNITS=NANOMETERS\n##YUNITS=ABSORBANCE\n##XLABEL=\n"
                                 "##XFACTOR=1.00000\n##YFACTOR=0.000001\n##FIRSTX=200.000000\n##LASTX=201.000000\n"
                                 "##MAXY=0.500000\n##MINY=-0.000000\n##NPOINTS=3\n##FIRSTY=0.500000\n"
                                 "##XYDATA=(X++(Y..Y))\n200.0000 500000\n200.5000 0\n201.0000 7812\n##END=\n";
    EXPECT_EQ(Jdx(ds), Crlf(expected));
    ds.data[0] = 0.0078125f;  // an exact tie at six decimals rounds away from zero
    EXPECT_NE(Jdx(ds).find("##FIRSTY=0.007813\r\n"), std::string::npos);
}

// Several blocks make a compound file: a link block that holds them, each block with its own
// title, version, data type and number.
TEST_F(Jcamp, CompoundFileGolden) {
    DataStore ds = Store({"Absorbance", "CircularDichroism -mrme"}, {Dim("Wavelength", {200, 210, 220}), Dim("Time", {0, 1.5f})},
                         [](int i) { return static_cast<float>(-i); });
    ds.title = "2/1/1980 02:03:55";
    std::string expected =
        "##TITLE=2/1/1980 02:03:55\n##JCAMP-DX=5.0    $$ Varnix v. 4.1\n##DATATYPE=LINK\n##BLOCKS=4\n"
        "##ORIGIN=Velorant\n##OWNER=ann\n##DATE=80/01/02\n##TIME=02:03:55\n";
    // Time 0 then Time 1.5, each with property 1 then 2.
    const char* titles[] = {"Absorbance at Time=0", "CircularDichroism at Time=0", "Absorbance at Time=1.5",
                            "CircularDichroism at Time=1.5"};
    for (int b = 0; b < 4; ++b) {
        const int p = b % 2, step = b / 2, first = -(p * 6 + step * 3);
        const std::string kind = p == 0 ? "Absorbance" : "CircularDichroism";
        expected += std::string("##TITLE=") + titles[b] + "\n##JCAMP-DX=5.0\n##DATATYPE=" + kind +
                    " over Wavelength at specific Time\n##BLOCK_ID=" + std::to_string(b + 1) +
                    "\n##DATACLASS=XYDATA\n##XUNITS=NANOMETERS\n##YUNITS=" + (p == 0 ? "ABSORBANCE" : "ARBITRARY UNITS") +
                    "\n##XLABEL=\n##XFACTOR=1.00000\n##YFACTOR=0.000001\n##FIRSTX=200.000000\n##LASTX=220.000000\n"
                    "##MAXY=" + FormatFixedString(first, 6) + "\n##MINY=" + FormatFixedString(first - 2, 6) +
                    "\n##NPOINTS=3\n##FIRSTY=" + FormatFixedString(first, 6) + "\n##TIME=" + (step ? "1.500000" : "0.000000") +
                    "\n##XYDATA=(X++(Y..Y))\n";
        for (int i = 0; i < 3; ++i)
            expected += std::to_string(200 + 10 * i) + ".0000 " + std::to_string((first - i) * 1000000) + "\n";
        expected += "##END=\n";
    }
    EXPECT_EQ(Jdx(ds), Crlf(expected + "##END=\n"));
}

// How stores of one to five dimensions are cut into blocks: X is the dimension with the most
// steps, every other one of more than one step is stepped through (the first fastest), and the
// dimensions of one step are recorded beside the data.
TEST_F(Jcamp, EverySliceIsABlock) {
    struct Case {
        std::vector<int> steps;
        int properties;
        std::vector<std::string> expectTitles;  // of the first blocks, in order
        std::size_t blocks;
        const char* record;  // one record every block carries
    };
    const char* names[] = {"Wavelength", "Time", "Temperature", "Repeat", "Cell"};
    const Case cases[] = {
        {{4, 3, 2}, 1, {"Absorbance at Time=0, Temperature=0", "Absorbance at Time=1, Temperature=0",
                        "Absorbance at Time=2, Temperature=0", "Absorbance at Time=0, Temperature=1"}, 6, "##TEMPERATURE="},
        {{2, 5, 1, 3, 1}, 2, {"Absorbance at Wavelength=0, Repeat=0", "HT at Wavelength=0, Repeat=0",
                              "Absorbance at Wavelength=1, Repeat=0"}, 12, "##$CELL=0.000000"},
        {{1, 6, 1}, 1, {}, 1, "##$WAVELENGTH=0.000000"},  // one block: the simple layout
        {{1, 1, 1}, 1, {}, 1, "##$TIME=0.000000"},
        {{3, 3, 3, 2}, 1, {"Absorbance at Time=0, Temperature=0, Repeat=0"}, 18, "##REPEAT="},
    };
    for (const Case& c : cases) {
        std::vector<Dimension> dims;
        for (std::size_t k = 0; k < c.steps.size(); ++k) {
            std::vector<float> axis;
            for (int i = 0; i < c.steps[k]; ++i) axis.push_back(static_cast<float>(i));
            dims.push_back(Dim(names[k], axis));
        }
        std::vector<std::string> props = {"Absorbance", "HT"};
        props.resize(static_cast<std::size_t>(c.properties));
        DataStore ds = Store(props, dims);
        LossNotes losses;
        JcampDxExporter exporter(ds);
        const std::string out = OnDisk([&](std::ostream& os) { exporter.Write(os, &losses); });
        const std::string where = "steps " + std::to_string(c.steps.size()) + "-d, first " + std::to_string(c.steps[0]);
        EXPECT_TRUE(losses.empty()) << where;
        EXPECT_EQ(Count(out, "##XYDATA="), c.blocks) << where;
        EXPECT_EQ(Count(out, c.record), c.blocks) << where;
        EXPECT_EQ(Count(out, "##BLOCK_ID="), c.blocks > 1 ? c.blocks : 0u) << where;
        if (c.blocks > 1) {
            EXPECT_NE(out.find("##BLOCKS=" + std::to_string(c.blocks) + "\r\n"), std::string::npos) << where;
        }
        std::size_t at = out.find("##ORIGIN=");
        for (const std::string& title : c.expectTitles) {
            at = out.find("##TITLE=", at);
            ASSERT_NE(at, std::string::npos) << where;
            EXPECT_EQ(out.substr(at + 8, out.find('\r', at) - at - 8), title) << where;
            ++at;
        }
        // Every value is written once: the integers of all blocks add up to the store's values.
        long long sum = 0, expectedSum = 0;
        std::istringstream lines(out);
        bool inData = false;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("##", 0) == 0) {
                inData = line.rfind("##XYDATA=", 0) == 0;
                continue;
            }
            if (inData) sum += std::stoll(line.substr(line.find(' ') + 1));
        }
        for (int i = 0; i < ds.data.Count(); ++i) expectedSum += static_cast<long long>(ds.data[i]) * 1000000;
        EXPECT_EQ(sum, expectedSum) << where;
    }
}

// An uneven axis, or a block with values that are not finite, gives every written point its own
// X; the missing values are left out, counted, and kept out of MAXY and MINY. Small X steps get
// the decimals that keep them apart.
TEST_F(Jcamp, UnevenAxesAndMissingValuesArePoints) {
    DataStore lines = Store({"Absorbance"}, {Dim("Wavelength", {589, 578, 546, 436, 365})}, [](int i) {
        return i == 1 ? std::numeric_limits<float>::quiet_NaN() : i == 3 ? -std::numeric_limits<float>::infinity()
                                                                          : 0.25f * static_cast<float>(i);
    });
    LossNotes losses;
    JcampDxExporter exporter(lines);
    const std::string out = OnDisk([&](std::ostream& os) { exporter.Write(os, &losses); });
    EXPECT_NE(out.find(Crlf("##DATACLASS=XYPOINTS\n")), std::string::npos) << out;
    EXPECT_NE(out.find(Crlf("##FIRSTX=589.000000\n##LASTX=365.000000\n##MAXY=1.000000\n##MINY=0.000000\n"
                            "##NPOINTS=3\n##FIRSTY=0.000000\n##XYPOINTS=(XY..XY)\n589.0000, 0\n546.0000, 500000\n"
                            "365.0000, 1000000\n##END=\n")),
              std::string::npos)
        << out;
    EXPECT_EQ(losses, LossNotes{"2 values that are not finite (NaN or infinity) were left out (JCAMP-DX has no number for them)"});

    // Points far beyond 2^53 / 10^4, next to each other: written in full, each its own.
    DataStore huge = Store({"Absorbance"}, {Dim("Wavelength", {3e38f, 1.2e31f, 1.2e31f, -1e20f, 5})},
                           [](int i) { return i == 4 ? std::numeric_limits<float>::quiet_NaN() : 1.0f; });
    const std::string hugeOut = Jdx(huge);
    EXPECT_NE(hugeOut.find(Crlf("##XYPOINTS=(XY..XY)\n" + FormatFixedString(3e38f, 4) + ", 1000000\n" +
                                FormatFixedString(1.2e31f, 4) + ", 1000000\n")),
              std::string::npos)
        << hugeOut;

    // A block without a single number is left out whole (readers refuse a block without points);
    // the one left is a simple file.
    DataStore gap = Store({"Absorbance"}, {Dim("Wavelength", {500, 501, 502}), Dim("Time", {0, 1})},
                          [](int i) { return i < 3 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(i); });
    LossNotes gapLosses;
    JcampDxExporter gapExporter(gap);
    const std::string gapOut = OnDisk([&](std::ostream& os) { gapExporter.Write(os, &gapLosses); });
    EXPECT_EQ(Count(gapOut, "##NPOINTS="), 1u) << gapOut;
    EXPECT_EQ(Count(gapOut, "##BLOCKS="), 0u) << gapOut;
    EXPECT_NE(gapOut.find(Crlf("##TIME=1.000000\n##XYDATA=(X++(Y..Y))\n500.0000 3000000\n")), std::string::npos) << gapOut;
    EXPECT_EQ(gapLosses, LossNotes{"3 values that are not finite (NaN or infinity) were left out (JCAMP-DX has no number for them)"});

    // A trace in steps of 1e-7 s: even, but only seven decimals tell the points apart.
    std::vector<float> fine, logarithmic;
    for (int i = 0; i < 50; ++i) fine.push_back(static_cast<float>(i) * 1e-7f);
    for (int i = 0; i < 50; ++i) logarithmic.push_back(1e-4f * std::pow(10.0f, static_cast<float>(i) / 10.0f));
    for (const auto& [axis, form] : {std::pair{fine, "##XYDATA=(X++(Y..Y))"}, std::pair{logarithmic, "##XYPOINTS=(XY..XY)"}}) {
        DataStore ds = Store({"Absorbance"}, {Dim("Time", axis)});
        std::string text = Jdx(ds);
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        ASSERT_NE(text.find(form), std::string::npos) << text;
        std::istringstream in(text.substr(text.find(form)));
        std::string line;
        std::getline(in, line);
        std::vector<double> xs;
        while (std::getline(in, line) && line.rfind("##", 0) != 0) xs.push_back(std::strtod(line.c_str(), nullptr));
        ASSERT_EQ(xs.size(), axis.size());
        for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], axis[i], 1e-7 * axis[i] + 1e-30) << line;
        const double firstX = std::strtod(text.c_str() + text.find("##FIRSTX=") + 9, nullptr);
        const double lastX = std::strtod(text.c_str() + text.find("##LASTX=") + 8, nullptr);
        EXPECT_NEAR(firstX, axis.front(), 1e-7 * axis.front());
        EXPECT_NEAR(lastX, axis.back(), 1e-7 * axis.back());
    }
}

// A long block is formatted by two threads in turns; the text is the same as from one, for
// even and uneven axes, with values left out across the chunk borders and a chunk count that
// is odd and even.
TEST_F(Jcamp, TwoThreadsWriteTheSameText) {
    for (const int n : {16384 * 3 + 5, 16384 * 4}) {
        std::vector<float> even, uneven;
        for (int i = 0; i < n; ++i) {
            even.push_back(0.0001f * static_cast<float>(i));
            uneven.push_back(1e-4f * std::pow(10.0f, 6.0f * static_cast<float>(i) / static_cast<float>(n)));
        }
        for (const bool gaps : {false, true}) {
            DataStore ds = Store({"Absorbance"}, {Dim("Time", gaps ? uneven : even)}, [n, gaps](int i) {
                const bool gap = gaps && (i % 16384 == 0 || i == n - 1);
                return gap ? std::numeric_limits<float>::quiet_NaN() : std::sin(0.001f * static_cast<float>(i));
            });
            ds.lastModified = "Wed Jan 02 02:03:55 1980";  // the same time stamp in both texts
            jcamp::SetParallelLinesFrom(std::numeric_limits<int>::max());
            const std::string one = Jdx(ds);
            jcamp::SetParallelLinesFrom(1);
            const std::string two = Jdx(ds);
            jcamp::SetParallelLinesFrom(4 * 16384);
            EXPECT_GT(one.size(), static_cast<std::size_t>(n) * 8);
            EXPECT_TRUE(one == two) << n << " points: the texts differ";
        }
    }
}

// Text records are ASCII: Windows-1252 and UTF-8 text alike get close forms, the rest '?'.
TEST(JcampText, AsciiForms) {
    const std::pair<std::string, std::string> cases[] = {
        {"10 \xB5L at 25 \xB0" "C", "10 uL at 25 degC"},        // Windows-1252
        {"10 \xC2\xB5L at 25 \xC2\xB0" "C", "10 uL at 25 degC"},  // UTF-8
        {"\xE2\x80\x93 \xCE\xBB max \xC3\x85", "- lambda max A"},
        {"line\r\nbreak\ttab", "line  break tab"},
        {"plain", "plain"},
        {"\x81 and \x01", "? and ?"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(jcamp::AsciiText(in), out) << in;
    std::int64_t unmapped = 0;
    jcamp::AsciiText("\x81\x8D", &unmapped);
    EXPECT_EQ(unmapped, 2);

    setenv("USERNAME", "J\xF6rg", 1);
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {1, 2})});
    ds.title = "Lysozyme 5 \xB5M, 20 \xB0" "C";
    const std::string out = Jdx(ds);
    unsetenv("USERNAME");
    EXPECT_EQ(out.substr(0, 32), "##TITLE=Lysozyme 5 uM, 20 degC\r\n");
    EXPECT_NE(out.find("##OWNER=Jorg\r\n"), std::string::npos);
}

TEST(JcampDate, Forms) {
    std::time_t t;
    for (const char* date : {"wed JAN 02 02:03:55 1980", "31/12/2036 23:59:59", "1/1/70 00:00:00"})
        EXPECT_TRUE(kyn::jcamp::ParseDate(date, t)) << date;
    for (const char* date : {"1/1/2037 00:00:00", "30/2/2000 00:00:00", "Wed Foo 02 02:03:55 1980", "My measurement"})
        EXPECT_FALSE(kyn::jcamp::ParseDate(date, t)) << date;
}

// The described count, pair by pair, for comparison.
std::int64_t QuadraticMeasure(const std::vector<float>& a) {
    const int n = static_cast<int>(a.size());
    if (n == 0) return 0;
    std::int64_t t = 0;
    for (int i = 0; i < n; ++i)
        for (int k = 1; k < n - 1 - i; ++k)
            if (a[k] == a[i]) ++t;
    return 100 * t / n;
}

// The Y factor as described, with the measure counted pair by pair on each array of quotients.
float QuadraticYFactor(const std::vector<float>& s) {
    const std::int64_t reference = QuadraticMeasure(s);
    const float factors[] = {0.000001f, 0.00001f, 0.0001f, 0.001f, 0.01f, 0.1f};
    for (float f : factors) {
        std::vector<float> q(s.size());
        for (std::size_t i = 0; i < s.size(); ++i) q[i] = s[i] / f;
        if (QuadraticMeasure(q) == reference) return f;
    }
    return 1.0f;
}

// The factor as described, the measure counted pair by pair, then raised by powers of ten until
// every finite quotient, one by one, has a 32-bit integer form.
float QuadraticRaisedYFactor(const std::vector<float>& s) {
    const float factors[] = {0.000001f, 0.00001f, 0.0001f, 0.001f, 0.01f, 0.1f};
    const float chosen = QuadraticYFactor(s);
    int k = 0;
    while (k < 6 && factors[k] != chosen) ++k;
    for (;; ++k) {
        const float f = k < 6 ? factors[k] : std::pow(10.0f, static_cast<float>(k - 6));
        bool fit = true;
        for (float v : s)
            if (std::isfinite(v) && !(v / f >= -2147483648.0f && v / f < 2147483648.0f)) fit = false;
        if (fit) return f;
    }
}

// Shapes that take the search down each of its ways, against the pair count, the measure of the
// values and of every quotient and the chosen factor, with batches from one position (every value
// range its own batch, runs of joined values over many batches, values shared by more positions
// than a batch) to the normal size.
TEST(JcampYFactor, EveryShapeMatchesThePairCount) {
    float joinStart = 1.5f;  // from here on neighbouring floats often share their quotient by 1e-6
    while (joinStart / 0.000001f != std::nextafter(joinStart, 3.0f) / 0.000001f) joinStart = std::nextafter(joinStart, 3.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    using Shape = std::function<float(std::mt19937&)>;
    const std::vector<std::pair<const char*, Shape>> shapes = {
        {"one value", [](std::mt19937&) { return 0.25f; }},
        {"NaN, infinities, zeros",
         [&](std::mt19937& rng) {
             const float pool[] = {nan, inf, -inf, 0.0f, -0.0f, 1.0f, -1.0f, 3e38f};
             return pool[rng() % 8];
         }},
        {"chains of joined neighbours",  // runs of up to 16 neighbouring values with one quotient;
         [&](std::mt19937& rng) {          // two values at many positions cut batches short
             float v = joinStart;
             const unsigned r = rng() % 24;
             for (unsigned steps = r < 16 ? r : r < 20 ? 5 : 11; steps > 0; --steps) v = std::nextafter(v, 3.0f);
             return rng() % 4 == 0 ? -v : v;
         }},
        {"quotients past the float range",  // distinct values of many batches, one infinite quotient
         [](std::mt19937& rng) { return rng() % 5 == 0 ? static_cast<float>(rng() % 4) : 1e33f * static_cast<float>(1 + rng() % 1000); }},
        {"one crowded range of keys",  // over 64 distinct neighbouring keys in one range: sorted by byte
         [](std::mt19937& rng) {
             float v = 1.0f;
             for (unsigned steps = rng() % 600; steps > 0; --steps) v = std::nextafter(v, 2.0f);
             return v;
         }},
    };
    std::mt19937 rng(23);
    const float factors[] = {0.0f, 0.000001f, 0.00001f, 0.0001f, 0.001f, 0.01f, 0.1f};
    int coarserThanFinest = 0;  // arrays whose joined values really move the factor
    for (const auto& [name, shape] : shapes) {
        for (int round = 0; round < 12; ++round) {
            const int n = round < 4 ? round : static_cast<int>(rng() % (std::string(name) == "one crowded range of keys" ? 300 : 120));
            std::vector<float> a(static_cast<std::size_t>(n));
            for (float& v : a) v = shape(rng);
            const float expectedFactor = QuadraticRaisedYFactor(a);
            coarserThanFinest += n > 0 && expectedFactor != 0.000001f;
            for (std::size_t batch : {std::size_t{1}, std::size_t{2}, std::size_t{5}, std::size_t{16}, std::size_t{64},
                                      kyn::jcamp::kRepeatBatchPositions}) {
                // All factors in one walk: runs of different lengths end at the same batch end.
                const std::vector<std::int64_t> measures = kyn::jcamp::RepeatMeasures(a.data(), n, factors, batch);
                for (std::size_t k = 0; k < std::size(factors); ++k) {
                    std::vector<float> q = a;
                    if (factors[k] != 0.0f)
                        for (float& v : q) v /= factors[k];
                    EXPECT_EQ(measures[k], QuadraticMeasure(q))
                        << name << ", n " << n << ", batch " << batch << ", factor " << factors[k];
                }
                EXPECT_EQ(kyn::jcamp::ChooseYFactor(a.data(), n, batch), expectedFactor)
                    << name << ", n " << n << ", batch " << batch;
            }
        }
    }
    EXPECT_GT(coarserThanFinest, 0);
}

// Two joined values kept over one batch end, the second alone in its batch (cut short by a value at
// many positions after it), the run ending in the batch after that. Four neighbouring floats
// F < A < B < C in one range of the sort (the same upper 16 bits), of which only A and B share
// their quotient by 1e-6; batches of 16 positions: {F x14, A x2} | {B x3} | {C x14}.
TEST(JcampYFactor, JoinedRunOverAWholeShortBatch) {
    const float f = 0.000001f;
    float x = 1.5f;
    const auto bits = [](float v) { return std::bit_cast<std::uint32_t>(v) >> 16; };
    for (;; x = std::nextafter(x, 3.0f)) {
        const float a = std::nextafter(x, 3.0f), b = std::nextafter(a, 3.0f), c = std::nextafter(b, 3.0f);
        if (x / f != a / f && a / f == b / f && b / f != c / f && bits(x) == bits(c)) break;
    }
    const float a = std::nextafter(x, 3.0f), b = std::nextafter(a, 3.0f), c = std::nextafter(b, 3.0f);
    std::vector<float> s = {a, b, b, a, b};  // the run's positions first, so that its pairs count
    s.insert(s.end(), 14, c);
    s.insert(s.end(), 14, x);
    std::vector<float> q = s;
    for (float& v : q) v /= f;
    for (std::size_t batch : {std::size_t{16}, kyn::jcamp::kRepeatBatchPositions})
        EXPECT_EQ(kyn::jcamp::RepeatMeasure(s.data(), static_cast<int>(s.size()), f, batch), QuadraticMeasure(q)) << batch;
}

// An independent view of the written numbers: YFACTOR and the integers of XYDATA parsed with
// strtod/strtoll, each integer inside the 32-bit range and times YFACTOR within one YFACTOR of
// the value (quotients far above 2^24 included).
TEST_F(Jcamp, WrittenIntegersFitAndScaleBack) {
    const std::vector<float> large = {18000.25f, -21000.0f, 2147.48f, -0.003f, 1e9f};
    const std::vector<float> fine = {-4330.6299f, 1234.5678f, 0.5f, 2000.25f, -0.003f};  // quotients near 4e8
    for (const std::vector<float>& values : {large, fine}) {
        DataStore ds = Store({"CircularDichroism -mre"}, {Dim("Wavelength", {200, 201, 202, 203, 204})},
                             [&](int i) { return values[static_cast<std::size_t>(i)]; });
        std::string out = Jdx(ds);
        out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
        const std::size_t f = out.find("##YFACTOR=");
        ASSERT_NE(f, std::string::npos);
        const double factor = std::strtod(out.c_str() + f + 10, nullptr);
        const std::size_t data = out.find("##XYDATA=(X++(Y..Y))\n");
        ASSERT_NE(data, std::string::npos);
        std::istringstream lines(out.substr(data + 21));
        for (float v : values) {
            std::string line;
            ASSERT_TRUE(std::getline(lines, line));
            const std::size_t blank = line.find(' ');
            ASSERT_NE(blank, std::string::npos);
            const long long y = std::strtoll(line.c_str() + blank + 1, nullptr, 10);
            EXPECT_GE(y, -2147483648LL);
            EXPECT_LE(y, 2147483647LL);
            EXPECT_NEAR(y * factor, v, factor) << line;  // truncation: less than one YFACTOR off
        }
    }
}

// The reader takes the first data block of what the exporter writes: the first block of a
// compound file, and the points of an XYPOINTS block.
TEST_F(Jcamp, ReadsTheFirstBlockBack) {
    DataStore compound = Store({"Absorbance", "HT"}, {Dim("Wavelength", {300, 302, 304}), Dim("Temperature", {20, 25})},
                               [](int i) { return 0.5f * static_cast<float>(i); });
    DataStore points = Store({"Absorbance"}, {Dim("Wavelength", {589, 578, 546, 436})},
                             [](int i) { return i == 1 ? std::numeric_limits<float>::quiet_NaN() : 1.0f + static_cast<float>(i); });
    const std::pair<DataStore*, std::vector<std::pair<float, float>>> cases[] = {
        {&compound, {{300, 0}, {302, 0.5f}, {304, 1}}},
        {&points, {{589, 1}, {546, 3}, {436, 4}}},
    };
    for (const auto& [store, expected] : cases) {
        TextInput in(Jdx(*store));
        DataStore back;
        back.ReadJcampText(in.is);
        ASSERT_FALSE(in.is.fail());
        ASSERT_EQ(back.data.Count(), static_cast<int>(expected.size()));
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_FLOAT_EQ(back.dimensions[0][static_cast<int>(i)], expected[i].first);
            EXPECT_FLOAT_EQ(back.data[static_cast<int>(i)], expected[i].second);
        }
    }
}

TEST(JcampRead, LabelsAndFactors) {
    TextInput in("##TITLE=x\n##JCAMP-DX=4.24\n##XLABEL=  Time\n##YLABEL\n##XFACTOR=2\n##YFACTOR=0.5\n##NPOINTS=2\n"
                 "##XYDATA=(X++(Y..Y))\n1 10\n2\n20\n##END=\n");
    DataStore ds;
    ds.ReadJcampText(in.is);
    ASSERT_TRUE(in.is.good());
    EXPECT_EQ(ds.dimensions[0].name, "Time");
    EXPECT_FLOAT_EQ(ds.dimensions[0][1], 4.0f);
    EXPECT_FLOAT_EQ(ds.data[1], 10.0f);
}

// A second line that is not the version record and a file that ends before its data fail the
// stream; one that ends inside its pairs is refused with how many it held (a huge count is never
// allocated); without a point count there is nothing to size the block by.
TEST(JcampRead, BrokenFiles) {
    const std::string cutOff = "##TITLE=x\n##JCAMP-DX=5\n##NPOINTS=2000000000\n##XYDATA=(X++(Y..Y))\n1 2\n3 4\n";
    for (const std::string& text : {std::string("##TITLE=x\nhello\n"), std::string("##TITLE=x\n##JCAMP-DX=5\n##NPOINTS=3\n"), cutOff}) {
        TextInput in(text);
        DataStore ds;
        EXPECT_EQ(MessageOf([&] { ds.ReadJcampText(in.is); }),
                  text == cutOff ? "The file is corrupt.\nIt ends after 2 of its 2000000000 values.\n" : "")
            << text;
        EXPECT_TRUE(in.is.fail()) << text;
        EXPECT_EQ(ds.data.Count(), 0) << text;
    }
    TextInput in("##TITLE=x\n##JCAMP-DX=5\n##XYDATA=(X++(Y..Y))\n1 2\n");
    DataStore ds;
    EXPECT_EQ(MessageOf([&] { ds.ReadJcampText(in.is); }), "The file is corrupt.\n");
}

}  // namespace
}  // namespace kyn::test

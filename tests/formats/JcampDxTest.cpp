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

#include "formats/JcampDx.h"

namespace kyn::test {
namespace {


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

TEST_F(Jcamp, TwoPropertiesOverTimeBlocksGolden) {
    DataStore ds = Store({"Absorbance", "CircularDichroism -mrme"}, {Dim("Wavelength", {200, 210, 220}), Dim("Time", {0, 1.5f})},
                         [](int i) { return static_cast<float>(-i); });
    ds.title = "2/1/1980 02:03:55";
    const std::string block1Head =
        "##TITLE=Absorbance\n##DATATYPE=Absorbance over Wavelength at specific Time\n##BLOCK_ID=1\n";
    const std::string out = Jdx(ds);
    EXPECT_EQ(out.substr(0, Crlf("##TITLE=2/1/1980 02:03:55\n").size()), Crlf("##TITLE=2/1/1980 02:03:55\n"));
    EXPECT_NE(out.find(Crlf("##DATE=80/01/02\n##TIME=02:03:55\n" + block1Head)), std::string::npos) << out;
    // Blocks for Time 0 then Time 1.5, each for property 1 then 2, block ids repeat per step.
    EXPECT_NE(out.find(Crlf("##MAXY=-6.000000\n##MINY=-8.000000\n##NPOINTS=3\n##FIRSTY=-6.000000\n##TIME=0.000000\n")),
              std::string::npos);
    EXPECT_NE(out.find(Crlf("##BLOCK_ID=2\n##DATACLASS=XYDATA\n##XUNITS=NANOMETERS\n##YUNITS=ARBITRARY UNITS\n")),
              std::string::npos);
    EXPECT_NE(out.find(Crlf("##TIME=1.500000\n##XYDATA=(X++(Y..Y))\n200.0000 -3000000\n")), std::string::npos);
    std::size_t blocks = 0;
    for (std::size_t p = out.find("##BLOCK_ID="); p != std::string::npos; p = out.find("##BLOCK_ID=", p + 1)) ++blocks;
    EXPECT_EQ(blocks, 4u);
    EXPECT_EQ(out.substr(out.size() - 16), "##END=\r\n##END=\r\n");
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

// Random arrays against the pair count, in batches of one position (which split every value
// range the sort may be cut at), a few positions and the normal batch: small integers with -0 and
// NaN at factor 0, and values whose quotients by 1e-6 overflow to one run of infinities although
// they come from many value ranges sorted in different batches.
TEST(JcampYFactor, RepeatMeasureMatchesThePairCount) {
    std::mt19937 rng(7);
    const std::vector<float> huge = {1e33f, 2e34f, 3e35f, -4e36f, -5e37f, 5.0f, 6.5f, -0.0f};
    for (int round = 0; round < 400; ++round) {
        const bool joined = round % 2 == 1;
        const float factor = joined ? 0.000001f : 0.0f;
        std::vector<float> a(rng() % 40);
        for (float& v : a) {
            const unsigned r = rng() % 8;
            v = joined ? huge[r] : r >= 5 ? -0.0f : static_cast<float>(r % 4);
        }
        if (!joined && a.size() > 3 && round % 3 == 0) a[1] = std::numeric_limits<float>::quiet_NaN();
        std::vector<float> q = a;
        if (joined)
            for (float& v : q) v /= factor;
        const int n = static_cast<int>(a.size());
        for (std::size_t batch : {std::size_t{1}, std::size_t{3}, kyn::jcamp::kRepeatBatchPositions})
            EXPECT_EQ(kyn::jcamp::RepeatMeasure(a.data(), n, factor, batch), QuadraticMeasure(q))
                << "round " << round << " batch " << batch;
    }
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

TEST(JcampYFactor, SearchMatchesThePairCountWhenDivisionJoinsNeighbouringValues) {
    // Neighbouring floats just below 2 can give one quotient: the search must see the joined
    // values as equal, exactly as the pair count over the divided array does.
    float start = 1.5f;
    while (start / 0.000001f != std::nextafter(start, 3.0f) / 0.000001f) start = std::nextafter(start, 3.0f);
    std::vector<float> pool;
    for (float v = start; pool.size() < 4; v = std::nextafter(v, 3.0f)) pool.push_back(v);
    std::mt19937 rng(11);
    int differentFromFinest = 0;
    for (int round = 0; round < 300; ++round) {
        const int n = 2 + static_cast<int>(rng() % 30);
        std::vector<float> a(static_cast<std::size_t>(n));
        for (float& v : a) v = pool[rng() % pool.size()];
        const float expected = QuadraticYFactor(a);
        EXPECT_FLOAT_EQ(kyn::jcamp::ChooseYFactor(a.data(), n), expected) << "round " << round;
        differentFromFinest += expected != 0.000001f;
    }
    EXPECT_GT(differentFromFinest, 0);  // the arrays really exercise joined values
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
    for (const auto& [name, shape] : shapes) {
        for (int round = 0; round < 12; ++round) {
            const int n = round < 4 ? round : static_cast<int>(rng() % (std::string(name) == "one crowded range of keys" ? 300 : 120));
            std::vector<float> a(static_cast<std::size_t>(n));
            for (float& v : a) v = shape(rng);
            const float expectedFactor = QuadraticRaisedYFactor(a);
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
// strtod/strtoll, each integer inside the 32-bit range and times YFACTOR close to the value.
TEST_F(Jcamp, WrittenIntegersFitAndScaleBack) {
    const std::vector<float> values = {18000.25f, -21000.0f, 2147.48f, -0.003f, 1e9f};
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
        EXPECT_NEAR(y * factor, v, std::abs(v) * 1e-6 + factor) << line;
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

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "formats/FormatTestUtil.h"
#include "formats/VarnixStore.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

// The golden file as it lies on disk: CR LF line ends, the history's own CR LF as CR CR LF.
const std::string kTinyGolden = std::string(
    "VarnixStore\r\n"
    "T\r\n"
    "Remarks:\r\n1\r\nr1\r\n0\r\n"
    "Properties:\r\n1\r\nAbsorbance\r\n"
    "Dimensions:\r\n2\r\n"
    "Time\r\n2\r\n0,1.5\r\n\r\n"
    "Wavelength\r\n1\r\n250\r\n\r\n"
    "\r\n0.25,-3\r\n"
    "History:\r\n1\r\n"
    "h1\r\r\n") + std::string(1, '\0') + "0\r\n";

std::string WriteThroughFile(DataStore& ds, const std::string& path, bool headerOnly = false) {
    {
        TextOFStream os(path);
        ds.WriteVarnixStore(os, headerOnly);
    }
    return ReadFile(path);
}

TEST(VarnixStore, WriterReproducesGoldenBytes) {
    TempDir dir;
    DataStore ds = Tiny();
    EXPECT_EQ(WriteThroughFile(ds, dir / "t.dsa"), kTinyGolden);

    // Three dimensions: rows on their own lines, groups of the third separated by empty lines.
    DataStore cube = MakeStore("C", {}, {"P"}, {Dim("A", {1, 2}), Dim("B", {1, 2}), Dim("C", {1, 2})},
                               {0, 1, 2, 3, 4, 5, 6, 7}, {});
    const std::string text = WriteThroughFile(cube, dir / "c.dsa");
    EXPECT_NE(text.find("C\r\n2\r\n1,2\r\n\r\n\r\n\r\n0,1\r\n2,3\r\n\r\n4,5\r\n6,7\r\nHistory:\r\n0\r\n0\r\n"),
              std::string::npos)
        << text;

    // Six significant digits, exact ties away from zero, exponents of three digits, and the
    // forms of NaN and infinity.
    DataStore numbers = MakeStore("N", {}, {"P"}, {Dim("X", {1, 2, 3, 4, 5, 6})},
                                  {123456.5f, 1e-5f, 1e30f, 0.1234567f, std::numeric_limits<float>::quiet_NaN(),
                                   -std::numeric_limits<float>::infinity()},
                                  {});
    EXPECT_NE(WriteThroughFile(numbers, dir / "n.dsa").find("\r\n\r\n123457,1e-005,1e+030,0.123457,nan,-inf\r\n"),
              std::string::npos);

    // Header only: everything but the values.
    DataStore header = Tiny();
    std::string noData = kTinyGolden;
    noData.erase(noData.find("\r\n0.25,-3\r\n"), 11);
    EXPECT_EQ(WriteThroughFile(header, dir / "h.dsa", true), noData);
}

// The round trip reads what the writer writes; the other magic of the format is read the same.
TEST(VarnixStore, OtherMagicReadsLikeTheGolden) {
    TempDir dir;
    WriteFile(dir / "t.dsa", "VarnixStore 1.1" + kTinyGolden.substr(11));
    DataStore ds;
    ASSERT_TRUE(ds.Load(dir / "t.dsa"));
    EXPECT_EQ(ds.title, "T");
    EXPECT_EQ(Values(ds.data), (std::vector<float>{0.25f, -3.0f}));
    EXPECT_EQ(ds.history.back().Block(), "h1\r\n");
}

// Reads a VarnixStore text given with plain line feeds; returns the exception message.
std::string ReadText(const std::string& text, DataStore& ds, bool& good, bool headerOnly = false) {
    std::istringstream is(text);
    return MessageOf([&] { good = ds.ReadVarnixStore(is, headerOnly).good(); });
}

const std::string kHead = "VarnixStore\nT\nRemarks:\n1\nr1\n0\nProperties:\n1\nP\nDimensions:\n1\nX\n3\n1,2,3\n\n";

TEST(VarnixStore, TolerantReading) {
    bool good = false;
    // Leading spaces of names are lost; a comma followed by a space still separates values.
    {
        DataStore ds;
        const std::string text =
            "VarnixStore\nT\nRemarks:\n1\n   spaced\n0\nProperties:\n1\n  P\nDimensions:\n1\n  X\n3\n1, 2,\t3\n\n"
            "4, 5,6\nHistory:\n0\n0\n";
        EXPECT_EQ(ReadText(text, ds, good), "");
        EXPECT_TRUE(good);
        EXPECT_EQ(ds.remarks.At(0), "spaced");
        EXPECT_EQ(ds.dimensions.At(0).name, "X");
        EXPECT_EQ(Values(ds.data), (std::vector<float>{4, 5, 6}));
    }
    // Old style: one remark line in place of "Remarks:" and its count; the number is ignored.
    {
        DataStore ds;
        EXPECT_EQ(ReadText("VarnixStore\nT\nan old remark\n7\nProperties:\n1\nP\nDimensions:\n1\nX\n1\n5\n\n9\n", ds,
                           good),
                  "");
        EXPECT_TRUE(good);
        EXPECT_EQ(Lines(ds.remarks), std::vector<std::string>{"an old remark"});
        EXPECT_EQ(Values(ds.data), std::vector<float>{9});
    }
    // With no history and no final line end the file loads, the history being the reader's own
    // entry; cut off inside the values it is refused, never padded with zeros.
    {
        DataStore ds;
        EXPECT_EQ(ReadText(kHead + "4,5,6", ds, good), "");
        EXPECT_TRUE(good);
        EXPECT_EQ(ds.data[2], 6.0f);
        EXPECT_EQ(ds.history.size(), 1u);
    }
    for (const auto& [tail, present] : std::vector<std::pair<std::string, int>>{{"4,5", 2}, {"4,5,", 2}, {"4", 1}}) {
        DataStore ds;
        EXPECT_EQ(ReadText(kHead + tail, ds, good),
                  "The file is corrupt.\nIt ends after " + std::to_string(present) + " of its 3 values.\n");
    }
}

TEST(VarnixStore, BrokenFiles) {
    bool good = true;
    DataStore ds;
    // Not a VarnixStore magic.
    EXPECT_EQ(ReadText("VarnixStore 2\nT\n", ds, good), "The file is corrupt.\n");
    // An empty remark takes the next line as the remark and then meets "Properties:" instead of 0.
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n1\n\nProperties:\n1\nP\n", ds, good), "The file is corrupt.\n");
    // No "Properties:" line.
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n0\n0\nProps:\n1\nP\n", ds, good), "The file is corrupt.\n");
    // No property at all.
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n0\n0\nProperties:\n0\nDimensions:\n", ds, good),
              "The file is corrupt.\n");
    // 256 dimensions.
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n0\n0\nProperties:\n1\nP\nDimensions:\n256\n", ds, good),
              "The file is corrupt.\n");
    // A dimension without axis values has no last value to read.
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n0\n0\nProperties:\n1\nP\nDimensions:\n1\nX\n0\n\n", ds, good),
              "Array out of bounds!");
    // (An axis count far beyond what the file holds is in the hostile-input tests.)
    // A space between a value and its comma (a letter in its place stops the row the same way).
    EXPECT_EQ(ReadText(kHead + "1 ,2,3\nHistory:\n0\n0\n", ds, good), "The file is corrupt.\n");
    // No "Dimensions:" line: a quiet failure.
    DataStore quiet;
    EXPECT_EQ(ReadText("VarnixStore\nT\nRemarks:\n0\n0\nProperties:\n1\nP\nDims:\n1\n", quiet, good), "");
    EXPECT_FALSE(good);
    // A history text cut off before its NUL costs the history, not the file.
    DataStore cut;
    EXPECT_EQ(ReadText(kHead + "1,2,3\nHistory:\n2\nfirst" + std::string(1, '\0') + "sec", cut, good), "");
    EXPECT_TRUE(good);
    EXPECT_EQ(cut.history.size(), 1u);
}

}  // namespace
}  // namespace kyn::test

namespace kyn::test {
namespace {

// What a load gives: the values (bit for bit) and the history count, or the refusal's text.
std::string Outcome(const std::string& path) {
    DataStore ds;
    try {
        if (!ds.Load(path)) return "not loaded";
    } catch (const std::exception& e) {
        return std::string("refused: ") + e.what();
    }
    std::string out = std::to_string(ds.ValueCount()) + " values, " + std::to_string(ds.history.size()) + " entries:";
    for (std::int64_t i = 0; i < ds.ValueCount(); ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &ds.data[i], sizeof bits);
        out += " " + std::to_string(bits);
    }
    return out;
}

// Reading the values with two threads gives what the plain reading gives, for the writer's layout
// and for every text that strays from it (which is then read the plain way).
TEST(VarnixStore, TwoThreadReadingGivesThePlainReadingsResult) {
    TempDir dir;
    std::vector<float> v;
    for (int i = 0; i < 3 * 4 * 5 * 2; ++i) v.push_back(std::sin(static_cast<float>(i)) * std::pow(10.0f, i % 9 - 4));
    v[7] = std::numeric_limits<float>::quiet_NaN();
    v[8] = -std::numeric_limits<float>::infinity();
    v[9] = -0.0f;
    DataStore cube = MakeStore("cube", {"r"}, {"A", "B"}, {Dim("X", {1, 2, 3}), Dim("Y", {1, 2, 3, 4}), Dim("Z", {1, 2, 3, 4, 5})},
                               v, {RawEntry("h\r\n")});
    const std::string written = WriteThroughFile(cube, dir / "w.dsa");
    const std::size_t data = written.find("\r\n\r\n\r\n") + 6;  // after the last dimension block
    const std::size_t history = written.find("History:");
    const auto withData = [&](const std::string& text) { return written.substr(0, data) + text + written.substr(history); };
    std::string rows = written.substr(data, history - data);
    std::string joined = rows;  // every row of a block on one line: rows that span lines
    for (std::size_t at; (at = joined.find("\r\n", 1)) != std::string::npos && joined.compare(at + 2, 2, "\r\n") != 0;)
        joined.replace(at, 2, ",");
    const std::string texts[] = {
        written,
        withData(rows.substr(0, rows.size() / 2)),           // ends inside the data
        withData(rows.substr(0, rows.size() - 2)) ,           // the last line end missing
        written.substr(0, history),                           // no history, no final line end
        withData("  " + rows),                                // white space before the first row
        withData(joined + "\r\n"),                            // rows joined on lines
        withData(std::string(rows).replace(rows.find(','), 1, ", ")),
        withData(std::string(rows).replace(rows.find(','), 1, ";")),  // a stray character
        withData(std::string(rows).insert(rows.find("\r\n"), ",9")),  // a value too many
        withData(std::string(rows).replace(rows.find("\r\n"), 2, "\n")),  // a bare line feed
    };
    for (const std::string& text : texts) {
        WriteFile(dir / "t.dsa", text);
        varnixstore::SetTwoThreads(std::numeric_limits<std::int64_t>::max());
        const std::string plain = Outcome(dir / "t.dsa");
        // Chunks of one row to the whole block: cuts fall between rows, on blank lines, at the end.
        for (const std::int64_t chunk : {1, 7, 40, 1000}) {
            varnixstore::SetTwoThreads(1, chunk);
            EXPECT_EQ(Outcome(dir / "t.dsa"), plain) << chunk << "\n" << text;
        }
    }
    EXPECT_EQ(Outcome(dir / "w.dsa").substr(0, 21), "120 values, 2 entries");
    varnixstore::SetTwoThreads(std::int64_t{1} << 20);
}

}  // namespace
}  // namespace kyn::test

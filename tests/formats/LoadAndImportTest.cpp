#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"

namespace kyn::test {
namespace {

struct Loaded {
    bool result = false;
    std::string message;
    DataStore ds;
};

Loaded LoadBytes(const TempDir& dir, const std::string& bytes, bool allowCary = false) {
    WriteFile(dir / "f", bytes);
    Loaded l;
    l.ds.allowCaryImport = allowCary;
    l.message = MessageOf([&] { l.result = l.ds.Load(dir / "f"); });
    return l;
}

const char* const kUnrecognised = "The file is of an unrecognised format\n";

TEST(Load, RecognitionAndRefusals) {
    TempDir dir;
    // Export-only formats are refused with their own message.
    EXPECT_EQ(LoadBytes(dir, "SimpleCSV\r\n1,2\r\n").message, "CSV is an export only format.\nIt cannot be imported.\n");
    EXPECT_EQ(LoadBytes(dir, "VarnixCSV\n").message, "CSV is an export only format.\nIt cannot be imported.\n");
    EXPECT_EQ(LoadBytes(dir, "JCAMP-DX 5.0\n").message, "JCAMP-DX is an export only format.\nIt cannot be imported.\n");
    // Whole-line comparison: a trailing blank is another format; so is the tab-separated export.
    EXPECT_EQ(LoadBytes(dir, "VarnixStore \nT\n").message, kUnrecognised);
    EXPECT_EQ(LoadBytes(dir, "VarnixTSV\nT\n").message, kUnrecognised);
    // Empty and blank files.
    EXPECT_EQ(LoadBytes(dir, "").message, kUnrecognised);
    EXPECT_EQ(LoadBytes(dir, " \r\n\t\n").message, kUnrecognised);
    // Blank lines before the magic still select the VarnixStore reader, which rereads from the
    // very start and so finds no magic on its first line.
    Loaded blank = LoadBytes(dir, "\r\nVarnixStore\r\nT\r\n");
    EXPECT_EQ(blank.message, "The file is corrupt.\n");
    EXPECT_EQ(blank.ds.formatName, "VarnixStore");
    // A file that cannot be opened: false without a message.
    DataStore missing;
    EXPECT_FALSE(missing.Load(dir / "does-not-exist"));
}

TEST(AsciiImport, ReadsPairsWithOrWithoutFinalLineEnd) {
    TempDir dir;
    for (const std::string ending : {"\r\n", ""}) {
        Loaded l = LoadBytes(dir, "ASCII\r\n3\r\n400 0.1\r\n410\t0.2\r\n420 0.15" + ending);
        EXPECT_TRUE(l.result) << "ending '" << ending << "'";
        EXPECT_EQ(l.message, "");
        EXPECT_EQ(l.ds.dimensions.At(0).name, "X Data");
        EXPECT_EQ(Values(l.ds.dimensions.At(0).values), (std::vector<float>{400, 410, 420}));
        EXPECT_EQ(Values(l.ds.data), (std::vector<float>{0.1f, 0.2f, 0.15f}));
    }
}

TEST(AsciiImport, RefusesBrokenAndCutOffFiles) {
    TempDir dir;
    // Quietly: no count; a count of 0 or less; a pair that is not two numbers.
    for (const std::string text : {"ASCII\nabc\n", "ASCII\n0\n", "ASCII\n-2\n1 2\n", "ASCII\n2\n1 2\n3 x\n"}) {
        Loaded l = LoadBytes(dir, text);
        EXPECT_FALSE(l.result) << text;
        EXPECT_EQ(l.message, "") << text;
    }
    // Fewer pairs than the count, even a huge one (which must not be allocated): cut off.
    EXPECT_EQ(LoadBytes(dir, "ASCII\n3\n1 2\n3 4\n").message, "The file is corrupt.\nIt ends after 2 of its 3 values.\n");
    EXPECT_EQ(LoadBytes(dir, "ASCII\n2000000000\n1 2\n").message,
              "The file is corrupt.\nIt ends after 1 of its 2000000000 values.\n");
}

const std::string kCary =
    "Sample A,,Sample B,\r\n"
    "Wavelength (nm),Abs,Wavelength (nm),Abs\r\n"
    "400,-0.5,400,1\r\n"
    "410,-0.25,410,2\r\n"
    "\r\n"
    "Method:  scan,  fast\r\n"
    "Operator:   x\r\n";

TEST(CaryAscii, ImportedOnlyWhenAllowed) {
    TempDir dir;
    EXPECT_EQ(LoadBytes(dir, kCary, false).message, kUnrecognised);

    Loaded l = LoadBytes(dir, kCary, true);
    ASSERT_EQ(l.message, "");
    EXPECT_TRUE(l.result);
    EXPECT_EQ(l.ds.formatName, "CARY-ASCII");
    EXPECT_EQ(l.ds.title, "Sample A,");
    ASSERT_EQ(l.ds.dimensions.Count(), 1);
    EXPECT_EQ(l.ds.dimensions.At(0).name, "Wavelength (nm)");
    EXPECT_EQ(Values(l.ds.dimensions.At(0).values), (std::vector<float>{400, 410}));
    EXPECT_EQ(Lines(l.ds.properties), std::vector<std::string>{"Absorbance"});
    EXPECT_EQ(Values(l.ds.data), (std::vector<float>{-0.5f, -0.25f}));
    EXPECT_EQ(l.ds.maxValue, -0.25);  // all values negative
    EXPECT_EQ(Lines(l.ds.importHeader), (std::vector<std::string>{"Method: scan fast", "Operator: x"}));
}

TEST(CaryAscii, TimeAxisAndBrokenData) {
    TempDir dir;
    Loaded t = LoadBytes(dir, "Run\r\nTime (sec),Abs\r\n0,1\r\n1,2\r\n\r\n", true);
    ASSERT_TRUE(t.result) << t.message;
    EXPECT_EQ(t.ds.title, "Run");
    ASSERT_EQ(t.ds.dimensions.Count(), 2);
    EXPECT_EQ(t.ds.dimensions.At(1).name, "Wavelength");
    EXPECT_EQ(Values(t.ds.dimensions.At(1).values), std::vector<float>{0.0f});

    // Data that stop without an empty line.
    EXPECT_EQ(LoadBytes(dir, "Run\r\nTime,Abs\r\n0,1\r\n1,2\r\n", true).message, kUnrecognised);
    // Exactly three lines, the third without a line end: the probe meets the end of the file.
    EXPECT_EQ(LoadBytes(dir, "Run\r\nTime,Abs\r\n0,1", true).message, kUnrecognised);
    // A later data line that does not begin with two numbers.
    EXPECT_EQ(LoadBytes(dir, "Run\r\nTime,Abs\r\n0,1\r\nx,2\r\n\r\n", true).message, kUnrecognised);
}

}  // namespace
}  // namespace kyn::test

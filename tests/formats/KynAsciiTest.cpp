// KYN-ASCII and KYN-ASCII-SPECTRAKINETIC: golden layouts read back, and broken files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>

#include "formats/FormatTestUtil.h"
#include "formats/KynAscii.h"

namespace kyn::test {
namespace {


std::string MaskLastLine(const std::string& s) {
    return std::regex_replace(s, std::regex("title\r\n.{24}\r\n$"), "title\r\n*\r\n");
}

TEST(KynAscii, DescendingTimeWrittenAscendingGolden) {
    DataStore ds = Store({"CircularDichroism -mrme"}, {Dim("Time -log", {10, 5, 0}), Dim("Wavelength", {280.5f})},
                         [](int i) { return i == 0 ? 1.5e-5f : static_cast<float>(i + 1); });
    ds.title = "title";
    const std::string out = OnDisk([&](std::ostream& os) { ds.WriteKynAscii(os, 0); });
    const std::string expected =
        "KYN-ASCII\nINFO>cp_wl_280.5nm_tp_0_tm_0\n3\n0\t3\n5\t2\n10\t1.5E-005\n\n0\n1.5E-005\n10\n3\n"
        "Time (seconds)\nCD\n\n\n\n\ntitle\n*\n";
    EXPECT_EQ(MaskLastLine(out), Crlf(expected));

    // Read back, the labels map to names again (the time axis keeps its label) and the values
    // come in the written, ascending order.
    TextInput in(out);
    DataStore back;
    back.ReadKynAscii(in.is);
    ASSERT_TRUE(in.is.good());
    EXPECT_EQ(back.title, "title");
    EXPECT_EQ(back.dimensions[0].name, "Time (seconds)");
    EXPECT_FLOAT_EQ(back.dimensions[1][0], 280.5f);
    EXPECT_EQ(back.properties[0], "CircularDichroism");
    EXPECT_EQ(Values(back.data), (std::vector<float>{3, 2, 1.5e-5f}));
}

TEST(KynAscii, ReadingWavelengthAxisAndFitColumn) {
    TextInput in("\n KYN-ASCII\nINFO>cp_wl_0nm_tp_25_tm_3_ft\n2\n300 1 9\n301\t2\t9\n\n300\n1\n301\n2\n"
                 "Wavelength (nm)\nEmission\n\n\n\n\nt\nWed Jan 02 02:03:55 1980\n");
    DataStore ds;
    ds.ReadKynAscii(in.is);
    ASSERT_TRUE(in.is.good());
    ASSERT_EQ(ds.dimensions.Count(), 1);
    EXPECT_EQ(ds.dimensions[0].name, "Wavelength");
    EXPECT_EQ(ds.properties[0], "Fluorescence");
    EXPECT_FLOAT_EQ(ds.data[1], 2.0f);
}

TEST(KynAscii, NonFiniteValuesReadBack) {
    TextInput in("KYN-ASCII\nINFO>cp_wl_0nm_tp_0_tm_0\n3\n1 nan\n2 -INF\n3 inf\n\n1\n2\n3\n4\nx\ny\n\n\n\n\nt\ns\n");
    DataStore ds;
    ds.ReadKynAscii(in.is);
    ASSERT_TRUE(in.is.good());
    EXPECT_TRUE(std::isnan(ds.data[0]));
    EXPECT_EQ(ds.data[1], -std::numeric_limits<float>::infinity());
    EXPECT_EQ(ds.data[2], std::numeric_limits<float>::infinity());
}

TEST(KynAscii, BrokenFilesFailTheStream) {
    const char* broken[] = {
        "KYN-ASCIIX\nINFO>cp\n",                                       // wrong magic
        "KYN-ASCII\nINF>cp_wl_0nm\n1\n1 2\n",                          // not INFO
        "KYN-ASCII\nINFO>cp_wl_0nm_tp_0_tm_0\n5\n1 2\n3 x\n",        // a row that is not two numbers
        "KYN-ASCII\nINFO>cp_wl_0nm_tp_0_tm_0_ft\n1\n1 2\n\n1\n2\n1\n2\nx\ny\n\n\n\n\nt\ns\n",  // fit column missing
    };
    for (const char* text : broken) {
        TextInput in(text);
        DataStore ds;
        ds.ReadKynAscii(in.is);
        EXPECT_TRUE(in.is.fail()) << text;
        EXPECT_EQ(ds.data.Count(), 0) << text;
    }
    // Fewer rows than announced: cut off, refused with how many values it held.
    TextInput rows("KYN-ASCII\nINFO>cp_wl_0nm_tp_0_tm_0\n5\n1 2\n");
    DataStore few;
    EXPECT_EQ(MessageOf([&] { few.ReadKynAscii(rows.is); }), "The file is corrupt.\nIt ends after 1 of its 5 values.\n");
    EXPECT_EQ(few.data.Count(), 0);
    // Ending inside the last text lines: the DataStore is filled but the stream is at its end.
    TextInput cut("KYN-ASCII\nINFO>cp_wl_0nm_tp_0_tm_0\n1\n1 2\n\n1\n2\n1\n2\nx\ny\n\n\n\n\nt\nstamp");
    DataStore ds;
    ds.ReadKynAscii(cut.is);
    EXPECT_TRUE(cut.is.eof());
    EXPECT_FALSE(cut.is.good());
}

// --- KYN-ASCII-SPECTRAKINETIC ---------------------------------------------------------------

TEST(SpectraKinetic, Golden) {
    DataStore ds = Store({"Count", "Absorbance -dual"}, {Dim("Wavelength", {600, 500, 400}), Dim("Time", {0, 1})},
                         [](int i) { return i < 6 ? 99.0f : static_cast<float>(10 * ((i - 6) / 3) + (i - 6) % 3); });
    ds.title = "T";
    ds.remarks.Append("a");
    ds.remarks.Append("b");
    const std::string out = OnDisk([&](std::ostream& os) { ds.WriteSpectraKinetic(os); });
    EXPECT_EQ(out, Crlf("KYN-ASCII-SPECTRAKINETIC\nTYPE>DATA_Absorbance -dual\n%\nT\na\nb\n%\n/\nN_spec: 2\nN_lam: 3\n"
                        "Times:\n0\n1\nLambda:\n400\n500\n600\nData:\n2\n1\n0\n\n12\n11\n10\n\n\n"));
    EXPECT_EQ(ds.GetCurrentProperty(), 1);

    // The reader frames the remarks it reads and keeps the ascending wavelengths.
    TextInput in(out);
    DataStore back;
    back.ReadSpectraKinetic(in.is);
    ASSERT_TRUE(in.is.good());
    EXPECT_EQ(Lines(back.remarks), (std::vector<std::string>{"", "T", "a", "b", "---------------------"}));
    EXPECT_EQ(back.properties[0], "Absorbance -dual");
    EXPECT_EQ(back.dimensions[1].name, "Time");
    EXPECT_FLOAT_EQ(back.dimensions[0][0], 400.0f);
    EXPECT_EQ(Values(back.data), (std::vector<float>{2, 1, 0, 12, 11, 10}));
}

TEST(SpectraKinetic, WriterRefusals) {
    DataStore single = Store({"Absorbance"}, {Dim("Wavelength", {250}), Dim("Time", {0, 1})});
    EXPECT_EQ(MessageOf([&] { OnDisk([&](std::ostream& os) { single.WriteSpectraKinetic(os); }); }),
              "Cannot export this file to spectrakinetic format");
    DataStore counts = Store({"Count"}, {Dim("Wavelength", {1, 2}), Dim("Time", {0})});
    EXPECT_EQ(MessageOf([&] { OnDisk([&](std::ostream& os) { counts.WriteSpectraKinetic(os); }); }), "Array out of bounds!");
}

std::string Body(int spectraCount = 1) {
    std::string s = "/\nN_spec: " + std::to_string(spectraCount) + "\nN_lam: 2\nTimes:\n";
    for (int i = 0; i < spectraCount; ++i) s += "0\n";
    s += "Lambda:\n1\n2\nData:\n";
    for (int i = 0; i < spectraCount; ++i) s += "5\n6\n\n";
    return s;
}

TEST(SpectraKinetic, RemarkLimit) {
    auto withRemarkLines = [](int lines) {  // lines read by the remark loop, closing "%" included
        std::string s = "KYN-ASCII-SPECTRAKINETIC\nTYPE>DATA_HT\n%";
        s += "\n";  // the empty rest of the opening line is the first line read
        for (int i = 1; i < lines - 1; ++i) s += "r\n";
        return s + "%\n" + Body();
    };
    TextInput ok(withRemarkLines(999));
    DataStore a;
    a.ReadSpectraKinetic(ok.is);
    EXPECT_TRUE(ok.is.good());
    EXPECT_EQ(a.remarks.Count(), 999);
    TextInput tooMany(withRemarkLines(1000));
    DataStore b;
    EXPECT_EQ(MessageOf([&] { b.ReadSpectraKinetic(tooMany.is); }), "The file is corrupt.\n");
    EXPECT_EQ(b.remarks.Count(), 0);
}

TEST(SpectraKinetic, BrokenFiles) {
    const std::string head = "KYN-ASCII-SPECTRAKINETIC\nTYPE>DATA_HT\n%\n%\n";
    const std::string corrupt[] = {
        "KYN-ASCII\n",                                              // wrong first line
        "KYN-ASCII-SPECTRAKINETIC\nKIND>DATA_HT\n",                 // no TYPE
        "KYN-ASCII-SPECTRAKINETIC\nTYPE>VALUES_HT\n",               // no DATA
        head + "N_spec: 1\n",                                       // no "/"
        head + "/\nN_lam: 2\n",                                     // N_spec missing
        head + "/\nN_spec: 1\nN_lam: 2\nTimes:\n0\nLambda\n1\n2\nData:\n",  // Lambda: misspelt
        head + "/\nN_spec: -1\nN_lam: 2\n",                         // negative count
    };
    for (const std::string& text : corrupt) {
        TextInput in(text);
        DataStore ds;
        EXPECT_EQ(MessageOf([&] { ds.ReadSpectraKinetic(in.is); }), "The file is corrupt.\n") << text;
    }
    // Ending inside the data is refused with how many values were there, without the announced
    // block.
    TextInput cut(head + "/\nN_spec: 1\nN_lam: 2\nTimes:\n0\nLambda:\n1\n2\nData:\n5\n");
    DataStore ds;
    EXPECT_EQ(MessageOf([&] { ds.ReadSpectraKinetic(cut.is); }), "The file is corrupt.\nIt ends after 1 of its 2 values.\n");
    EXPECT_EQ(ds.data.Count(), 0);
}

}  // namespace
}  // namespace kyn::test

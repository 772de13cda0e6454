// VarnixCSV and VarnixTSV: golden layouts written by hand for the table shapes that take their own
// path (one, two and more than three dimensions, none), and view states that disagree with the data.
#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"

#include <clocale>
#include <cstring>


namespace kyn::test {
namespace {


std::string Csv(DataStore& ds, bool extra = false) {
    return MaskStamp(OnDisk([&](std::ostream& os) { ds.WriteVarnixCSV(os, extra); }));
}
std::string Tsv(DataStore& ds, bool euro = false) {
    return MaskStamp(OnDisk([&](std::ostream& os) { ds.WriteVarnixTSV(os, euro); }));
}

const char* kCsvHeadNoText =
    "VarnixCSV\n\nTitle: \n\nRemarks:\n\nLast Modified: * by unknown.\n\nOptions:\n\n";

TEST(VarnixCsv, OneDimensionGolden) {
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {200, 210, 220})});
    ds.data[0] = 0.5f;
    ds.data[1] = 1.25f;
    ds.data[2] = 1e-5f;
    ds.title = "T";
    ds.remarks.Append("r1");
    ds.options.Append("opt=1");
    const std::string expected =
        "VarnixCSV\n\nTitle: T\n\nRemarks:\nr1\n\nLast Modified: * by unknown.\n\nOptions:\nopt=1\n\n"
        "Available Dimensions:,1\n"
        "Wavelength,\"Wavelength: 200nm - 220nm, Step Size: 10nm\"\n\n"
        "Available Properties: ,1\nAbsorbance,\n\n"
        "Data:\n\n"
        "Wavelength,\nAbsorbance\n200,0.5\n210,1.25\n220,1e-005\n\n"
        "\n"
        "History: \n\n";
    EXPECT_EQ(Csv(ds), Crlf(expected));
}

// Markers: the row dimension holds three regular values and one marker step; a visible marker
// whose step lies beyond the axis is left out, an invisible one is not written.
TEST(VarnixCsv, TwoDimensionsWithMarkersGolden) {
    DataStore ds = Store({"CircularDichroism -mrme"}, {Dim("Wavelength", {300, 310, 320, 999}), Dim("Time", {0, 5})});
    ds.viewState.ranges[0].first = 320.0f;
    ds.viewState.markers[0] = {{0, 0, 0, "M1", true}, {0, 0, 0, "hidden", false}, {0, 0, 0, "beyond", true}};
    ds.viewState.markers[1] = {{0, 0, 0, "C1", true}};
    const std::string expected =
        std::string(kCsvHeadNoText) +
        "Available Dimensions:,2\n"
        "Wavelength,\"Wavelength: 300nm - 999nm, Step Size: 10nm\"\n"
        "Time,\"2 time points over 5s,linear,not oversampled,internal trigger\"\n\n"
        "Available Properties: ,1\nCircularDichroism,\n\n"
        "Data:\n\n"
        "\nCircularDichroism\nWavelength,Time\n,0,5,C1,\n300,0,4\n310,1,5\n320,2,6\nM1,3,7\n"
        "\n\n"
        "History: \n\n";
    EXPECT_EQ(Csv(ds), Crlf(expected));
}

// Five dimensions of sizes 2, 4, 3, 2, 2: the two least significant are left out and shown at
// their current steps.
TEST(VarnixCsv, FiveDimensionsTruncatedGolden) {
    DataStore ds = Store({"Absorbance"}, {Dim("Cell", {1, 2}), Dim("Wavelength", {400, 300, 200, 100}),
                                          Dim("Time", {0, 10, 20}), Dim("Repeat", {1, 2}), Dim("Temperature", {4, 5})});
    ds.SetDimensionCurrent(3, 1);
    ds.SetDimensionCurrent(4, 1);
    const std::string expected =
        std::string(kCsvHeadNoText) +
        "Available Dimensions:,5\n"
        "Warning! This DataStore contains more than three Dimensions.\n"
        "Output will be truncated to the three most significant Dimensions.\n"
        "(Unsaved dimensions are marked below with an asterix.)\n"
        "Wavelength,\"Wavelength: 100nm - 400nm, Step Size: 100nm\"\n"
        "Time,\"3 time points over 20s,linear,not oversampled,internal trigger\"\n"
        "Cell,2 cells in set.\n"
        "Repeat(*),2 repeats in set.\n"
        "Temperature(*),\"2 temperatures, from 4 to 5degrees Celsius in stepped ramp mode.\"\n\n"
        "Available Properties: ,1\nAbsorbance,\n\n"
        "Data:\n\n"
        "\nAbsorbance\n"
        "Cell:,1\nWavelength,Time\n,0,10,20,\n400,72,80,88\n300,74,82,90\n200,76,84,92\n100,78,86,94\n"
        "Cell:,2\nWavelength,Time\n,0,10,20,\n400,73,81,89\n300,75,83,91\n200,77,85,93\n100,79,87,95\n"
        "\n\n"
        "History: \n\n";
    EXPECT_EQ(Csv(ds), Crlf(expected));
}

TEST(VarnixCsv, NoDimensionsStopsAfterTheWarning) {
    DataStore ds = Store({"Absorbance"}, {});
    EXPECT_EQ(Csv(ds, true), Crlf(std::string(kCsvHeadNoText) +
                                  "Available Dimensions:,0\nWarning! This DataStore doesn't contain any Dimensions.\n"));
}

TEST(VarnixCsv, HistoryAfterDataWithoutBackslashDotDot) {
    DataStore ds = Store({"Absorbance"}, {Dim("Time", {0})});
    kyn::HistoryEntry raw;
    raw.isRawText = true;
    raw.text = "a\\..b\\.c\r\n";
    ds.history.push_back(raw);
    const std::string out = Csv(ds);
    EXPECT_NE(out.find("0,0\r\n\r\n\r\nHistory: \r\nab\\.c\r\r\n\r\n\r\n"), std::string::npos) << out;
}

// Text cells with the separator, a double quote or a line end are quoted (quotes doubled);
// history lines each on their own, their line ends outside the quotes; other cells as they are.
TEST(VarnixCsv, TextCellsAreQuotedWhenTheyMustBe) {
    DataStore ds = Store({"Absorbance"}, {Dim("Time", {0, 1})});
    ds.title = "Lysozyme, pH 7";
    ds.remarks.Append("Cuvette 10 mm,\"QS 110");
    ds.remarks.Append("tab\there");
    ds.remarks.Append("plain remark");
    kyn::HistoryEntry raw;
    raw.isRawText = true;
    raw.text = "Smoothed: 5 points, \"SG\"\r\nnothing special\r\n";
    ds.history.push_back(raw);
    const std::string csv = Csv(ds), tsv = Tsv(ds);
    for (const char* cell : {"\"Title: Lysozyme, pH 7\"\r\n", "\r\n\"Cuvette 10 mm,\"\"QS 110\"\r\n", "\r\ntab\there\r\n",
                             "\r\nplain remark\r\n", "\r\n\"Smoothed: 5 points, \"\"SG\"\"\"\r\r\nnothing special\r\r\n"})
        EXPECT_NE(csv.find(cell), std::string::npos) << cell << "\n" << csv;
    for (const char* cell : {"\r\nTitle: Lysozyme, pH 7\r\n", "\r\n\"Cuvette 10 mm,\"\"QS 110\"\r\n", "\r\n\"tab\there\"\r\n",
                             "\r\n\"Smoothed: 5 points, \"\"SG\"\"\"\r\r\nnothing special\r\r\n"})
        EXPECT_NE(tsv.find(cell), std::string::npos) << cell << "\n" << tsv;
}

TEST(VarnixCsv, ExtraInfoWritesRawBlocks) {
    DataStore two = Store({"Absorbance"}, {Dim("Wavelength", {200, 210, 220}), Dim("Time", {0, 1})});
    two.options.Append("o1");
    const std::string out = Csv(two, true);
    const std::string tail = "History: \n\nOriginal DataStore data below:\n\nProperties:\n1\nAbsorbance\n"
                             "Dimensions:\n2\nWavelength\n3\n200,210,220\nTime\n2\n0,1\no1\n\n0,1,2\n3,4,5\n";
    ASSERT_GE(out.size(), Crlf(tail).size());
    EXPECT_EQ(out.substr(out.size() - Crlf(tail).size()), Crlf(tail));

    DataStore one = Store({"Absorbance", "HT"}, {Dim("Time", {0, 1})}, [](int i) { return i * 0.5f; });
    const std::string out1 = Csv(one, true);
    EXPECT_NE(out1.find(Crlf("Time\n2\n0,1\n0,0.5\n1,1.5\n")), std::string::npos) << out1;
}

TEST(VarnixTsv, TwoDimensionsEuroGolden) {
    DataStore ds = Store({"Absorbance"}, {Dim("Time", {0.5f, 1.5f}), Dim("Wavelength", {200, 201, 202})},
                         [](int i) { return i * 0.25f; });
    ds.data[5] = 1234.5f;
    kyn::HistoryEntry raw;
    raw.isRawText = true;
    raw.text = "h\\..1";
    ds.history.push_back(raw);
    ds.modifiedBy = "ann";
    const std::string locale = std::setlocale(LC_NUMERIC, nullptr);
    const std::string expected =
        "VarnixTSV\n\nTitle: \n\nRemarks:\n\nLast Modified: * by ann.\n\nOptions:\n\n"
        "History: \nh\\..1\n\n"
        "Available Dimensions:\t2\n"
        "Wavelength\tWavelength: 200nm - 202nm, Step Size: 1nm\n"
        "Time\t2 time points over 1.5s,linear,not oversampled,internal trigger\n\n"
        "Available Properties: \t1\nAbsorbance\t\n\n"
        "Data:\n\n"
        "\nAbsorbance\nWavelength\tTime\n\t0,5\t1,5\t\n200\t0\t0,25\n201\t0,5\t0,75\n202\t1\t1.234,5\n"
        "\n\n";
    EXPECT_EQ(Tsv(ds, true), Crlf(expected));
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), locale);  // the process locale is untouched
    // Without the option the same numbers use the decimal point.
    EXPECT_NE(Tsv(ds, false).find(Crlf("202\t1\t1234.5\n")), std::string::npos);
}

TEST(VarnixCsv, ViewStateThatDisagreesWithTheDimensionsNeverReadsOutside) {
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {300, 310}), Dim("Time", {0, 5, 6})});
    ds.viewState.ranges.clear();  // no ranges at all: the axes' own ranges stand in
    ds.viewState.markers.assign(2, {});
    ds.viewState.markers[1] = {{0, 0, 0, "far", true}};  // the row axis has no step for it
    const std::string out = Csv(ds);
    EXPECT_NE(out.find(Crlf("Time,Wavelength\n,300,310,\n0,0,1\n5,2,3\n6,4,5\n\n\n")), std::string::npos) << out;
    EXPECT_EQ(out.find("far"), std::string::npos);
}

TEST(VarnixCsv, CurrentStepOutsideItsAxisFailsInsteadOfReading) {
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {1, 2, 3}), Dim("Time", {0, 1}),
                                          Dim("Temperature", {5, 6}), Dim("Repeat", {1, 2})});
    ds.SetDimensionCurrent(3, 7);
    EXPECT_EQ(MessageOf([&] { Csv(ds); }), "Index out-of-range in DPointer::operator[]");
}

}  // namespace
}  // namespace kyn::test

// Write, read, compare: one table with a row for every format of the registry that both reads
// and writes. Everything a writer writes, its reader reads back; what a native format cannot hold
// fails the save before anything is written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "formats/FormatTestUtil.h"
#include "formats/Load.h"
#include "formats/ReadBack.h"
#include "formats/Registry.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

enum class Floats { BitExact, SixDigits, YFactor };
enum class HistoryForm { None, RawTextBlocks, StoredEntries };

DataStore Rich();
DataStore Trace();
DataStore Spectra();
DataStore Spectrum();

// A format of the registry and what it carries back. The native formats carry a whole store
// (texts and history too); the others their data, tried on a store they hold whole.
struct RoundTripFormat {
    const char* name;
    Floats floats;
    HistoryForm history;  // None: the format carries data, not a whole store
    bool keepsKeyedOptions;
    DataStore (*sample)();
    bool WholeStore() const { return history != HistoryForm::None; }
    const FormatInfo& Row() const { return *FindFormat(name); }
};

const RoundTripFormat kFormats[] = {
    {"VarnixStore", Floats::SixDigits, HistoryForm::RawTextBlocks, false, Rich},
    {"VarnixBinary", Floats::BitExact, HistoryForm::RawTextBlocks, false, Rich},
    {"VarnixBinaryX", Floats::BitExact, HistoryForm::StoredEntries, true, Rich},
    {"KYN-ASCII", Floats::SixDigits, HistoryForm::None, false, Trace},
    {"KYN-ASCII-SPECTRAKINETIC", Floats::SixDigits, HistoryForm::None, false, Spectra},
    {"JCAMP-DX", Floats::YFactor, HistoryForm::None, false, Spectrum},
};

// Two properties over three dimensions, values of every kind the formats meet.
DataStore Rich() {
    std::vector<float> values;
    for (int i = 0; i < 2 * 4 * 3 * 2; ++i) values.push_back(std::sin(static_cast<float>(i)) * std::pow(10.0f, i % 7 - 3));
    values[1] = 0.1234567f;
    values[2] = std::numeric_limits<float>::denorm_min();
    values[3] = -0.0f;
    values[4] = 1e30f;
    values[5] = 123456.5f;
    values[6] = std::numeric_limits<float>::quiet_NaN();
    values[7] = std::numeric_limits<float>::infinity();
    values[8] = -std::numeric_limits<float>::infinity();
    HistoryEntry stamped;
    stamped.title = "Processed :";
    stamped.text = "smoothed\r\n";
    stamped.user = "someone";
    stamped.timeStamp = {120, 0, 2, 2, 3, 55, 0, 4, 1};
    DataStore ds = MakeStore("Wed Jan 02 02:03:55 1980", {"first remark", "second, with comma"},
                             {"CircularDichroism -mrme", "HT"},
                             {Dim("Wavelength -emmono", {260, 259.5f, 259, 258.5f}), Dim("Time -log", {0.001f, 0.01f, 0.1f}),
                              Dim("Repeat", {1, 2})},
                             values, {RawEntry("raw one\r\n"), stamped});
    ds.keyedOptions.entries.Resize(2);
    ds.keyedOptions.entries.At(0) = "CDUnits:1";
    ds.keyedOptions.entries.At(1) = "SequencingMode:0";
    ds.options.Resize(1);
    ds.options.At(0) = "ShuTemp_EndTemp:25";
    return ds;
}

// One property over time, with the one wavelength a kinetic trace records.
DataStore Trace() {
    return MakeStore("trace", {}, {"Absorbance"}, {Dim("Time", {0, 0.5f, 1, 1.5f}), Dim("Wavelength", {280.5f})},
                     {0.9f, 0.5f, 0.25f, 0.125f}, {});
}

// Spectra over time, the wavelengths ascending.
DataStore Spectra() {
    return MakeStore("spectra", {"r"}, {"Absorbance"}, {Dim("Wavelength", {300, 310, 320}), Dim("Time", {0, 5})},
                     {1, 2, 3, 4, 5, 6.5f}, {});
}

// One spectrum: one property over one axis.
DataStore Spectrum() {
    return MakeStore("spectrum", {}, {"Absorbance"}, {Dim("Wavelength", {400, 410, 420, 430})},
                     {0.25f, -0.5f, 1.5f, 0.75f}, {});
}

void ExpectFloat(const RoundTripFormat& f, float written, float read) {
    if (std::isnan(written)) {
        EXPECT_TRUE(std::isnan(read)) << f.name;
    } else if (f.floats == Floats::YFactor) {
        // Integers times the block's factor, which the values here make 1e-6.
        EXPECT_NEAR(read, written, 2e-6 * std::max(1.0f, std::fabs(written))) << f.name;
    } else {
        EXPECT_TRUE(ReadsBackAs(written, read, f.floats == Floats::BitExact)) << f.name << ": " << written << " read as " << read;
    }
}

// Writes through the registry row's writer, in the row's stream mode.
std::string WriteFileAs(const RoundTripFormat& f, DataStore& ds, const std::string& path) {
    if (f.Row().mode == StreamMode::Text) {
        TextOFStream os(path);
        f.Row().write(ds, os, {});
    } else {
        std::ofstream os(path, std::ios::binary);
        f.Row().write(ds, os, {});
    }
    return path;
}

// Texts a line-oriented format finds hard: empty and blank remarks, an empty property name, an
// empty dimension name (as the spectrakinetic and JCAMP-DX readers leave them), a name ending in
// a carriage return.
DataStore WithEmptyTexts() {
    DataStore ds = MakeStore("", {"", "  ", "after blanks"}, {"", "Absorbance"}, {Dim("", {1, 2}), Dim("Time\r\r", {0.5f})},
                             {1, 2, 3, 4}, {RawEntry("")});
    return ds;
}

// Adding a format that reads and writes is adding its row here.
TEST(RoundTrip, TheTableHasARowForEveryFormatThatReadsAndWrites) {
    for (const FormatInfo* row : Formats()) {
        if (!row->read || !row->write) continue;
        EXPECT_TRUE(std::any_of(std::begin(kFormats), std::end(kFormats),
                                [&](const RoundTripFormat& f) { return f.Row().name == row->name; }))
            << row->name;
    }
}

// Every format reads back the axis and the values of a store it holds whole.
TEST(RoundTrip, EveryFormatReadsBackTheDataItHolds) {
    TempDir dir;
    for (const RoundTripFormat& f : kFormats) {
        SCOPED_TRACE(f.name);
        DataStore original = f.sample();
        const std::string path = WriteFileAs(f, original, dir / (std::string("data.") + f.name));
        DataStore read;
        ASSERT_NO_THROW(ASSERT_TRUE(read.Load(path)));
        EXPECT_TRUE(f.Row().accepts.Claims(read.formatName)) << read.formatName;  // its own reader read it
        ASSERT_EQ(read.ValueCount(), original.ValueCount());
        for (int i = 0; i < original.data.Count(); ++i) ExpectFloat(f, original.data[i], read.data[i]);
        const Dimension& axis = original.dimensions.At(0);
        ASSERT_EQ(read.dimensions.At(0).Steps(), axis.Steps());
        for (int i = 0; i < axis.Steps(); ++i) ExpectFloat(f, axis.values.At(i), read.dimensions.At(0).values.At(i));
    }
}

TEST(NativeRoundTrip, EveryFormatKeepsWhatItCarries) {
    TempDir dir;
    for (const auto& make : {Rich, WithEmptyTexts}) {
        for (const RoundTripFormat& f : kFormats) {
            if (!f.WholeStore()) continue;
            DataStore original = make();
            const std::string path = WriteFileAs(f, original, dir / (std::string("rt.") + f.name));
            DataStore read;
            ASSERT_TRUE(read.Load(path)) << f.name;

            EXPECT_EQ(read.title, original.title) << f.name;
            EXPECT_EQ(Lines(read.remarks), Lines(original.remarks)) << f.name;
            EXPECT_EQ(Lines(read.properties), Lines(original.properties)) << f.name;
            ASSERT_EQ(read.dimensions.Count(), original.dimensions.Count()) << f.name;
            for (int k = 0; k < original.dimensions.Count(); ++k) {
                EXPECT_EQ(read.dimensions.At(k).name, original.dimensions.At(k).name) << f.name;
                ASSERT_EQ(read.dimensions.At(k).Steps(), original.dimensions.At(k).Steps()) << f.name;
                for (int i = 0; i < original.dimensions.At(k).Steps(); ++i)
                    ExpectFloat(f, original.dimensions.At(k).values.At(i), read.dimensions.At(k).values.At(i));
            }
            ASSERT_EQ(read.data.Count(), original.data.Count()) << f.name;
            for (int i = 0; i < original.data.Count(); ++i) ExpectFloat(f, original.data[i], read.data[i]);

            if (f.history == HistoryForm::StoredEntries) {
                EXPECT_EQ(read.history, original.history) << f.name;
            } else {
                // The reader's own Initialize entry, then one raw entry per block, printing as written.
                ASSERT_EQ(read.history.size(), original.history.size() + 1) << f.name;
                EXPECT_EQ(read.history[0].title, "DataStore initialized :");
                for (std::size_t i = 0; i < original.history.size(); ++i) {
                    EXPECT_TRUE(read.history[i + 1].isRawText);
                    EXPECT_EQ(read.history[i + 1].Block(), original.history[i].Block()) << f.name;
                }
            }
            if (f.Row().mode == StreamMode::Text) {
                EXPECT_EQ(Lines(read.options), Lines(original.options)) << f.name;
            }
            if (f.keepsKeyedOptions) {
                EXPECT_EQ(Lines(read.keyedOptions.entries), Lines(original.keyedOptions.entries));
                EXPECT_EQ(read.fileAttributes, original.fileAttributes);
            } else {
                EXPECT_FALSE(read.fileAttributes.cfrCompliant) << f.name;
            }
        }
    }
}

// Far more text than one read-ahead chunk, so that numbers and line ends straddle the chunk
// boundaries of the text reader.
TEST(NativeRoundTrip, LargeTextFileCrossesReadChunks) {
    TempDir dir;
    const int n1 = 1000, n2 = 150;
    std::vector<float> values;
    for (int i = 0; i < n1 * n2; ++i) values.push_back(std::cos(static_cast<float>(i)) * 1234.5678f);
    DataStore original = MakeStore("L", {}, {"P"}, {Dimension("A", n1), Dimension("B", n2)}, values, {});
    for (int i = 0; i < n1; ++i) original.dimensions.At(0).values.At(i) = static_cast<float>(i) / 7.0f;
    for (int i = 0; i < n2; ++i) original.dimensions.At(1).values.At(i) = static_cast<float>(i);
    const std::string path = WriteFileAs(kFormats[0], original, dir / "large.dsa");
    ASSERT_GT(ReadFile(path).size(), 1u << 20);
    DataStore read;
    ASSERT_TRUE(read.Load(path));
    ASSERT_EQ(read.data.Count(), n1 * n2);
    int mismatches = 0;
    for (int i = 0; i < n1 * n2; ++i)
        if (std::fabs(read.data[i] - values[static_cast<std::size_t>(i)]) > std::fabs(values[static_cast<std::size_t>(i)]) * 5e-6f)
            ++mismatches;
    EXPECT_EQ(mismatches, 0);
    EXPECT_NEAR(read.dimensions.At(0).values.At(n1 - 1), (n1 - 1) / 7.0f, 1e-3f);
}


// Every bundled example and every valid file the fuzz targets start from (one per readable
// format, made by our writers): loaded, written in each native format, loaded again with the
// same axes and values.
TEST(NativeRoundTrip, EveryExampleAndTestFileThroughEveryNativeFormat) {
    namespace fs = std::filesystem;
    TempDir dir;
    std::vector<fs::path> files;
    for (const char* folder : {"examples/data", "fuzz/corpus/load"})
        for (const auto& e : fs::directory_iterator(fs::path(KYN_SOURCE_DIR) / folder)) files.push_back(e.path());
    ASSERT_GT(files.size(), 30u);
    int loaded = 0;
    for (const fs::path& file : files) {
        DataStore source;
        source.allowCaryImport = true;
        try {
            if (!source.Load(file.string())) continue;
        } catch (const std::exception&) {
            continue;  // the export-only formats among the seeds
        }
        ++loaded;
        for (const RoundTripFormat& f : kFormats) {
            if (!f.WholeStore()) continue;
            SCOPED_TRACE(file.filename().string() + " as " + f.name);
            DataStore written = source;
            const std::string path = dir / (file.filename().string() + "." + f.name);
            WriteFileAs(f, written, path);
            DataStore read;
            ASSERT_NO_THROW(ASSERT_TRUE(read.Load(path)));
            ASSERT_EQ(read.ValueCount(), source.ValueCount());
            ASSERT_EQ(read.dimensions.Count(), source.dimensions.Count());
            for (int k = 0; k < source.dimensions.Count(); ++k) {
                ASSERT_EQ(read.dimensions.At(k).Steps(), source.dimensions.At(k).Steps());
                for (int i = 0; i < source.dimensions.At(k).Steps(); ++i)
                    ExpectFloat(f, source.dimensions.At(k).values.At(i), read.dimensions.At(k).values.At(i));
            }
            for (int i = 0; i < source.data.Count(); ++i) ExpectFloat(f, source.data[i], read.data[i]);
        }
    }
    EXPECT_GT(loaded, 25);
}

// What a format cannot hold fails its save with the reason, before a byte is written.
TEST(NativeRoundTrip, WhatAFormatCannotHoldFailsTheSave) {
    struct Case {
        const char* what;
        std::function<void(DataStore&)> change;
        const char* store;   // the VarnixStore refusal, "" when it writes the store
        const char* binary;  // VarnixBinary
        const char* binaryX; // VarnixBinaryX
    };
    const std::string nul(1, '\0');
    const std::vector<Case> cases = {
        {"a remark of two lines", [](DataStore& ds) { ds.remarks.At(0) = "one\ntwo"; },
         "VarnixStore cannot hold a remark that spans several lines.", "", ""},
        {"a NUL in a property name", [&](DataStore& ds) { ds.properties.At(0) = "CD" + nul + "x"; }, "",
         "VarnixBinary cannot hold a property name holding a NUL character.",
         "VarnixBinaryX cannot hold a property name holding a NUL character."},
        {"an axis without steps", [](DataStore& ds) { ds.dimensions.At(1).values.Resize(0); },
         "VarnixStore cannot hold the dimension 'Time -log', which has no steps.",
         "VarnixBinary cannot hold the dimension 'Time -log', which has no steps.",
         "VarnixBinaryX cannot hold the dimension 'Time -log', which has no steps."},
        {"no dimensions", [](DataStore& ds) { ds.dimensions.Resize(0); ds.Initialize(); ds.viewState.dimensionCount = 1; },
         "VarnixStore cannot hold a DataStore without dimensions.", "", ""},
        {"256 remarks", [](DataStore& ds) { ds.remarks.Resize(256); }, "", "",
         "VarnixBinaryX cannot hold more than 255 remarks."},
        {"a view state of 21 dimensions", [](DataStore& ds) { ds.viewState.dimensionCount = 21; }, "", "",
         "VarnixBinaryX cannot hold the view state of more than 20 dimensions."},
        {"256 history entries", [](DataStore& ds) { ds.history.resize(256, RawEntry("h")); }, "",
         "VarnixBinary cannot hold more than 255 history entries.", ""},
        {"an option line that reads as a value", [](DataStore& ds) { ds.options.At(0) = "5 apples"; },
         "VarnixStore cannot hold the option line '5 apples', which reads as something else.", "", ""},
    };
    for (const Case& c : cases) {
        for (const RoundTripFormat& f : kFormats) {
            if (!f.WholeStore()) continue;
            SCOPED_TRACE(std::string(c.what) + " as " + f.name);
            const std::string expected = f.floats == Floats::SixDigits ? c.store : f.keepsKeyedOptions ? c.binaryX : c.binary;
            DataStore ds = Rich();
            c.change(ds);
            std::ostringstream os(std::ios::binary);
            const std::string message = MessageOf([&] { f.Row().write(ds, os, {}); });
            EXPECT_EQ(message, expected);
            if (!expected.empty()) {
                EXPECT_EQ(os.str(), "");
            }
        }
    }
}

}  // namespace
}  // namespace kyn::test

// Verifying outputs: every real target's output of stores with awkward values reads back as its
// data (no false alarm that would remove a good file), and an output that differs from its data
// is caught, removed, and leaves the input and any file of its name as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "RecordingPlatform.h"
#include "Stores.h"
#include "conversion/ConversionJob.h"
#include "conversion/TargetFormat.h"
#include "formats/JcampDx.h"

namespace kyn::test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Two properties over a descending wavelength, a log time axis and a repeat, with values of every
// kind: spectrakinetic for the kinetic target, three blocks deep for the spreadsheets.
DataStore Rich() {
    std::vector<float> v;
    for (int i = 0; i < 2 * 4 * 3 * 2; ++i) v.push_back(std::sin(static_cast<float>(i)) * std::pow(10.0f, i % 7 - 3));
    v[1] = 0.1234567f, v[2] = std::numeric_limits<float>::denorm_min(), v[3] = -0.0f, v[4] = 1e30f;
    v[30] = kNaN, v[31] = kInf, v[32] = -kInf;
    return MakeStore("rich", {"r"}, {"CircularDichroism -mrme", "HT"},
                     {Dim("Wavelength", {260, 259.5f, 259, 258.5f}), Dim("Time -log", {0.001f, 0.01f, 0.1f}), Dim("Repeat", {1, 2})},
                     v, {RawEntry("raw\r\n")});
}

// A kinetic trace (one wavelength) on an uneven time axis.
DataStore Trace() {
    return MakeStore("trace", {}, {"Absorbance"}, {Dim("Time", {0, 0.001f, 0.01f, 0.5f, 7}), Dim("Wavelength", {280.5f})},
                     {0.9f, 0.5f, 0.25f, 0.125f, -1e-5f}, {});
}

// A spectrum long enough for the JCAMP-DX writer's two-thread data lines.
DataStore Long() {
    const int n = 70000;
    std::vector<float> v;
    for (int i = 0; i < n; ++i) v.push_back(std::cos(static_cast<float>(i) * 0.01f) * 3.0f);
    return MakeStore("long", {}, {"Absorbance"}, {Ramp("Wavelength", n, 200.0f, 0.01f)}, v, {});
}

class Verify : public ::testing::Test {
protected:
    Verify() {
        stores = {{"rich", Rich()}, {"trace", Trace()}, {"long", Long()}};
        formats.load = [this](DataStore& ds, const std::string& path) {
            ds = stores.at(std::filesystem::path(path).stem().string());
            return true;
        };
        formats.targets = &TargetFormats();
        job.Verify = true;
        job.settings.SilentlyOverwrite = 1;
    }

    FileResult Convert(const std::string& input, const std::string& key) {
        job.settings.DefaultFileType = FindTargetByKey(*formats.targets, key)->index;
        job.paths = {input};
        platform.results.clear();
        RunConversionJob(job, platform, formats);
        EXPECT_EQ(platform.results.size(), 1u);
        return platform.results.empty() ? FileResult{} : platform.results.back();
    }

    TempDir dir;
    std::map<std::string, DataStore> stores;
    JobFormats formats;
    ConversionJob job;
    RecordingPlatform platform;
};

TEST_F(Verify, EveryTargetsOutputOfAwkwardStoresReadsBack) {
    for (const std::string name : {"rich", "trace", "long"}) {
        const std::string input = dir / (name + ".in");
        WriteFile(input, "x");
        for (const TargetFormat& target : TargetFormats()) {
            for (int variant = 0; variant < 2; ++variant) {
                SCOPED_TRACE(name + " as " + target.key + (variant ? " (variant)" : ""));
                job.settings.StripHeaderInformation = job.settings.SaveExtraInfo = job.settings.EuroLocale = variant;
                platform.saveAnswers.push_back(FailureAnswer::Ok);  // a writer may refuse a store
                const FileResult r = Convert(input, target.key);
                EXPECT_EQ(r.reason.find("did not read back"), std::string::npos) << r.reason;
                if (r.outcome == FileResult::Outcome::Converted || r.outcome == FileResult::Outcome::ConvertedWithWarnings)
                    EXPECT_TRUE(r.verified);
                else
                    EXPECT_FALSE(r.verified);
            }
        }
    }
    // The writers refuse only what they cannot hold: the kinetic target needs a time axis.
    job.settings.StripHeaderInformation = job.settings.SaveExtraInfo = job.settings.EuroLocale = 0;
    EXPECT_EQ(Convert(dir / "long.in", "glb").outcome, FileResult::Outcome::Failed);
    EXPECT_TRUE(Convert(dir / "rich.in", "glb").verified);
    EXPECT_TRUE(Convert(dir / "trace.in", "jdx").verified);
}

// A writer that writes a changed copy of the store: its output does not hold the data.
TargetFormat Broken(const char* key, std::function<void(DataStore&)> change) {
    TargetFormat t = *FindTargetByKey(TargetFormats(), key);
    const TargetWriter real = t.write;
    t.write = [real, change](DataStore& ds, std::ostream& os, const WriterOptions& o) {
        DataStore copy = ds;
        change(copy);
        real(copy, os, o);
    };
    return t;
}

TEST_F(Verify, AnOutputThatDiffersIsCaughtRemovedAndNothingIsLost) {
    int calls = 0;
    TargetFormat spreadsheet = *FindTargetByKey(TargetFormats(), "csv");
    // Right every time but the first: what a fault between the writer and the disk looks like
    // to a format that has no reader.
    spreadsheet.write = [&calls](DataStore& ds, std::ostream& os, const WriterOptions& o) {
        std::ostringstream text;
        FindTargetByKey(TargetFormats(), "csv")->write(ds, text, o);
        const std::string s = text.str();
        os << (calls++ == 0 ? s.substr(0, s.size() / 2) : s);
    };
    const TargetTable broken = {
        Broken("dsx", [](DataStore& s) { s.data[5] = std::nextafter(s.data[5], 2.0f); }),
        Broken("dsb", [](DataStore& s) { s.dimensions.At(1).values.At(2) = 0.2f; }),
        Broken("dsa", [](DataStore& s) { s.data[5] *= 1.00002f; }),
        Broken("glb", [](DataStore& s) { s.data[9] += 0.01f; }),
        Broken("jdx", [](DataStore& s) { s.data[40] *= 1.01f; }),
        spreadsheet,
    };
    formats.targets = &broken;
    job.settings.DeleteOriginals = 1;
    const std::map<std::string, std::string> differences = {
        {"dsx", "value 6 reads back as"}, {"dsb", "dimension 'Time -log', step 3, reads back as 0.2, not 0.1"},
        {"dsa", "value 6 reads back as -95.8943, not -95.8924"}, {"glb", "reads back as"}, {"jdx", "block "}, {"csv", "reads 'Wave', not 'Wavelength,Time'"}};
    for (const TargetFormat& target : broken) {
        SCOPED_TRACE(target.key);
        for (const std::string& name : ListDir(dir.path())) std::filesystem::remove(dir / name);
        const std::string input = dir / "rich.in";
        const std::string output = dir / (std::string("rich") + target.extension);
        WriteFile(input, "the original");
        WriteFile(output, "an older output");
        platform.saveAnswers.push_back(FailureAnswer::Ok);
        const FileResult r = Convert(input, target.key);
        EXPECT_EQ(r.outcome, FileResult::Outcome::Failed);
        EXPECT_FALSE(r.verified);
        EXPECT_NE(r.reason.find("the written file did not read back as its data ("), std::string::npos) << r.reason;
        EXPECT_NE(r.reason.find(differences.at(target.key)), std::string::npos) << r.reason;
        EXPECT_EQ(ReadFile(input), "the original");
        EXPECT_EQ(ReadFile(output), "an older output");
        EXPECT_EQ(ListDir(dir.path()).size(), 2u) << "a temporary was left behind";
        EXPECT_TRUE(platform.deleted.empty());
    }
    // The same writer's second output is whole, and verifies.
    EXPECT_TRUE(Convert(dir / "rich.in", "csv").verified);
}

// In place, a file that does not verify never replaces the original.
TEST_F(Verify, InPlaceTheOriginalStaysWhenTheOutputDiffers) {
    const TargetTable broken = {Broken("dsb", [](DataStore& s) { s.data[0] = -s.data[0] - 1.0f; })};
    formats.targets = &broken;
    job.settings.SaveInPlace = 1;
    const std::string input = dir / "trace.dsb";
    WriteFile(input, "the measurement");
    stores["trace"] = Trace();
    platform.saveAnswers.push_back(FailureAnswer::Ok);
    const FileResult r = Convert(input, "dsb");
    EXPECT_EQ(r.outcome, FileResult::Outcome::Failed);
    EXPECT_EQ(ReadFile(input), "the measurement");
    EXPECT_EQ(ListDir(dir.path()).size(), 1u);
}

}  // namespace
}  // namespace kyn::test

// The loader picks the interchange readers by their first lines: files written by our kinetic,
// spectrakinetic and JCAMP-DX writers load back through DataStore::Load.
#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"
#include "formats/export/JcampDx.h"
#include "util/TextStream.h"

namespace kyn::test {
namespace {

DataStore Trace() {
    DataStore ds("Mon Nov 18 09:12:44 2013", 0, 0);
    ds.properties.Append("Fluorescence");
    Dimension t("Time", 4);
    for (int i = 0; i < 4; ++i) t[i] = 0.25f * static_cast<float>(i);
    ds.dimensions.Append(t);
    ds.Initialize();
    for (int i = 0; i < 4; ++i) ds.data[i] = 1.5f - 0.125f * static_cast<float>(i);
    ds.ComputeDataRange();
    return ds;
}

template <typename Write>
std::string WriteText(const TempDir& dir, const std::string& name, Write&& write) {
    const std::string path = dir / name;
    TextOFStream out(path);
    write(out);
    out.close();
    EXPECT_TRUE(out.good()) << name;
    return path;
}

TEST(LoadInterchange, KineticTraceIsReadByTheKineticReader) {
    TempDir dir;
    DataStore ds = Trace();
    const std::string path = WriteText(dir, "trace.glb", [&](std::ostream& os) { ds.WriteKynAscii(os, 0); });
    DataStore back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.formatName, "KYN-ASCII");
    EXPECT_EQ(back.GetPropertyName(0), "Fluorescence");
    EXPECT_EQ(back.GetDimensionName(0), "Time (seconds)");  // the label has no way back
    ASSERT_EQ(back.data.Count(), 4);
    EXPECT_FLOAT_EQ(back.data[3], 1.125f);
}

TEST(LoadInterchange, SpectraKineticSetIsReadByItsOwnReaderNotTheKineticOne) {
    TempDir dir;
    DataStore ds("t", 0, 0);
    ds.properties.Append("Absorbance");
    Dimension w("Wavelength", 3);
    w[0] = 400;
    w[1] = 410;
    w[2] = 420;
    Dimension t("Time", 2);
    t[0] = 0;
    t[1] = 5;
    ds.dimensions.Append(w);
    ds.dimensions.Append(t);
    ds.Initialize();
    for (int i = 0; i < 6; ++i) ds.data[i] = 0.1f * static_cast<float>(i + 1);
    const std::string path = WriteText(dir, "set.glb", [&](std::ostream& os) { ds.WriteSpectraKinetic(os); });
    DataStore back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.formatName, "KYN-ASCII-SPECTRAKINETIC");
    EXPECT_TRUE(back.IsSpectraKinetic());
    ASSERT_EQ(back.data.Count(), 6);
    EXPECT_FLOAT_EQ(back.data[5], 0.6f);
}

TEST(LoadInterchange, JcampExportIsReadByTheTaggedReader) {
    TempDir dir;
    DataStore ds = Trace();
    const std::string path = WriteText(dir, "trace.jdx", [&](std::ostream& os) { JcampDxExporter(ds).Write(os); });
    DataStore back;
    ASSERT_TRUE(back.Load(path));
    EXPECT_EQ(back.formatName.substr(0, 7), "##TITLE");
    ASSERT_EQ(back.data.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(back.data[i], ds.data[i], 1e-5) << i;
}

}  // namespace
}  // namespace kyn::test

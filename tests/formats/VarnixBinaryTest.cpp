#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"

namespace kyn::test {
namespace {

// Header of the golden file up to the data byte count; floats spelled out in hexadecimal.
Bytes TinyHeader() {
    Bytes b;
    b.Raw("VarnixBinary\n").Text("T");
    b.I32(1).Text("r1");
    b.I32(1).Text("Absorbance");
    b.I32(2);
    b.Text("Time").I32(2).U32(0x00000000).U32(0x3FC00000);  // 0, 1.5
    b.Text("Wavelength").I32(1).U32(0x437A0000);            // 250
    return b;
}

std::string TinyGolden() {
    Bytes b = TinyHeader();
    b.I32(8).U32(0x3E800000).U32(0xC0400000);  // 0.25, -3
    b.I32(1).Text("h1\r\n");
    return b.str();
}

TEST(VarnixBinary, WriterReproducesGoldenBytes) {
    DataStore ds = Tiny();
    std::ostringstream os(std::ios::binary);
    ds.WriteVarnixBinary(os, false);
    EXPECT_EQ(os.str(), TinyGolden());

    std::ostringstream header(std::ios::binary);
    ds.WriteVarnixBinary(header, true);
    EXPECT_EQ(header.str(), TinyHeader().str());
}

TEST(VarnixBinary, OldStyleCountsAndHistoryForms) {
    // A history count of 0 (what the writer stores for an empty history) reads as one empty text.
    Bytes zero = TinyHeader();
    zero.I32(8).U32(0x3E800000).U32(0xC0400000).I32(0);
    DataStore a;
    std::istringstream ia(zero.str());
    ASSERT_TRUE(a.ReadVarnixBinary(ia, false).good());
    ASSERT_EQ(a.history.size(), 2u);
    EXPECT_EQ(a.history[1].text, "");

    // Old files have no remark count: a "count" above 65535 is the start of the single remark.
    Bytes old;
    old.Raw("VarnixBinary\r\n").Text("T").Raw("old remark").U8(0);
    old.I32(1).Text("P").I32(1).Text("X").I32(1).U32(0x3F800000);
    old.I32(4).U32(0x40000000).I32(1).Text("h");
    DataStore b;
    std::istringstream ib(old.str());
    ASSERT_TRUE(b.ReadVarnixBinary(ib, false).good());
    EXPECT_EQ(Lines(b.remarks), std::vector<std::string>{"old remark"});
    EXPECT_EQ(Values(b.data), std::vector<float>{2.0f});
}

TEST(VarnixBinary, BrokenFiles) {
    TempDir dir;
    auto load = [&](const std::string& bytes, bool& result) {
        WriteFile(dir / "b.dsb", bytes);
        DataStore ds;
        return MessageOf([&] { result = ds.Load(dir / "b.dsb"); });
    };
    bool result = true;

    // 256 properties exceed the format's limit: refused quietly.
    Bytes many;
    many.Raw("VarnixBinary\n").Text("T").I32(0).I32(256);
    EXPECT_EQ(load(many.str(), result), "");
    EXPECT_FALSE(result);

    // A title without its NUL runs into the end of the file.
    EXPECT_EQ(load("VarnixBinary\nTitle", result), "The file is corrupt.\n");

    // A header-only file read in full finds no data byte count: quiet failure.
    EXPECT_EQ(load(TinyHeader().str(), result), "");
    EXPECT_FALSE(result);

    // A byte count smaller than the values the dimensions call for.
    Bytes shortCount = TinyHeader();
    shortCount.I32(4).U32(0x3E800000).I32(0);
    EXPECT_EQ(load(shortCount.str(), result), "Index out-of-range in DPointer::operator[]");

    // (A hostile axis value count is in the hostile-input tests.)
    // Axes of 8192 and 8193 steps call for just over 256 MiB of values that a 64 KiB file cannot
    // hold; three 2048-step axes for more values than a 32-bit count holds.
    for (std::vector<int> steps : {std::vector<int>{8192, 8193}, std::vector<int>{2048, 2048, 2048}}) {
        Bytes hugeProduct;
        hugeProduct.Raw("VarnixBinary\n").Text("T").I32(0).I32(1).Text("P").I32(static_cast<int>(steps.size()));
        for (int n : steps) {
            hugeProduct.Text("D").I32(n);
            for (int i = 0; i < n; ++i) hugeProduct.U32(0);
        }
        hugeProduct.I32(0);
        EXPECT_EQ(load(hugeProduct.str(), result), "The file is corrupt.\n");
    }
}

TEST(VarnixBinary, DataByteCountsThatDisagree) {
    // Larger than the values: the surplus is read past, never stored; the history after it is
    // still found.
    Bytes larger = TinyHeader();
    larger.I32(14).U32(0x3E800000).U32(0xC0400000).U32(0x41200000).Raw("xy");
    larger.I32(1).Text("after");
    DataStore a;
    std::istringstream ia(larger.str());
    ASSERT_TRUE(a.ReadVarnixBinary(ia, false).good());
    EXPECT_EQ(Values(a.data), (std::vector<float>{0.25f, -3.0f}));
    EXPECT_EQ(a.history.back().text, "after");

    // Cut off inside the values: refused with how many there were, never padded with zeros.
    Bytes cut = TinyHeader();
    cut.I32(8).U32(0x3E800000);
    DataStore b;
    std::istringstream ib(cut.str());
    EXPECT_EQ(MessageOf([&] { b.ReadVarnixBinary(ib, false); }), "The file is corrupt.\nIt ends after 1 of its 2 values.\n");
}

}  // namespace
}  // namespace kyn::test

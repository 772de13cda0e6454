#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"
#include "formats/VarnixBinaryX.h"
#include "formats/io/BinaryIO.h"

namespace kyn::test {
namespace {

// The golden file: one property "Abs" over X (1, 2), values 5 and 6, one raw history entry,
// fresh attributes, the view state Initialize builds. `covered` collects the checksummed bytes
// in the order they are fed: the fields as they come, then the trailing group.
struct Golden {
    std::string file;
    std::string covered;
};

Golden MakeGolden(bool headerOnly = false) {
    Bytes attributes;
    attributes.U8(1).U8(1).Text("").Text("");            // cfrCompliant, asAcquired, fileId, time
    attributes.Text("").U8(1).U8(1).Text("").Text("");   // parent: fileName, then the same
    attributes.I32(0).I32(1).I32(0);                      // reserved, M = 1, order 0
    attributes.U32(0x40000000).U32(0x3F800000);          // range: maximum 2, minimum 1
    attributes.I32(1).I32(0);                             // one marker list, empty
    Bytes history;
    history.I32(1).U8(1).Text("Old Comment").Text("h1");
    for (std::int32_t v : {113, 10, 14, 10, 5, 0, 0, 4, 317}) history.I32(v);
    history.Text("tester");

    Bytes f, c;
    f.Raw("VarnixBinaryX\n").Text("T").Raw(attributes.str());
    c.Raw("VarnixBinaryX").Raw("T");
    f.I32(1).Text("rem");
    c.I32(1).Raw("rem");
    f.I32(1).Text("Key:1");  // keyed options: not covered
    f.I32(1).Text("Abs");
    c.I32(1).Raw("Abs");
    f.I32(1).Text("X").I32(1 + 1).U32(0x3F800000).U32(0x40000000);
    c.I32(1).U32(0x3F800000).U32(0x40000000);  // only the axis values of the record
    if (!headerOnly) {
        f.I32(8).U32(0x40A00000).U32(0x40C00000);  // 5, 6
        c.I32(8).U32(0x40A00000).U32(0x40C00000);
        f.Raw(history.str());
    }
    c.Raw(attributes.str());
    if (!headerOnly) c.Raw(history.str());
    f.U32(BitwiseCrc(c.str()));
    return {f.str(), c.str()};
}

DataStore GoldenStore() {
    DataStore ds = MakeStore("T", {"rem"}, {"Abs"}, {Dim("X", {1.0f, 2.0f})}, {5.0f, 6.0f},
                             {RawEntry("h1")});
    ds.keyedOptions.entries.Resize(1);
    ds.keyedOptions.entries.At(0) = "Key:1";
    return ds;
}

TEST(VarnixBinaryX, WriterReproducesGoldenBytes) {
    DataStore ds = GoldenStore();
    std::ostringstream os(std::ios::binary);
    ds.WriteVarnixBinaryX(os, false);
    EXPECT_EQ(os.str(), MakeGolden().file);  // the checksum as the bitwise definition gives it

    DataStore header = GoldenStore();
    std::ostringstream hs(std::ios::binary);
    header.WriteVarnixBinaryX(hs, true);
    EXPECT_EQ(hs.str(), MakeGolden(true).file);
}

// A header-only file reads with headerOnly and is corrupt when read in full.
TEST(VarnixBinaryX, HeaderOnlyFileReadsOnlyAsHeader) {
    TempDir dir;
    WriteFile(dir / "h.dsx", MakeGolden(true).file);
    DataStore h1;
    EXPECT_TRUE(h1.Load(dir / "h.dsx", true));
    DataStore h2;
    EXPECT_EQ(MessageOf([&] { h2.Load(dir / "h.dsx"); }), "The file is corrupt.\n");
}

// Changes the first occurrence of `what` in the golden file by one byte and reads it.
std::string ReadTampered(const std::string& what, std::size_t offset = 0) {
    std::string bytes = MakeGolden().file;
    const std::size_t at = bytes.find(what);
    EXPECT_NE(at, std::string::npos) << what;
    bytes[at + offset] = static_cast<char>(bytes[at + offset] ^ 0x20);
    DataStore ds;
    std::istringstream is(bytes);
    return MessageOf([&] { ds.ReadVarnixBinaryX(is, false); });
}

TEST(VarnixBinaryX, ChecksumCoversContentButNotNames) {
    const std::string corrupt = "The file is corrupt.\n";
    EXPECT_EQ(ReadTampered("rem"), corrupt);                                        // remark
    EXPECT_EQ(ReadTampered("Abs"), corrupt);                                        // property name
    EXPECT_EQ(ReadTampered(std::string("X\0\x02\0\0\0", 6), 9), corrupt);          // axis value
    EXPECT_EQ(ReadTampered(std::string("\x00\x00\xC0\x40", 4), 3), corrupt);        // data
    EXPECT_EQ(ReadTampered("tester"), corrupt);                                     // history user
    EXPECT_EQ(ReadTampered(std::string("X\0", 2)), "");                            // dimension name
    EXPECT_EQ(ReadTampered("Key:1"), "");                                           // keyed option
}

TEST(VarnixBinaryX, BrokenFiles) {
    // A file cut off before its checksum.
    std::string cut = MakeGolden().file;
    cut.resize(cut.size() - 2);
    DataStore a;
    std::istringstream ia(cut);
    EXPECT_EQ(MessageOf([&] { a.ReadVarnixBinaryX(ia, false); }), "The file is corrupt.\n");

    // A view state for 21 dimensions is refused.
    std::string wide = MakeGolden().file;
    // magic line, title, attributes (4 bytes), parent attributes (5), reserved (4), then M.
    const std::size_t m = std::string("VarnixBinaryX\nT").size() + 1 + 4 + 5 + 4;
    wide[m] = 21;
    DataStore b;
    std::istringstream ib(wide);
    EXPECT_EQ(MessageOf([&] { b.ReadVarnixBinaryX(ib, false); }), "The file is corrupt.\n");

    // A negative history count has its own message.
    std::string negBytes = MakeGolden().file;
    const std::size_t h = negBytes.find(std::string("\x01\x00\x00\x00\x01Old", 8));
    ASSERT_NE(h, std::string::npos);
    negBytes[h + 3] = static_cast<char>(0x80);
    DataStore c;
    std::istringstream ic(negBytes);
    EXPECT_EQ(MessageOf([&] { c.ReadVarnixBinaryX(ic, false); }), "This file is corrupt");

    // A store never initialised has no view state to write.
    DataStore never;
    never.title = "T";
    std::ostringstream os(std::ios::binary);
    EXPECT_EQ(MessageOf([&] { never.WriteVarnixBinaryX(os, false); }), "Datastore not valid");
    EXPECT_EQ(os.str(), "");
}

TEST(VarnixBinaryX, ArbFlagLeavesDimensionNames) {
    DataStore ds = MakeStore("T", {}, {"P"}, {Dim("Time -arb -log -arb", {1.0f})}, {1.0f}, {});
    std::ostringstream os(std::ios::binary);
    ds.WriteVarnixBinaryX(os, false);
    EXPECT_EQ(ds.dimensions.At(0).name, "Time  -log ");
    EXPECT_NE(os.str().find(std::string("Time  -log \0", 12)), std::string::npos);
}

// The records only this format stores, in their stored forms.
TEST(ViewStateStoredForm, RoundTripsVisibleMarkersOnly) {
    DimensionViewState vs;
    vs.reserved = 77;
    vs.dimensionCount = 2;
    vs.order = {1, 0};
    vs.ranges = {{5.0f, -1.0f}, {2.0f, 0.5f}};
    vs.markers.resize(2);
    vs.markers[0].push_back({1.5f, 3, 4, "peak", true});
    vs.markers[0].push_back({2.5f, 0, 0, "hidden", false});
    std::stringstream ss;
    binaryx::WriteViewState(ss, vs);
    DimensionViewState back;
    binaryx::ReadViewState(ss, back);
    EXPECT_EQ(back.order, vs.order);
    EXPECT_EQ(back.ranges, vs.ranges);
    ASSERT_EQ(back.markers.size(), 2u);
    ASSERT_EQ(back.markers[0].size(), 1u);
    EXPECT_EQ(back.markers[0][0].label, "peak");
    EXPECT_EQ(back.markers[0][0].b, 4);
    EXPECT_TRUE(back.markers[1].empty());
}

TEST(StoredRecords, BrokenHistoryCountsAreRefusedBeforeAllocating) {
    // (A negative count is in the VarnixBinaryX broken files.)
    std::vector<HistoryEntry> history;
    // 2^31-1 entries announced in a handful of bytes.
    std::stringstream huge;
    WriteI32(huge, 0x7fffffff);
    huge << "abc";
    EXPECT_EQ(MessageOf([&] { binaryx::ReadHistory(huge, history); }), "This file is corrupt");
    EXPECT_TRUE(history.empty());

    // A record cut short inside a text.
    std::stringstream cut;
    WriteI32(cut, 1);
    cut << std::string(50, 'x');
    EXPECT_EQ(MessageOf([&] { binaryx::ReadHistory(cut, history); }), "The file is corrupt.\n");
}

TEST(StoredRecords, TerminatedStringsNeedTheirNul) {
    std::stringstream ok(std::string("abc\0def", 7));
    EXPECT_EQ(ReadTerminatedString(ok), "abc");
    std::stringstream open("def");
    EXPECT_EQ(MessageOf([&] { ReadTerminatedString(open); }), "The file is corrupt.\n");
    std::stringstream out;
    WriteText(out, std::string("a\0b", 3));
    EXPECT_EQ(out.str(), std::string("a\0", 2));
}

}  // namespace
}  // namespace kyn::test

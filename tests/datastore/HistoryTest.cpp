// History entries: the printed block, old comments and the stored records.
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <sstream>
#include <string>

#include "datastore/BinaryIO.h"
#include "datastore/DataStore.h"
#include "util/TimeText.h"

namespace {

using kyn::DataStore;
using kyn::HistoryEntry;

using kyn::test::MessageOf;

TEST(HistoryBlock, FreshInitializeEntryIsByteExact) {
    DataStore ds("t", 1, 1);
    ds.dimensions[0] = kyn::Dimension("Time", 2);
    ASSERT_TRUE(ds.Initialize());
    ASSERT_EQ(ds.history.size(), 1u);
    const HistoryEntry& e = ds.history[0];
    EXPECT_FALSE(e.isRawText);
    const std::string expected = "User : " + e.user + "\r\n" +
                                 "Version : Belmora v.4.2.27 Build : Nov 11 2013 20:03:29\r\n" +
                                 "DataStore created and initialized for data acquisition.\r\n" +
                                 "Time Stamp : " + kyn::FormatCTime(e.Time()) + "\n\r\n" +
                                 std::string(52, '-') + "\r\n";
    EXPECT_EQ(ds.GetHistoryText()[0], expected);
    EXPECT_EQ(kyn::FormatCTime(e.Time()).size(), 24u);
}

TEST(HistoryBlock, KnownTimeStampPrintsInTheCtimeLayout) {
    HistoryEntry e;
    e.user = "lab";
    e.text = "x\r\n";
    e.timeStamp = {113, 10, 14, 10, 5, 0, 0, 4, 317};
    EXPECT_EQ(e.Block(),
              "User : lab\r\nVersion : Belmora v.4.2.27 Build : Nov 11 2013 20:03:29\r\nx\r\n"
              "Time Stamp : Thu Nov 14 10:05:00 2013\n\r\n"
              "----------------------------------------------------\r\n");
}

TEST(HistoryBlock, RawEntriesPrintTheirTextAlone) {
    DataStore ds;
    ds.AddOldComments({"abc", "def\r\n"});
    ASSERT_EQ(ds.history.size(), 2u);
    EXPECT_TRUE(ds.history[0].isRawText);
    EXPECT_EQ(ds.history[0].title, "Old Comment");
    EXPECT_EQ(ds.GetHistoryText(), (std::vector<std::string>{"abc", "def\r\n"}));
}

TEST(StoredRecords, HistoryAttributesAndOptionsRoundTrip) {
    std::vector<HistoryEntry> history(2);
    history[0].Stamp("DataStore initialized :");
    history[0].text = "made\r\n";
    history[1].isRawText = true;
    history[1].title = "Old Comment";
    history[1].text = "raw";
    history[1].user = "someone";
    std::stringstream ss;
    kyn::WriteHistory(ss, history);
    std::vector<HistoryEntry> back(5);
    kyn::ReadHistory(ss, back);
    EXPECT_EQ(back, history);

    kyn::ParentFileAttributes parent;
    parent.fileName = "melt.dsx";
    parent.cfrCompliant = false;
    parent.fileId = "{0000ABCD-0001-00ff-0102-030405060708}";
    parent.timeStamp = "Wed Jan 02 02:03:55 1980";
    std::stringstream ps;
    parent.Write(ps);
    EXPECT_EQ(ps.str().substr(0, 9), std::string("melt.dsx\0", 9));
    EXPECT_EQ(ps.str()[9], '\0');  // cfrCompliant first
    EXPECT_EQ(ps.str()[10], '\1');
    kyn::ParentFileAttributes parentBack;
    parentBack.Read(ps);
    EXPECT_EQ(parentBack, parent);

    kyn::OptionList options;
    options.entries.Append("ShuTemp_SettlingTime:30");
    options.entries.Append("CDUnits:0");
    std::stringstream os;
    options.Write(os);
    kyn::OptionList optionsBack;
    optionsBack.Read(os);
    ASSERT_EQ(optionsBack.entries.Count(), 2);
    EXPECT_EQ(optionsBack.entries[1], "CDUnits:0");
}

TEST(StoredRecords, BrokenHistoryCountsAreRefusedBeforeAllocating) {
    std::vector<HistoryEntry> history;
    std::stringstream negative;
    kyn::WriteI32(negative, -1);
    EXPECT_EQ(MessageOf([&] { kyn::ReadHistory(negative, history); }), "This file is corrupt");

    // 2^31-1 entries announced in a handful of bytes.
    std::stringstream huge;
    kyn::WriteI32(huge, 0x7fffffff);
    huge << "abc";
    EXPECT_EQ(MessageOf([&] { kyn::ReadHistory(huge, history); }), "This file is corrupt");
    EXPECT_TRUE(history.empty());

    // A record cut short inside a text.
    std::stringstream cut;
    kyn::WriteI32(cut, 1);
    cut << std::string(50, 'x');
    EXPECT_EQ(MessageOf([&] { kyn::ReadHistory(cut, history); }), "The file is corrupt.\n");
}

TEST(StoredRecords, TerminatedStringsNeedTheirNul) {
    std::stringstream ok(std::string("abc\0def", 7));
    EXPECT_EQ(kyn::ReadTerminatedString(ok), "abc");
    std::stringstream open("def");
    EXPECT_EQ(MessageOf([&] { kyn::ReadTerminatedString(open); }), "The file is corrupt.\n");
    std::stringstream out;
    kyn::WriteText(out, std::string("a\0b", 3));
    EXPECT_EQ(out.str(), std::string("a\0", 2));
}

}  // namespace

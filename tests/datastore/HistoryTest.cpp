// History entries: the printed block, old comments, and stored records that are broken. (Intact
// records are checked by the binary formats' golden files and round trips.)
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <sstream>
#include <string>

#include "datastore/BinaryIO.h"
#include "datastore/DataStore.h"

namespace {

using kyn::DataStore;
using kyn::HistoryEntry;

using kyn::test::MessageOf;

TEST(HistoryBlock, KnownTimeStampPrintsInTheCtimeLayout) {
    HistoryEntry e;
    e.user = "lab";
    e.text = "x\r\n";
    e.timeStamp = {113, 10, 2, 10, 5, 0, 0, 6, 305};  // a one-digit day is padded with a zero
    EXPECT_EQ(e.Block(),
              "User : lab\r\nVersion : Belmora v.4.2.27 Build : Nov 11 2013 20:03:29\r\nx\r\n"
              "Time Stamp : Sat Nov 02 10:05:00 2013\n\r\n"
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

TEST(StoredRecords, BrokenHistoryCountsAreRefusedBeforeAllocating) {
    // (A negative count is in the VarnixBinaryX broken files.)
    std::vector<HistoryEntry> history;
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

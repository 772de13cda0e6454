// History entries: the printed block and old comments. (Their stored records are VarnixBinaryX's.)
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <sstream>
#include <string>

#include "datastore/DataStore.h"

namespace kyn::test {
namespace {


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

}  // namespace
}  // namespace kyn::test

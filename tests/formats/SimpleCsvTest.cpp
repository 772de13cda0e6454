// SimpleCSV rows and its two message boxes, and the one-box-at-a-time notifier.
#include <gtest/gtest.h>

#include "formats/FormatTestUtil.h"

#include <atomic>
#include <future>
#include <thread>

#include "util/Notifier.h"

namespace kyn::test {
namespace {


// Records every box instead of printing it, for the length of one test.
class RecordedBoxes : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = kyn::SetNoticeHandler([this](const kyn::Notice& n) { boxes.push_back(n); });
    }
    void TearDown() override { kyn::SetNoticeHandler(previous_); }
    std::string Simple(DataStore& ds) {
        return OnDisk([&](std::ostream& os) { ds.WriteSimpleCSV(os); });
    }
    std::vector<kyn::Notice> boxes;

private:
    kyn::NoticeHandler previous_;
};

// Exact ties round away from zero.
TEST_F(RecordedBoxes, OneDimensionTwoProperties) {
    DataStore ds = Store({"Absorbance", "HT"}, {Dim("Time", {0, 0.5f, 1e-5f, 123456.5f, -1234565.0f})},
                         [](int i) { return i == 0 ? -0.0f : i == 1 ? 1.015625f : i * 1.5f; });
    EXPECT_EQ(Simple(ds), Crlf("0,-0\n0.5,1.01563\n1e-005,3\n123457,4.5\n-1.23457e+006,6\n\n"
                               "0,7.5\n0.5,9\n1e-005,10.5\n123457,12\n-1.23457e+006,13.5\n\n"));
    EXPECT_TRUE(boxes.empty());
}

// Single-valued dimensions are set aside without a warning, wherever they stand.
TEST_F(RecordedBoxes, SingleValuedDimensionsAreSetAside) {
    DataStore second = Store({"Absorbance", "HT"}, {Dim("Wavelength", {250}), Dim("Time", {0, 1, 2})});
    EXPECT_EQ(Simple(second), Crlf("0,0\n1,1\n2,2\n0,3\n1,4\n2,5\n"));
    DataStore around = Store({"Absorbance"}, {Dim("Cell", {1}), Dim("Time", {4, 5, 6}), Dim("Repeat", {1})});
    EXPECT_EQ(Simple(around), Crlf("4,0\n5,1\n6,2\n\n"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(RecordedBoxes, SeveralSignificantDimensionsWarnAndWriteTheLargest) {
    DataStore ds = Store({"Absorbance"}, {Dim("Time", {0, 1}), Dim("Wavelength", {200, 210, 220})});
    ds.SetDimensionCurrent(0, 1);
    EXPECT_EQ(Simple(ds), Crlf("200,1\n210,3\n220,5\n\n"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Warning!\nThe current dataset contains more than one Dimension.\nThe saved data file will contain only "
              "the most significant\nDimension.\n");
    EXPECT_EQ(boxes[0].style, 0x43030u);
}

TEST(Notifier, SecondBoxWhileOneIsOpenShowsNothing) {
    std::promise<void> entered, release;
    std::shared_future<void> releaseFuture = release.get_future().share();
    std::atomic<int> shown{0};
    auto previous = kyn::SetNoticeHandler([&](const kyn::Notice&) {
        if (shown.fetch_add(1) == 0) {
            entered.set_value();
            releaseFuture.wait();
        }
    });
    std::thread first([] { EXPECT_TRUE(kyn::Notify("Belmora", "one", 0)); });
    entered.get_future().wait();
    EXPECT_FALSE(kyn::Notify("Belmora", "two", 0));  // returns at once although the first is open
    std::thread other([] { EXPECT_FALSE(kyn::Notify("Belmora", "three", 0)); });
    other.join();
    release.set_value();
    first.join();
    EXPECT_EQ(shown.load(), 1);
    EXPECT_TRUE(kyn::Notify("Belmora", "after", 0));  // the guard is free again
    EXPECT_EQ(shown.load(), 2);
    kyn::SetNoticeHandler(previous);
}

TEST(Notifier, GuardIsReleasedWhenTheHandlerThrows) {
    auto previous = kyn::SetNoticeHandler([](const kyn::Notice&) { throw std::runtime_error("x"); });
    EXPECT_THROW(kyn::Notify("Belmora", "t", 0), std::runtime_error);
    int calls = 0;
    kyn::SetNoticeHandler([&](const kyn::Notice&) { ++calls; });
    EXPECT_TRUE(kyn::Notify("Belmora", "t", 0));
    EXPECT_EQ(calls, 1);
    kyn::SetNoticeHandler(previous);
}

}  // namespace
}  // namespace kyn::test

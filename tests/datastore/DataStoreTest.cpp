// The DataStore container: slices, initialisation, lookup and the stored view state. The value
// layout (property slowest, dimension 0 fastest) shows in every writer's golden file; the broken
// stored view states are in the VarnixBinaryX and hostile-input tests.
#include <gtest/gtest.h>

#include "Stores.h"
#include "TestSupport.h"

#include <sstream>
#include <string>

#include "datastore/DataStore.h"

namespace kyn::test {
namespace {



// Two properties over 3 x 4 steps, every value its own index.
DataStore TwoByThreeByFour() {
    DataStore ds("t", 2, 2);
    ds.properties[0] = "Absorbance";
    ds.properties[1] = "CircularDichroism -mrme";
    ds.dimensions[0] = Dim("Wavelength", {200, 210, 220});
    ds.dimensions[1] = Dim("Time", {0, 1, 2, 3});
    EXPECT_TRUE(ds.Initialize());
    for (int i = 0; i < ds.data.Count(); ++i) ds.data[i] = static_cast<float>(i);
    return ds;
}

TEST(Slices, StridesFollowTheLayoutAndCurrentSteps) {
    DataStore ds = TwoByThreeByFour();
    ds.SetDimensionCurrent(1, 2);
    auto spectrum = ds.GetSlice(0, 1);
    EXPECT_EQ(spectrum.Count(), 3);
    EXPECT_EQ(spectrum.Stride(), 1);
    EXPECT_EQ(spectrum[0], 12.0f + 6.0f);
    ds.SetDimensionCurrent(0, 1);
    auto trace = ds.GetSlice(1, 0);
    EXPECT_EQ(trace.Count(), 4);
    EXPECT_EQ(trace.Stride(), 3);
    EXPECT_EQ(trace[3], 1.0f + 9.0f);
    // A view writes into the block.
    trace[0] = 100.0f;
    EXPECT_EQ(ds.data[1], 100.0f);
    ds.SetCurrentProperty(1);
    EXPECT_EQ(ds.GetCurrentSlice(1)[0], 13.0f);
}

TEST(Slices, ACurrentStepOutsideItsDimensionNeverReadsOutsideTheBlock) {
    DataStore ds = TwoByThreeByFour();
    ds.SetDimensionCurrent(1, 40);
    EXPECT_EQ(MessageOf([&] { ds.GetSlice(0, 1); }), "Index out-of-range in DPointer::operator[]");
    EXPECT_EQ(MessageOf([&] { ds.GetSlice(0, 7); }), "Index out-of-range in DPointer::operator[]");
    EXPECT_EQ(MessageOf([&] { ds.GetSlice(5, 0); }), "Array out of bounds!");
}

TEST(Initialize, EachCallZeroesValuesResetsStepsAndAddsOneEntry) {
    DataStore ds = TwoByThreeByFour();
    ds.SetDimensionCurrent(0, 2);
    ASSERT_TRUE(ds.Initialize());
    EXPECT_EQ(ds.history.size(), 2u);
    EXPECT_EQ(ds.GetDimensionCurrent(0), 0);
    for (int i = 0; i < ds.data.Count(); ++i) ASSERT_EQ(ds.data[i], 0.0f);
}

TEST(Initialize, AProductBeyondTheBlockLimitIsAnAllocationFailure) {
    DataStore ds("t", 3, 2);
    ds.dimensions[0] = Dimension("Time", 70000);
    ds.dimensions[1] = Dimension("Wavelength", 70000);
    EXPECT_EQ(MessageOf([&] { ds.Initialize(); }), "Error allocating memory for DPointer");
    EXPECT_EQ(ds.data.Count(), 0);
}

TEST(Lookup, DimensionsAreFoundByNamePrefix) {
    DataStore ds("t", 1, 2);
    ds.dimensions[0] = Dim("Tim", {1});
    ds.dimensions[1] = Dim("Wavelength -emmono", {1, 2});
    EXPECT_EQ(ds.FindDimension("Wave"), 1);
    EXPECT_EQ(ds.FindDimension("Time"), -1);
    EXPECT_FALSE(ds.HasTimeDimension());
    EXPECT_EQ(ds.GetDimensionName(1, true), "Wavelength");
}

}  // namespace
}  // namespace kyn::test

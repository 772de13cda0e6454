// Array and DPointer: bounds, views, resizing a view, and the value block's copies and alignment.
#include <gtest/gtest.h>

#include "TestSupport.h"

#include <string>

#include "datastore/Array.h"
#include "datastore/DPointer.h"

namespace kyn::test {
namespace {



TEST(ArrayAccess, OnlyIndexesInsideTheArrayAreAccepted) {
    Array<int> a(3);
    for (int i = 0; i < 3; ++i) a[i] = i * 10;
    EXPECT_EQ(a[2], 20);
    EXPECT_EQ(MessageOf([&] { a[-1]; }), "Array out of bounds!");
    EXPECT_EQ(MessageOf([&] { a[3]; }), "Array out of bounds!");
    Array<int> empty;
    EXPECT_EQ(MessageOf([&] { empty[0]; }), "Array out of bounds!");
}

TEST(ArrayViews, StridedViewReadsAndWritesThroughToTheBlock) {
    float block[12];
    for (int i = 0; i < 12; ++i) block[i] = static_cast<float>(i);
    Array<float> view(3, block, 4);
    EXPECT_EQ(view[2], 8.0f);

    // Assigning to a view keeps its shape and writes into the memory it looks at.
    Array<float> source(3);
    source[0] = -1.0f;
    source[1] = -2.0f;
    source[2] = -3.0f;
    view = source;
    EXPECT_EQ(block[4], -2.0f);
    EXPECT_EQ(block[5], 5.0f);

    // Copying a view gives an owning, contiguous array.
    Array<float> copy(view);
    copy[2] = 7.0f;
    EXPECT_EQ(copy.Stride(), 1);
    EXPECT_EQ(block[8], -3.0f);

    // A view refuses a source shorter than itself.
    Array<float> shorter(2);
    EXPECT_EQ(MessageOf([&] { view = shorter; }), "Array out of bounds!");
    EXPECT_EQ(block[8], -3.0f);
}

TEST(ArrayResize, KeepsTheFirstElementsAndBecomesOwning) {
    Array<float> a(5);
    for (int i = 0; i < 5; ++i) a[i] = static_cast<float>(i + 1);
    a.Resize(2);
    a.Resize(8);
    EXPECT_EQ(a.Count(), 8);
    EXPECT_EQ(a[0], 1.0f);
    EXPECT_EQ(a[1], 2.0f);

    float block[6] = {0, 1, 2, 3, 4, 5};
    Array<float> view(3, block, 2);
    view.Resize(3);
    EXPECT_EQ(view[2], 4.0f);
    view[0] = 99.0f;
    EXPECT_EQ(block[0], 0.0f);
}

TEST(DPointerBuffer, ClearCopyAndLargeBlocksArePageAligned) {
    DPointer big(1 << 20);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big.Data()) % 4096, 0u);
    big[12345] = 7.0f;
    DPointer copy = big;
    EXPECT_EQ(copy[12345], 7.0f);
    copy.Clear();
    EXPECT_EQ(copy[12345], 0.0f);
    EXPECT_EQ(big[12345], 7.0f);
}

}  // namespace
}  // namespace kyn::test

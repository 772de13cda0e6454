// DPointer: the resizable float32 block that holds all values of a DataStore.
//
// Large blocks are page-aligned, which lets the kernel copy file data into them at full speed.
// On POSIX systems they are fresh anonymous mappings, which the system hands out already zeroed:
// the block remembers that until it is written to, so that clearing a fresh block costs nothing
// (a reader that then fills it touches every page once instead of twice).
#pragma once

#include <cstdint>

#include "datastore/Errors.h"

namespace kyn {

class DPointer {
public:
    DPointer() = default;
    explicit DPointer(int n);  // n values, not cleared
    DPointer(const DPointer& other);
    DPointer(DPointer&& other) noexcept;
    DPointer& operator=(const DPointer& other);
    DPointer& operator=(DPointer&& other) noexcept;
    ~DPointer();

    // For an empty buffer and n > 0: allocates n values. n = 0 changes nothing.
    void Allocate(int n);
    // Resizes keeping the first min(count, n) values; 0 frees. Returns the buffer (null if empty).
    // A failed allocation leaves the buffer as it was.
    float* Resize(int n);
    void Clear();  // all values to 0.0
    void Free();

    float& operator[](std::int64_t i) {
        if (i < 0 || i >= count_) Fail(msg::kDPointerIndex);
        knownZero_ = false;
        return values_[i];
    }
    const float& operator[](std::int64_t i) const {
        if (i < 0 || i >= count_) Fail(msg::kDPointerIndex);
        return values_[i];
    }

    int Count() const { return count_; }
    float* Data() {
        knownZero_ = false;
        return values_;
    }
    const float* Data() const { return values_; }

private:
    // n values; `zeroed` tells whether the system handed them out cleared.
    static float* AllocateBlock(std::int64_t n, bool& zeroed);
    static void FreeBlock(float* p, std::int64_t n);
    float* values_ = nullptr;
    int count_ = 0;
    bool knownZero_ = false;  // every value is 0 and nobody was given write access since
};

// A float list that grows by a fixed number of values per reallocation.
class FloatList {
public:
    explicit FloatList(int growBy = 4) : growBy_(growBy > 0 ? growBy : 1) {}
    FloatList(const FloatList&) = delete;
    FloatList& operator=(const FloatList&) = delete;
    ~FloatList() { Clear(); }

    // Stores v at the end; returns its index, or 0 (storing nothing) when memory runs out.
    int Add(float v);
    void Clear();
    float operator[](int i) const {
        if (i < 0 || i >= size_) Fail(msg::kArrayOutOfBounds);
        return values_[i];
    }
    int Size() const { return size_; }
    int Capacity() const { return capacity_; }
    const float* Data() const { return values_; }

private:
    float* values_ = nullptr;
    int capacity_ = 0;
    int size_ = 0;
    int growBy_;
};

}  // namespace kyn

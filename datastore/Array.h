// Array<T>: a bounds-checked array that either owns its elements (stride 1) or is a strided view
// on memory owned elsewhere, such as one row of a DataStore's value block.
//
// Element access outside 0..count-1 throws "Array out of bounds!". A view never frees what it
// looks at, and assigning to a view writes through it (keeping its own count and stride).
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "datastore/Errors.h"

namespace kyn {

template <typename T>
class Array {
public:
    Array() = default;

    // n elements; with `foreign` given the array is a view on that memory with the given stride.
    explicit Array(int n, T* foreign = nullptr, int stride = 1) {
        if (n <= 0) return;
        if (foreign) {
            elements_ = foreign;
            stride_ = stride;
            owns_ = false;
        } else {
            elements_ = new T[static_cast<std::size_t>(n)];
            owns_ = true;
        }
        count_ = n;
    }

    Array(const Array& other) { CopyOwned(other); }

    Array(Array&& other) noexcept
        : count_(other.count_), stride_(other.stride_), owns_(other.owns_), elements_(other.elements_) {
        other.count_ = 0;
        other.stride_ = 1;
        other.owns_ = true;
        other.elements_ = nullptr;
    }

    virtual ~Array() { Release(); }

    // Owning target: becomes a copy of the source. View: overwrites the memory it looks at with
    // the source's first `count` elements (a source shorter than the view is an error).
    Array& operator=(const Array& other) {
        if (this == &other) return *this;
        if (owns_) {
            Release();
            CopyOwned(other);
            return *this;
        }
        if (other.count_ < count_) Fail(msg::kArrayOutOfBounds);
        for (int k = 0; k < count_; ++k) At(k) = other.At(k);
        return *this;
    }

    Array& operator=(Array&& other) noexcept {
        if (this == &other) return *this;
        if (!owns_) {
            // A view keeps its identity: moving into it copies through it.
            const Array& src = other;
            for (int k = 0; k < count_ && k < src.count_; ++k) At(k) = src.At(k);
            return *this;
        }
        Release();
        count_ = other.count_;
        stride_ = other.stride_;
        owns_ = other.owns_;
        elements_ = other.elements_;
        other.count_ = 0;
        other.stride_ = 1;
        other.owns_ = true;
        other.elements_ = nullptr;
        return *this;
    }

    T& operator[](int i) {
        if (i < 0 || i >= count_) Fail(msg::kArrayOutOfBounds);
        return At(i);
    }
    const T& operator[](int i) const {
        if (i < 0 || i >= count_) Fail(msg::kArrayOutOfBounds);
        return At(i);
    }

    // Unchecked access for loops that have checked their range once.
    T& At(int i) { return elements_[static_cast<std::ptrdiff_t>(i) * stride_]; }
    const T& At(int i) const { return elements_[static_cast<std::ptrdiff_t>(i) * stride_]; }

    // n default elements; the first min(count, n) are kept. Afterwards the array owns its memory.
    void Resize(int n) {
        if (n < 0) n = 0;
        T* fresh = n > 0 ? new T[static_cast<std::size_t>(n)] : nullptr;
        const int keep = std::min(count_, n);
        for (int k = 0; k < keep; ++k) fresh[k] = std::move(At(k));
        Release();
        elements_ = fresh;
        count_ = n;
        stride_ = 1;
        owns_ = true;
    }

    // Appends one element (owning arrays).
    void Append(const T& value) {
        Resize(count_ + 1);
        elements_[count_ - 1] = value;
    }

    // Removes element i (owning arrays); nothing when i is outside the array.
    void RemoveAt(int i) {
        if (i < 0 || i >= count_) return;
        Array fresh(count_ - 1);
        for (int k = 0, j = 0; k < count_; ++k)
            if (k != i) fresh.elements_[j++] = std::move(At(k));
        *this = std::move(fresh);
    }

    int Count() const { return count_; }
    int Stride() const { return stride_; }
    bool Owns() const { return owns_; }
    T* Data() { return elements_; }
    const T* Data() const { return elements_; }

private:
    void Release() {
        if (owns_) delete[] elements_;
        elements_ = nullptr;
        count_ = 0;
        stride_ = 1;
        owns_ = true;
    }

    void CopyOwned(const Array& other) {
        if (other.count_ > 0) {
            elements_ = new T[static_cast<std::size_t>(other.count_)];
            for (int k = 0; k < other.count_; ++k) elements_[k] = other.At(k);
        }
        count_ = other.count_;
        stride_ = 1;
        owns_ = true;
    }

    int count_ = 0;
    int stride_ = 1;
    bool owns_ = true;
    T* elements_ = nullptr;
};

}  // namespace kyn

// CharBuffer: a growable block of chars that is left uninitialised.
//
// The stream buffers, cursors and chunk writers each own a large scratch buffer that is always
// written before it is read; zero-filling it on construction cost more than converting a small
// file does. A plain new char[] also needs no per-element loop, which instrumented builds (the
// fuzzers) would otherwise keep and run for every byte of every buffer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>

namespace kyn {

class CharBuffer {
public:
    explicit CharBuffer(std::size_t size) : data_(new char[size]), size_(size) {}

    char* data() noexcept { return data_.get(); }
    const char* data() const noexcept { return data_.get(); }
    std::size_t size() const noexcept { return size_; }
    char& operator[](std::size_t i) noexcept { return data_[i]; }
    const char& operator[](std::size_t i) const noexcept { return data_[i]; }

    // Changes the size, keeping the first min(old, new) chars; new chars are uninitialised.
    void resize(std::size_t size) {
        if (size == size_) return;
        std::unique_ptr<char[]> grown(new char[size]);
        std::copy_n(data_.get(), std::min(size, size_), grown.get());
        data_ = std::move(grown);
        size_ = size;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_;
};

}  // namespace kyn

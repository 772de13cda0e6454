// CharBuffer: a std::vector<char> whose new elements are left uninitialised.
//
// The stream buffers, cursors and chunk writers each own a large scratch buffer that is always
// written before it is read; zero-filling it on construction cost more than converting a small
// file does, so their vectors skip it.
#pragma once

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace kyn {

template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() noexcept = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    // Value-initialisation (resize, the size constructor) becomes default-initialisation.
    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using CharBuffer = std::vector<char, DefaultInitAllocator<char>>;

}  // namespace kyn

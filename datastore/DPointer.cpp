#include "datastore/DPointer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define KYN_MAP_BLOCKS 1
#endif

namespace kyn {

namespace {
constexpr std::size_t kPage = 4096;
constexpr std::int64_t kAlignThreshold = 1 << 18;  // values; blocks of 1 MiB and more
#ifdef KYN_MAP_BLOCKS
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A fresh, zero-filled mapping of `bytes` (a multiple of the page size). Blocks of several MiB
// start on a 2 MiB boundary and ask for transparent huge pages: filling a 256 MiB block then
// takes 128 page faults instead of 65,536, which roughly halves the time a read into it costs.
void* MapBlock(std::size_t bytes) {
    if (bytes < 2 * kHugePage) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    void* raw = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    // Give back the slack before and after the aligned block.
    if (aligned > start) munmap(raw, aligned - start);
    const std::size_t tail = (start + bytes + kHugePage) - (aligned + bytes);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // a hint; failure is harmless
#endif
    return reinterpret_cast<void*>(aligned);
}
#endif
}  // namespace

float* DPointer::AllocateBlock(std::int64_t n, bool& zeroed) {
    zeroed = false;
    if (n <= 0 || n > INT_MAX) return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(float);
    if (n >= kAlignThreshold) {
        const std::size_t rounded = (bytes + kPage - 1) / kPage * kPage;
#ifdef KYN_MAP_BLOCKS
        void* p = MapBlock(rounded);
        if (!p) return nullptr;
        zeroed = true;
        return static_cast<float*>(p);
#else
        return static_cast<float*>(std::aligned_alloc(kPage, rounded));
#endif
    }
    return static_cast<float*>(std::malloc(bytes));
}

void DPointer::FreeBlock(float* p, std::int64_t n) {
    if (!p) return;
#ifdef KYN_MAP_BLOCKS
    if (n >= kAlignThreshold) {
        const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(float);
        munmap(p, (bytes + kPage - 1) / kPage * kPage);
        return;
    }
#endif
    (void)n;
    std::free(p);
}

DPointer::DPointer(int n) {
    if (n <= 0) return;
    values_ = AllocateBlock(n, knownZero_);
    if (!values_) Fail(msg::kDPointerCtorAlloc);
    count_ = n;
}

DPointer::DPointer(const DPointer& other) { *this = other; }

DPointer::DPointer(DPointer&& other) noexcept
    : values_(other.values_), count_(other.count_), knownZero_(other.knownZero_) {
    other.values_ = nullptr;
    other.count_ = 0;
    other.knownZero_ = false;
}

DPointer& DPointer::operator=(const DPointer& other) {
    if (this == &other) return *this;
    Resize(other.count_);
    if (other.count_ > 0) std::memcpy(values_, other.values_, static_cast<std::size_t>(other.count_) * sizeof(float));
    knownZero_ = other.knownZero_;
    return *this;
}

DPointer& DPointer::operator=(DPointer&& other) noexcept {
    if (this == &other) return *this;
    Free();
    values_ = other.values_;
    count_ = other.count_;
    knownZero_ = other.knownZero_;
    other.values_ = nullptr;
    other.count_ = 0;
    other.knownZero_ = false;
    return *this;
}

DPointer::~DPointer() { Free(); }

void DPointer::Allocate(int n) {
    if (n <= 0) return;
    bool zeroed = false;
    float* p = AllocateBlock(n, zeroed);
    if (!p) Fail(msg::kDPointerAlloc);
    FreeBlock(values_, count_);
    values_ = p;
    count_ = n;
    knownZero_ = zeroed;
}

float* DPointer::Resize(int n) {
    if (!values_) {
        Allocate(n);
        return values_;
    }
    if (n <= 0) {
        Free();
        return nullptr;
    }
    bool zeroed = false;
    float* p = AllocateBlock(n, zeroed);
    if (!p) Fail(msg::kDPointerRealloc);
    std::memcpy(p, values_, static_cast<std::size_t>(std::min(count_, n)) * sizeof(float));
    FreeBlock(values_, count_);
    values_ = p;
    count_ = n;
    knownZero_ = false;
    return values_;
}

void DPointer::Clear() {
    if (count_ > 0 && !knownZero_) std::memset(values_, 0, static_cast<std::size_t>(count_) * sizeof(float));
    knownZero_ = count_ > 0;
}

void DPointer::Free() {
    FreeBlock(values_, count_);
    values_ = nullptr;
    count_ = 0;
    knownZero_ = false;
}

int FloatList::Add(float v) {
    if (size_ == capacity_) {
        if (capacity_ > INT_MAX - growBy_) return 0;
        const int fresh = capacity_ + growBy_;
        float* p = static_cast<float*>(std::malloc(static_cast<std::size_t>(fresh) * sizeof(float)));
        if (!p) return 0;
        if (size_ > 0) std::memcpy(p, values_, static_cast<std::size_t>(size_) * sizeof(float));
        std::free(values_);
        values_ = p;
        capacity_ = fresh;
    }
    values_[size_] = v;
    return size_++;
}

void FloatList::Clear() {
    std::free(values_);
    values_ = nullptr;
    capacity_ = 0;
    size_ = 0;
}

}  // namespace kyn

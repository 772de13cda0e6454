// The YFACTOR search of the JCAMP-DX export: the repeat measure of a block's values and of their
// quotients by each candidate factor, and the choice of the factor.
//
// The measure counts pairs of positions that hold equal values, so the values are walked in
// sorted order with the positions of each value in increasing order, a batch of neighbouring value
// ranges at a time so that a large block never needs a second block's worth of memory. Dividing by
// a positive factor never puts two values the other way round: a set of equal quotients is a run
// of neighbouring values, and the quotients' measure is the values' measure plus the pairs that
// each such join adds. One walk serves the values and every factor; a factor that joins no
// neighbours costs one division per distinct value and nothing else.
#include "formats/JcampDx.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kyn::jcamp {

namespace {

// Values as keys for the walk: keys order as the values do, +0 and -0 are one key, and the keys of
// NaN lie outside [kLowestKey, kHighestKey], the keys of -infinity and +infinity.
constexpr std::uint32_t kLowestKey = 0x007FFFFFu;
constexpr std::uint32_t kHighestKey = 0xFF800000u;

inline std::uint32_t OrderKey(float v) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
    bits &= 0u - static_cast<std::uint32_t>((bits << 1) != 0);  // -0 as +0
    return bits ^ ((0u - (bits >> 31)) | 0x80000000u);          // negative: every bit, else the sign
}

inline float KeyValue(std::uint32_t key) {
    return std::bit_cast<float>((key & 0x80000000u) ? key & 0x7FFFFFFFu : ~key);
}

// Whether key lies in [first, last], first <= last.
inline bool KeyIn(std::uint32_t key, std::uint32_t first, std::uint32_t last) { return key - first <= last - first; }

// A sorted entry: the key above the position, so that integer order is the order by value and then
// by position.
using Entry = std::uint64_t;
inline std::uint32_t KeyOf(Entry e) { return static_cast<std::uint32_t>(e >> 32); }

// floor(100 t / n), also where 100 t would not fit.
std::int64_t Measure(std::int64_t t, int n) {
    if (n <= 0) return 0;
    return t / n * 100 + t % n * 100 / n;
}

// The pairs (i, k) of one set of positions with 1 <= k <= n-2-i (k == i included), from its
// positions in increasing order (the low 32 bits of each element), n >= 3. Ignoring k >= 1 for a
// moment the count is symmetric: positions up to (n-2)/2 pair with each other both ways (and with
// themselves), positions beyond it with none of their own kind, and across the two the bound on the
// partner falls as the low position rises, so one index walks down.
template <typename T>
std::int64_t PairCount(const T* pos, std::size_t m, std::int64_t n) {
    const auto at = [pos](std::size_t j) { return static_cast<std::int64_t>(static_cast<std::uint32_t>(pos[j])); };
    const std::int64_t limit = n - 2;  // i + k <= n-2
    if (m == 1) return at(0) >= 1 && 2 * at(0) <= limit ? 1 : 0;
    std::size_t low = 0, count = m;  // low = the number of positions p with 2p <= limit
    while (count > 0) {
        const std::size_t half = count / 2;
        if (2 * at(low + half) <= limit) {
            low += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    std::int64_t cross = 0;
    std::size_t hi = m;  // high positions [low, hi) lie within the bound
    for (std::size_t j = 0; j < low; ++j) {
        const std::int64_t bound = limit - at(j);
        while (hi > low && at(hi - 1) > bound) --hi;
        if (hi == low) break;
        cross += static_cast<std::int64_t>(hi - low);
    }
    std::int64_t t = static_cast<std::int64_t>(low) * static_cast<std::int64_t>(low) + 2 * cross;
    if (at(0) == 0) t -= static_cast<std::int64_t>(m) - (at(m - 1) > limit ? 1 : 0);  // pairs (i, 0) never count
    return t;
}

// The same count for the `size` positions whose keys lie in [first, last], without holding them:
// the block is walked from both ends at once. For position i the partners are the members in
// [1, n-2-i]; their number drops by one each time the upper end passes a member.
std::int64_t StreamedPairCount(const float* a, int n, std::uint32_t first, std::uint32_t last, std::int64_t size) {
    if (n < 3) return 0;
    std::int64_t partners = size - KeyIn(OrderKey(a[0]), first, last) - KeyIn(OrderKey(a[n - 1]), first, last);
    std::int64_t t = 0;
    for (int i = 0; i <= n - 3 && partners > 0; ++i) {
        t += KeyIn(OrderKey(a[i]), first, last) ? partners : 0;
        partners -= KeyIn(OrderKey(a[n - 2 - i]), first, last);
    }
    return t;
}

// Writes to `inside` the offsets j < len whose keys lie in [first, last], in rising order, and
// returns how many; without a branch on the data. `inside` has room for len offsets.
int KeysInRange(const float* a, int len, std::uint32_t first, std::uint32_t last, std::uint32_t* inside) {
    int k = 0, j = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i sign = _mm_set1_epi32(static_cast<int>(0x80000000u));
    const __m128i from = _mm_set1_epi32(static_cast<int>(first));
    const __m128i span = _mm_set1_epi32(static_cast<int>((last - first) ^ 0x80000000u));
    for (; j + 4 <= len; j += 4) {
        __m128i bits = _mm_castps_si128(_mm_loadu_ps(a + j));
        bits = _mm_andnot_si128(_mm_cmpeq_epi32(_mm_slli_epi32(bits, 1), zero), bits);  // -0 as +0
        const __m128i key = _mm_xor_si128(bits, _mm_or_si128(_mm_srai_epi32(bits, 31), sign));
        // key - first <= last - first, unsigned, as a signed comparison with the sign bits flipped
        const __m128i rel = _mm_xor_si128(_mm_sub_epi32(key, from), sign);
        const int in = ~_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(rel, span))) & 0xF;
        const std::uint32_t at = static_cast<std::uint32_t>(j);
        inside[k] = at;
        k += in & 1;
        inside[k] = at + 1;
        k += (in >> 1) & 1;
        inside[k] = at + 2;
        k += (in >> 2) & 1;
        inside[k] = at + 3;
        k += in >> 3;
    }
#endif
    for (; j < len; ++j) {
        inside[k] = static_cast<std::uint32_t>(j);
        k += KeyIn(OrderKey(a[j]), first, last);
    }
    return k;
}

// The quotients of one value by up to eight divisors at once, in two vectors of four.
constexpr int kLanes = 8;
typedef float Quad __attribute__((vector_size(4 * sizeof(float))));
typedef std::int32_t QuadFlags __attribute__((vector_size(4 * sizeof(std::int32_t))));
struct Lanes {
    Quad half[2];
};

inline Lanes Divide(float v, const Lanes& divisors) {
    const Quad value = {v, v, v, v};
    return Lanes{{value / divisors.half[0], value / divisors.half[1]}};
}

inline unsigned EqualLanes(const Lanes& a, const Lanes& b) {
#if defined(__SSE2__)
    return static_cast<unsigned>(_mm_movemask_ps(_mm_cmpeq_ps(a.half[0], b.half[0])) |
                                 _mm_movemask_ps(_mm_cmpeq_ps(a.half[1], b.half[1])) << 4);
#else
    unsigned bits = 0;
    for (int h = 0; h < 2; ++h) {
        const QuadFlags eq = a.half[h] == b.half[h];
        for (int i = 0; i < 4; ++i) bits |= static_cast<unsigned>(eq[i] & 1) << (4 * h + i);
    }
    return bits;
#endif
}

// The walk over the sorted values. For every value it counts the value's own pairs; for every
// divisor it follows the runs of neighbouring values with equal quotients, and when a run of two
// or more values ends it counts the pairs across its values (the run's pairs less its values' own
// ones). A run's positions are found in the batch being walked; the tail of a batch that may go on
// in the next one is kept (when small) in `held_`; a run too large to hold, or that takes in a
// value shared by more positions than a batch, is counted at the end by a walk over the block
// instead (its values are a key range).
class Search {
public:
    // earlyOut: a divisor whose joins already add n/100 pairs makes a measure other than the
    // values' one for sure; it is given up, and the walk stops when every divisor is.
    Search(const float* a, int n, std::size_t batchPositions, std::span<const float> divisors, bool earlyOut)
        : a_(a),
          n_(n),
          limit_(std::max<std::size_t>(batchPositions, 1)),
          holdLimit_(std::max<std::size_t>(limit_ / 8, 1)),
          gatherLimit_(std::max<std::size_t>(limit_ / 4, 1)),
          divisors_{{{1.0f, 1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}}},
          earlyOut_(earlyOut) {
        for (std::size_t d = 0; d < divisors.size() && d < kLanes; ++d) {
            divisors_.half[d / 4][d % 4] = divisors[d];
            live_ |= 1u << d;
        }
    }

    void Run() {
        if (n_ < 3) return;  // no position has a partner
        Range(0, 16);
        if (stopped_) return;
        for (unsigned open = open_; open != 0; open &= open - 1) Close(std::countr_zero(open));
    }

    bool GivenUp(int d) const { return !(live_ >> d & 1u); }
    bool AllGivenUp() const { return live_ == 0; }

    std::int64_t ValueMeasure() const { return Measure(pairs_, n_); }

    // The measure of the quotients by divisor d (not given up).
    std::int64_t QuotientMeasure(int d) {
        for (const Streamed& s : streamed_[d])
            extra_[d] += StreamedPairCount(a_, n_, s.firstKey, s.lastKey, s.size) - s.ownPairs;
        streamed_[d].clear();
        return Measure(pairs_ + extra_[d], n_);
    }

private:
    enum class Where : std::uint8_t { kBatch, kHeld, kStreamed };

    // One value: its key, how many positions hold it, its own pairs, and where its positions are:
    // entries [start, start + size) of the batch, or held_[start, start + size), or not kept.
    struct Group {
        std::uint32_t key;
        std::int64_t size;
        std::int64_t ownPairs;
        Where where;
        std::size_t start;
    };

    // A run of two or more values with equal quotients that the last value walked ends (so far).
    // Its positions: kBatch, entries [batchStart, batchEnd); kHeld, held_[heldStart, end) and
    // then entries [0, batchEnd); kStreamed, not kept.
    struct OpenRun {
        std::uint32_t firstKey, lastKey;
        std::int64_t size, ownPairs;
        Where where;
        std::size_t heldStart, batchStart, batchEnd;
    };

    struct Streamed {
        std::uint32_t firstKey, lastKey;
        std::int64_t size, ownPairs;
    };

    // Keys lo .. lo + (65,536 << shift) - 1 in cells of 1 << shift keys; shift is 16 (every key)
    // or 0 (the keys of one cell of the first level, one by one). A batch is as many neighbouring
    // cells as fit in the batch size together with the room to sort the largest; a first-level
    // cell of more than half a batch is cut up by key, and a single key at more positions than a
    // batch is a value of its own, never collected.
    void Range(std::uint32_t lo, int shift) {
        constexpr std::uint32_t kCells = 1u << 16;
        std::vector<std::uint32_t> count(kCells, 0);
        if (shift > 0) {
            // Even and odd positions in two tallies: values often fall into one cell in a row, and
            // then each count need not wait for the one before.
            std::vector<std::uint32_t> odd(kCells, 0);
            int i = 0;
            for (; i + 1 < n_; i += 2) {
                const std::uint32_t even = OrderKey(a_[i]), next = OrderKey(a_[i + 1]);
                count[even >> 16] += KeyIn(even, kLowestKey, kHighestKey);
                odd[next >> 16] += KeyIn(next, kLowestKey, kHighestKey);
            }
            if (i < n_) count[OrderKey(a_[i]) >> 16] += KeyIn(OrderKey(a_[i]), kLowestKey, kHighestKey);
            for (std::uint32_t c = 0; c < kCells; ++c) count[c] += odd[c];
        } else {
            for (int i = 0; i < n_; ++i) {
                const std::uint32_t key = OrderKey(a_[i]);
                if (KeyIn(key, kLowestKey, kHighestKey) && key - lo < kCells) ++count[key - lo];
            }
        }
        for (std::uint32_t first = 0; first < kCells && !stopped_;) {
            if (count[first] == 0) {
                ++first;
                continue;
            }
            // A cell of several keys is sorted in the batch's buffer, behind the batch: at most
            // half a batch of it.
            if (count[first] > (shift > 0 ? limit_ / 2 : limit_)) {
                if (shift > 0)
                    Range(lo + (first << shift), 0);
                else
                    HeavyValue(lo + first, count[first]);
                ++first;
                continue;
            }
            std::size_t total = 0, largest = 0;  // largest: the room a cell's sort needs
            std::uint32_t last = first;
            for (; last < kCells; ++last) {
                const std::size_t wider = shift > 0 ? std::max<std::size_t>(largest, count[last]) : 0;
                if (total + count[last] + wider > limit_) break;
                total += count[last];
                largest = wider;
            }
            Batch(lo, shift, first, last, count.data(), total);
            first = last;
        }
    }

    // Collects the entries of cells [first, last) cell by cell (positions rising within a cell),
    // sorts each cell of several keys (in the room behind them), and walks them.
    void Batch(std::uint32_t lo, int shift, std::uint32_t first, std::uint32_t last, const std::uint32_t* count,
               std::size_t total) {
        const std::uint32_t base = lo + (first << shift);
        const std::uint64_t top = static_cast<std::uint64_t>(lo) + (static_cast<std::uint64_t>(last) << shift) - 1;
        const std::uint32_t keyFirst = std::max(base, kLowestKey);
        const std::uint32_t keyLast = static_cast<std::uint32_t>(std::min<std::uint64_t>(top, kHighestKey));
        cellEnd_.resize(last - first);
        std::size_t at = 0;
        for (std::uint32_t c = first; c < last; ++c) {
            cellEnd_[c - first] = static_cast<std::uint32_t>(at);  // the cell's next free entry
            at += count[c];
        }
        if (buf_.empty())  // once, at the size no batch exceeds (growing would briefly hold two)
            buf_.resize(std::min(limit_, 2 * static_cast<std::size_t>(n_)));
        Entry* out = buf_.data();
        // Chunks of the block: first the positions inside the batch without a branch, then their
        // entries into their cells.
        constexpr int kChunk = 2048;
        std::uint32_t inside[kChunk];
        for (int start = 0; start < n_; start += kChunk) {
            const int len = std::min(kChunk, n_ - start);
            const float* a = a_ + start;
            const int k = KeysInRange(a, len, keyFirst, keyLast, inside);
            for (int j = 0; j < k; ++j) {
                const std::uint32_t key = OrderKey(a[inside[j]]);
                out[cellEnd_[(key - base) >> shift]++] = Entry{key} << 32 | (static_cast<std::uint32_t>(start) + inside[j]);
            }
        }
        if (shift > 0) {
            std::size_t begin = 0;
            for (const std::uint32_t end : cellEnd_) {
                if (end - begin > 1) SortCell(out + begin, end - begin, out + total);
                begin = end;
            }
        }
        for (std::size_t s = 0; s < total && !stopped_;) {
            const std::uint32_t key = KeyOf(out[s]);
            std::size_t e = s + 1;
            while (e < total && KeyOf(out[e]) == key) ++e;
            const std::int64_t size = static_cast<std::int64_t>(e - s);
            Walk(Group{key, size, PairCount(out + s, e - s, n_), Where::kBatch, s});
            s = e;
        }
        if (!stopped_) EndBatch();
    }

    // Sorts the entries of one cell by key, the positions of a key staying in their rising order;
    // `spare` has room for m entries.
    static void SortCell(Entry* p, std::size_t m, Entry* spare) {
        if (m <= 64) {
            std::sort(p, p + m);  // entries are distinct: the positions of a key stay in order
            return;
        }
        // Within a cell the keys differ in their low 16 bits only: two stable passes by byte.
        std::uint32_t counts[2][256] = {};
        for (std::size_t j = 0; j < m; ++j) {
            ++counts[0][(p[j] >> 32) & 0xFF];
            ++counts[1][(p[j] >> 40) & 0xFF];
        }
        Entry* src = p;
        Entry* dst = spare;
        for (int pass = 0; pass < 2; ++pass) {
            const int shift = 32 + 8 * pass;
            std::uint32_t* c = counts[pass];
            if (c[(src[0] >> shift) & 0xFF] == m) continue;  // one byte value throughout
            std::uint32_t sum = 0;
            for (int b = 0; b < 256; ++b) {
                const std::uint32_t v = c[b];
                c[b] = sum;
                sum += v;
            }
            for (std::size_t j = 0; j < m; ++j) dst[c[(src[j] >> shift) & 0xFF]++] = src[j];
            std::swap(src, dst);
        }
        if (src != p) std::copy(src, src + m, p);
    }

    // A value shared by more positions than a batch holds: its pairs are counted without its
    // positions.
    void HeavyValue(std::uint32_t key, std::uint32_t count) {
        const std::int64_t ownPairs = StreamedPairCount(a_, n_, key, key, count);
        Walk(Group{key, count, ownPairs, Where::kStreamed, 0});
        if (!stopped_) EndBatch();
    }

    // The next value in order: its own pairs, and for each divisor whether its quotient joins
    // the previous value's.
    void Walk(const Group& g) {
        pairs_ += g.ownPairs;
        if (live_ != 0) {
            const Lanes q = Divide(KeyValue(g.key), divisors_);
            const unsigned joined = havePrev_ ? EqualLanes(q, prevQuotients_) & live_ : 0;
            for (unsigned d = joined | open_; d != 0; d &= d - 1) {
                const int lane = std::countr_zero(d);
                if (joined >> lane & 1u)
                    Join(lane, g);
                else
                    Close(lane);
            }
            prevQuotients_ = q;
        }
        prev_ = g;
        havePrev_ = true;
    }

    void Join(int d, const Group& g) {
        OpenRun& r = runs_[d];
        if (!(open_ >> d & 1u)) {
            open_ |= 1u << d;
            r = OpenRun{prev_.key, prev_.key, prev_.size, prev_.ownPairs, prev_.where, 0, 0, 0};
            if (prev_.where == Where::kBatch) {
                r.batchStart = prev_.start;
                r.batchEnd = prev_.start + static_cast<std::size_t>(prev_.size);
            } else if (prev_.where == Where::kHeld) {
                r.heldStart = prev_.start;
            }
        }
        r.lastKey = g.key;
        r.size += g.size;
        r.ownPairs += g.ownPairs;
        if (g.where == Where::kStreamed || static_cast<std::size_t>(r.size) > gatherLimit_)
            r.where = Where::kStreamed;
        else if (r.where != Where::kStreamed)
            r.batchEnd = g.start + static_cast<std::size_t>(g.size);
    }

    void Close(int d) {
        open_ &= ~(1u << d);
        const OpenRun& r = runs_[d];
        if (r.where == Where::kStreamed) {
            streamed_[d].push_back(Streamed{r.firstKey, r.lastKey, r.size, r.ownPairs});
            return;
        }
        // The positions of the run's values, each value's rising, merged into one rising list.
        gathered_.clear();
        if (r.where == Where::kHeld)
            gathered_.insert(gathered_.end(), held_.begin() + static_cast<std::ptrdiff_t>(r.heldStart), held_.end());
        const std::size_t from = r.where == Where::kHeld ? 0 : r.batchStart;
        for (std::size_t j = from; j < r.batchEnd; ++j) gathered_.push_back(static_cast<std::uint32_t>(buf_[j]));
        std::sort(gathered_.begin(), gathered_.end());
        AddExtra(d, PairCount(gathered_.data(), gathered_.size(), n_) - r.ownPairs);
    }

    void AddExtra(int d, std::int64_t pairs) {
        extra_[d] += pairs;
        if (earlyOut_ && extra_[d] >= (static_cast<std::int64_t>(n_) + 99) / 100) {
            live_ &= ~(1u << d);
            open_ &= ~(1u << d);
            streamed_[d].clear();
            if (live_ == 0) stopped_ = true;
        }
    }

    // The batch is over: the last value and the runs it ends may join the next batch's first
    // value, so their positions are kept while few enough, else counted by key range later (as
    // is a run that already spans a whole batch).
    void EndBatch() {
        // A streamed last value has every open run streamed with it; without divisors nothing joins.
        if (prev_.where != Where::kBatch || live_ == 0) return;
        const std::size_t end = prev_.start + static_cast<std::size_t>(prev_.size);
        std::size_t from = prev_.start;  // open runs all end with the last value
        for (unsigned o = open_; o != 0; o &= o - 1) {
            OpenRun& r = runs_[std::countr_zero(o)];
            if (r.where == Where::kHeld)
                r.where = Where::kStreamed;
            else if (r.where == Where::kBatch)
                from = std::min(from, r.batchStart);
        }
        const bool keep = end - from <= holdLimit_;
        if (keep) {
            held_.clear();
            for (std::size_t j = from; j < end; ++j) held_.push_back(static_cast<std::uint32_t>(buf_[j]));
        }
        for (unsigned o = open_; o != 0; o &= o - 1) {
            OpenRun& r = runs_[std::countr_zero(o)];
            if (r.where != Where::kBatch) continue;
            r.where = keep ? Where::kHeld : Where::kStreamed;
            r.heldStart = r.batchStart - from;
            r.batchEnd = 0;
        }
        prev_.where = keep ? Where::kHeld : Where::kStreamed;
        prev_.start -= from;
    }

    const float* a_;
    int n_;
    std::size_t limit_;
    std::size_t holdLimit_;    // the most positions kept over a batch end
    std::size_t gatherLimit_;  // the most positions of a run counted from its positions
    Lanes divisors_;
    unsigned live_ = 0;  // divisors still measured, one bit each
    bool earlyOut_;
    bool stopped_ = false;

    std::int64_t pairs_ = 0;              // the values' own pairs
    std::int64_t extra_[kLanes] = {};     // per divisor, the pairs its joins add
    std::vector<Streamed> streamed_[kLanes];
    OpenRun runs_[kLanes];
    unsigned open_ = 0;  // divisors with an open run
    Group prev_{};
    bool havePrev_ = false;
    Lanes prevQuotients_{};

    std::vector<Entry> buf_;
    std::vector<std::uint32_t> cellEnd_;
    std::vector<std::uint32_t> gathered_;  // the positions of a run
    std::vector<std::uint32_t> held_;
};

constexpr float kSmallFactors[] = {0.000001f, 0.00001f, 0.0001f, 0.001f, 0.01f, 0.1f};

}  // namespace

std::vector<std::int64_t> RepeatMeasures(const float* a, int n, std::span<const float> divisors,
                                         std::size_t batchPositions) {
    std::vector<float> lanes;  // the divisors other than 0, each a lane of the walk
    for (float d : divisors)
        if (d != 0.0f) lanes.push_back(d);
    if (lanes.size() > static_cast<std::size_t>(kLanes)) throw std::invalid_argument("RepeatMeasures: more than 8 divisors");
    Search search(a, n, batchPositions, lanes, false);
    search.Run();
    std::vector<std::int64_t> measures;
    int lane = 0;
    for (float d : divisors) measures.push_back(d != 0.0f ? search.QuotientMeasure(lane++) : search.ValueMeasure());
    return measures;
}

std::int64_t RepeatMeasure(const float* a, int n, float divisor, std::size_t batchPositions) {
    return RepeatMeasures(a, n, std::span<const float>(&divisor, 1), batchPositions)[0];
}

float ChooseYFactor(const float* values, int n, std::size_t batchPositions) {
    int chosen = 6;  // index into the powers 1e-6 .. 1e-1, then 6 = 1e0, 7 = 1e1, ...
    Search search(values, n, batchPositions, kSmallFactors, true);
    search.Run();
    if (!search.AllGivenUp()) {
        const std::int64_t reference = search.ValueMeasure();
        for (int k = 0; k < 6; ++k) {
            if (!search.GivenUp(k) && search.QuotientMeasure(k) == reference) {
                chosen = k;
                break;
            }
        }
    }
    // An integer form must exist for every finite quotient: raise the factor by powers of ten until
    // it does (a float tops out near 3.4e38, so 1e38 always fits). Division by a positive factor
    // keeps the order, so the smallest and the largest finite value decide for all.
    float lowest = 0.0f, highest = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float v = std::isfinite(values[i]) ? values[i] : 0.0f;
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    for (int k = chosen;; ++k) {
        const float f = k < 6 ? kSmallFactors[k] : std::pow(10.0f, static_cast<float>(k - 6));
        if ((lowest / f >= -2147483648.0f && highest / f < 2147483648.0f) || k - 6 >= 38) return f;
    }
}

}  // namespace kyn::jcamp

#include "formats/export/ExportText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

namespace kyn {

ChunkWriter::ChunkWriter(std::ostream& os, NumberStyle style, std::size_t capacity)
    : os_(os), style_(style), buffer_(capacity < 1024 ? 1024 : capacity) {
    pos_ = buffer_.data();
    end_ = buffer_.data() + buffer_.size();
}

ChunkWriter::~ChunkWriter() {
    // Whatever was formatted reaches the stream; a writer that failed half-way has already
    // thrown, and the caller discards the output.
    Drain();
}

void ChunkWriter::Drain() {
    const std::streamsize n = pos_ - buffer_.data();
    if (n > 0) os_.write(buffer_.data(), n);
    pos_ = buffer_.data();
}

void ChunkWriter::Flush() {
    Drain();
    os_.flush();
}

ChunkWriter& ChunkWriter::Put(std::string_view text) {
    while (!text.empty()) {
        if (pos_ == end_) Drain();
        const std::size_t room = static_cast<std::size_t>(end_ - pos_);
        const std::size_t n = text.size() < room ? text.size() : room;
        std::memcpy(pos_, text.data(), n);
        pos_ += n;
        text.remove_prefix(n);
    }
    return *this;
}

ChunkWriter& ChunkWriter::Integer(long long v) {
    Reserve(kNumberRoom);
    // TEMPORARY until the shared number formatter lands.
    pos_ = std::to_chars(pos_, end_, v).ptr;
    return *this;
}

ChunkWriter& ChunkWriter::Fixed(double v, int decimals) {
    Reserve(kNumberRoom + 320);
    pos_ = std::to_chars(pos_, end_, v, std::chars_format::fixed, decimals).ptr;
    return *this;
}

char* ChunkWriter::FormatNumber(char* out, double v) const {
    // TEMPORARY until the shared number formatter lands.
    char buf[64];
    std::snprintf(buf, sizeof buf, style_ == NumberStyle::kGeneralUpper ? "%G" : "%g", v);
    char* e = std::strpbrk(buf, "eE");
    if (e) {
        const int exp = std::atoi(e + 1);
        std::snprintf(e + 1, sizeof buf - static_cast<std::size_t>(e + 1 - buf), "%c%03d", exp < 0 ? '-' : '+',
                      exp < 0 ? -exp : exp);
    }
    if (style_ == NumberStyle::kGeneralGerman) {
        // Decimal comma, and "." between groups of three integer digits of the mantissa.
        std::string t(buf), g;
        std::size_t i = (t[0] == '-') ? 1 : 0;
        std::size_t digitsEnd = i;
        while (digitsEnd < t.size() && t[digitsEnd] >= '0' && t[digitsEnd] <= '9') ++digitsEnd;
        g.append(t, 0, i);
        for (std::size_t k = i; k < digitsEnd; ++k) {
            if (k > i && (digitsEnd - k) % 3 == 0) g += '.';
            g += t[k];
        }
        for (std::size_t k = digitsEnd; k < t.size(); ++k) g += t[k] == '.' ? ',' : t[k];
        std::memcpy(out, g.data(), g.size());
        return out + g.size();
    }
    const std::size_t n = std::strlen(buf);
    std::memcpy(out, buf, n);
    return out + n;
}

DimensionOrder SortDimensionsBySize(const DataStore& ds) {
    const int n = ds.dimensions.Count();
    DimensionOrder o;
    o.size.resize(static_cast<std::size_t>(n));
    o.index.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        o.size[static_cast<std::size_t>(i)] = ds.dimensions.At(i).Steps();
        o.index[static_cast<std::size_t>(i)] = i;
    }
    for (int b = n - 1; b >= 1; --b)
        for (int i = 0; i < b; ++i)
            if (o.size[static_cast<std::size_t>(i) + 1] > o.size[static_cast<std::size_t>(i)]) {
                std::swap(o.size[static_cast<std::size_t>(i)], o.size[static_cast<std::size_t>(i) + 1]);
                std::swap(o.index[static_cast<std::size_t>(i)], o.index[static_cast<std::size_t>(i) + 1]);
            }
    return o;
}

int RegularCount(const DataStore& ds, int d) {
    const Dimension& dim = ds.dimensions[d];
    const auto& ranges = ds.viewState.ranges;
    const double m = (d < static_cast<int>(ranges.size()) && d < ds.viewState.dimensionCount)
                         ? ranges[static_cast<std::size_t>(d)].first
                         : dim.Range().first;
    // The tolerance scales with the value's magnitude: scaled by the signed value it would shrink
    // below m for an all-negative axis and drop the maximum itself.
    constexpr double kEpsilon = 1.1920928955078125e-7;
    int count = 0;
    for (int i = 0; i < dim.Steps(); ++i) {
        const double x = dim.values.At(i);
        if (x <= m + kEpsilon * std::fabs(x)) ++count;
    }
    return count;
}

}  // namespace kyn

#include "formats/export/ExportText.h"

#include <cmath>
#include <cstring>

#include "util/NumberFormat.h"

namespace kyn {

void NoteKept(LossNotes* losses, std::int64_t kept, std::int64_t total, const std::string& why) {
    if (!losses || kept >= total) return;
    losses->push_back("wrote " + std::to_string(kept) + " of " + std::to_string(total) + " values: " + why);
}

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
    pos_ = style_ == NumberStyle::kGeneralGerman ? FormatIntGerman(pos_, v) : FormatInt(pos_, v);
    return *this;
}

ChunkWriter& ChunkWriter::Fixed(double v, int decimals) {
    Reserve(kMaxFixedChars);
    pos_ = FormatFixed(pos_, v, decimals);
    return *this;
}

char* ChunkWriter::FormatNumber(char* out, double v) const {
    switch (style_) {
        case NumberStyle::kGeneralUpper:
            return FormatGUpper(out, v);
        case NumberStyle::kGeneralGerman:
            return FormatGGerman(out, v);
        default:
            return FormatG(out, v);
    }
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

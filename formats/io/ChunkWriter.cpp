#include "formats/io/ChunkWriter.h"

#include "util/TextStream.h"

#include <cstring>

#include "util/NumberFormat.h"

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

bool ChunkWriter::TranslatesLineEnds() const { return dynamic_cast<TextOutBuf*>(os_.rdbuf()) != nullptr; }

void ChunkWriter::PutTranslated(std::string_view text) {
    Drain();
    auto* translating = dynamic_cast<TextOutBuf*>(os_.rdbuf());
    if (!translating || !translating->WriteTranslated(text.data(), static_cast<std::streamsize>(text.size())))
        os_.setstate(std::ios_base::badbit);
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

}  // namespace kyn

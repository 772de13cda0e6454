#include "formats/BinaryBlocks.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <vector>

#include "formats/io/BinaryIO.h"

namespace kyn::native {

namespace {

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

void SwapFloats(float* v, std::size_t n) {
    if constexpr (!kLittleEndian) {
        for (std::size_t i = 0; i < n; ++i) v[i] = std::bit_cast<float>(ToLittle(std::bit_cast<std::uint32_t>(v[i])));
    } else {
        (void)v;
        (void)n;
    }
}

// Writes n floats as little-endian float32 in large pieces, feeding them to crc.
void WriteFloats(std::ostream& os, const float* v, std::size_t n, Crc32* crc) {
    if constexpr (kLittleEndian) {
        os.write(reinterpret_cast<const char*>(v), static_cast<std::streamsize>(n * 4));
        if (crc) crc->Add(v, n * 4);
    } else {
        std::vector<float> piece;
        for (std::size_t done = 0; done < n && os.good();) {
            const std::size_t m = std::min<std::size_t>(n - done, 1 << 14);
            piece.assign(v + done, v + done + m);
            SwapFloats(piece.data(), m);
            os.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(m * 4));
            if (crc) crc->Add(piece.data(), m * 4);
            done += m;
        }
    }
}

}  // namespace

void CheckValueCount(const DataStore& ds, std::int64_t bytesLeft, int minBytesPerValue) {
    const std::int64_t n = ds.ValueCount();
    if (n < 0) Fail(msg::kFileCorrupt);
    if (bytesLeft < 0) {
        if (n * 4 > static_cast<std::int64_t>(kMaxDataBytes)) Fail(msg::kFileCorrupt);
        return;
    }
    const std::int64_t present = bytesLeft / std::max(1, minBytesPerValue);
    if (n > present && (n - present) * 4 > kMaxMissingBytes) Fail(msg::kFileCorrupt);
}

bool ReadDimensionRecord(std::istream& is, Dimension& dimension, Crc32* crc, bool strictCount) {
    std::string name;
    std::streambuf* sb = is.rdbuf();
    for (;;) {
        const int c = sb ? sb->sbumpc() : std::char_traits<char>::eof();
        if (c == std::char_traits<char>::eof()) {
            is.setstate(std::ios_base::eofbit | std::ios_base::failbit);
            return false;
        }
        if (c == 0) break;
        name.push_back(static_cast<char>(c));
    }
    dimension.name = std::move(name);
    const std::int32_t n = ReadI32(is);
    if (n < 0 || !CountFits(is, n, 4)) Fail(msg::kFileCorrupt);
    if (strictCount && (n < 1 || static_cast<std::uint32_t>(n) > kMaxDataBytes)) Fail(msg::kFileCorrupt);
    dimension.values.Resize(n);
    if (n > 0) {
        float* v = dimension.values.Data();
        is.read(reinterpret_cast<char*>(v), static_cast<std::streamsize>(n) * 4);
        SwapFloats(v, static_cast<std::size_t>(n));
        if (crc) crc->Add(v, static_cast<std::size_t>(is.gcount()));
    }
    return true;
}

void WriteDimensionRecord(std::ostream& os, const Dimension& dimension, Crc32* crc) {
    WriteText(os, dimension.name);
    const int n = dimension.values.Count();
    WriteI32(os, n);
    if (n == 0) return;
    if (dimension.values.Stride() == 1) {
        WriteFloats(os, dimension.values.Data(), static_cast<std::size_t>(n), crc);
        return;
    }
    for (int i = 0; i < n && os.good(); ++i) {
        const float v = dimension.values.At(i);
        WriteF32(os, v);
        if (crc) crc->AddF32(v);
    }
}

void ReadValueBlock(std::istream& is, DataStore& ds, std::uint32_t byteCount, Crc32* crc) {
    const std::int64_t values = std::max<std::int64_t>(ds.ValueCount(), 0);
    if (static_cast<std::int64_t>(byteCount / 4) < values || ds.data.Count() < values) Fail(msg::kDPointerIndex);
    const std::int64_t blockBytes = values * 4;
    if (blockBytes > 0) {
        float* v = ds.data.Data();
        is.read(reinterpret_cast<char*>(v), static_cast<std::streamsize>(blockBytes));
        const std::int64_t got = is.gcount();
        // A file that ends inside its values is cut off: refused, never padded with zeros.
        if (got < blockBytes) Fail(msg::EndsEarly(got / 4, values));
        SwapFloats(v, static_cast<std::size_t>(values));
        if (crc) crc->Add(v, static_cast<std::size_t>(got));
    }
    // Surplus bytes: read past them (the checksum covers them too), never into the block.
    std::int64_t surplus = static_cast<std::int64_t>(byteCount) - blockBytes;
    std::vector<char> scratch;
    while (surplus > 0 && is.good()) {
        scratch.resize(static_cast<std::size_t>(std::min<std::int64_t>(surplus, 1 << 16)));
        is.read(scratch.data(), static_cast<std::streamsize>(scratch.size()));
        if (crc) crc->Add(scratch.data(), static_cast<std::size_t>(is.gcount()));
        surplus -= is.gcount();
    }
}

void WriteValueBlock(std::ostream& os, const DataStore& ds, Crc32* crc) {
    const std::int64_t values = ds.ValueCount();
    if (values < 0 || values * 4 > INT_MAX) {
        os.setstate(std::ios_base::failbit);
        return;
    }
    const auto byteCount = static_cast<std::int32_t>(values * 4);
    WriteI32(os, byteCount);
    if (crc) crc->AddI32(byteCount);
    const std::int64_t present = std::min<std::int64_t>(values, ds.data.Count());
    if (present > 0) WriteFloats(os, ds.data.Data(), static_cast<std::size_t>(present), crc);
    if (present < values) {
        const std::vector<float> zeros(static_cast<std::size_t>(std::min<std::int64_t>(values - present, 1 << 14)), 0.0f);
        for (std::int64_t left = values - present; left > 0 && os.good();) {
            const std::int64_t m = std::min<std::int64_t>(left, static_cast<std::int64_t>(zeros.size()));
            WriteFloats(os, zeros.data(), static_cast<std::size_t>(m), crc);
            left -= m;
        }
    }
}

void ComputeRangeIfAny(DataStore& ds) {
    if (ds.ValueCount() > 0 && ds.data.Count() > 0) ds.ComputeDataRange();
}

void RequireValues(const DataStore& ds, const char* format, std::int64_t maxValues) {
    const std::int64_t n = ds.ValueCount();
    if (ds.properties.Count() < 1) CannotHold(format, "a DataStore without properties");
    for (int k = 0; k < ds.dimensions.Count(); ++k)
        if (ds.dimensions.At(k).Steps() < 1)
            CannotHold(format, "the dimension '" + ds.dimensions.At(k).name + "', which has no steps");
    if (n < 0 || n > maxValues) CannotHold(format, "more than " + std::to_string(maxValues) + " values");
    if (ds.data.Count() < n) Fail(msg::kDPointerIndex);
}

void RequireNoNul(std::string_view text, const char* format, const char* what) {
    if (text.find('\0') != std::string_view::npos) CannotHold(format, std::string(what) + " holding a NUL character");
}

void StepBack4(std::istream& is) { is.seekg(-4, std::ios_base::cur); }

}  // namespace kyn::native

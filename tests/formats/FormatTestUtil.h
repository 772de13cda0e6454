// Helpers of the format tests: bytes as a text writer puts them on disk, hand-built byte
// sequences, the CRC from its definition, and text read back through the text-mode buffer. (The
// stores themselves come from Stores.h.)
#pragma once

#include <gtest/gtest.h>

#include "Stores.h"
#include "TestSupport.h"

#include <cstdint>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace kyn::test {

// The bytes a text writer puts on disk (CR LF line ends).
inline std::string OnDisk(const std::function<void(std::ostream&)>& write) {
    std::stringbuf sink;
    {
        TextOutBuf text(&sink);
        std::ostream os(&text);
        write(os);
        os.flush();
    }
    return sink.str();
}

// Little-endian bytes spelled out field by field.
class Bytes {
public:
    Bytes& Raw(const std::string& s) {
        data_ += s;
        return *this;
    }
    Bytes& Text(const std::string& s) {  // the characters and one NUL
        data_ += s;
        data_.push_back('\0');
        return *this;
    }
    Bytes& U8(std::uint8_t v) {
        data_.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) data_.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
        return *this;
    }
    Bytes& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
    const std::string& str() const { return data_; }
    std::size_t size() const { return data_.size(); }

private:
    std::string data_;
};

// CRC-32 straight from its definition, one bit at a time: polynomial 0x04C11DB7, most significant
// bit first, register from 0, no final exclusive-or.
inline std::uint32_t BitwiseCrc(const std::string& bytes) {
    std::uint32_t r = 0;
    for (unsigned char b : bytes) {
        r ^= static_cast<std::uint32_t>(b) << 24;
        for (int i = 0; i < 8; ++i) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
    }
    return r;
}

// The tiny measurement of the native formats' golden files: one property over Time (0, 1.5) x
// Wavelength (250), values 0.25 and -3, one raw history text.
inline DataStore Tiny() {
    return MakeStore("T", {"r1"}, {"Absorbance"}, {Dim("Time", {0.0f, 1.5f}), Dim("Wavelength", {250.0f})},
                     {0.25f, -3.0f}, {RawEntry("h1\r\n")});
}

// A layout written with "\n" turned into what the disk holds.
inline std::string Crlf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// The stamped time of "Last Modified: ... by " replaced by "*".
inline std::string MaskStamp(const std::string& s) {
    return std::regex_replace(s, std::regex("Last Modified: .{24} by "), "Last Modified: * by ");
}

// Reading from bytes through the text-mode buffer.
struct TextInput {
    explicit TextInput(const std::string& bytes) : raw(bytes), text(&raw), is(&text) {}
    std::stringbuf raw;
    TextInBuf text;
    std::istream is;
};

}  // namespace kyn::test

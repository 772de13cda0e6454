// Helpers of the format tests: hand-built byte sequences, the CRC from its definition and small
// DataStores built in memory.
#pragma once

#include <gtest/gtest.h>

#include "TestSupport.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
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

inline HistoryEntry RawEntry(const std::string& text) {
    HistoryEntry e;
    e.isRawText = true;
    e.title = "Old Comment";
    e.text = text;
    e.user = "tester";
    e.timeStamp = {113, 10, 14, 10, 5, 0, 0, 4, 317};
    return e;
}

inline Dimension Dim(const std::string& name, std::initializer_list<float> values) {
    Dimension d(name, static_cast<int>(values.size()));
    int i = 0;
    for (float v : values) d.values.At(i++) = v;
    return d;
}

// A DataStore with the given structure, initialised, holding `values` and the given history.
inline DataStore MakeStore(const std::string& title, std::vector<std::string> remarks,
                           std::vector<std::string> properties, std::vector<Dimension> dims,
                           std::vector<float> values, std::vector<HistoryEntry> history) {
    DataStore ds;
    ds.title = title;
    ds.remarks.Resize(static_cast<int>(remarks.size()));
    for (int i = 0; i < ds.remarks.Count(); ++i) ds.remarks.At(i) = remarks[static_cast<std::size_t>(i)];
    ds.properties.Resize(static_cast<int>(properties.size()));
    for (int i = 0; i < ds.properties.Count(); ++i) ds.properties.At(i) = properties[static_cast<std::size_t>(i)];
    ds.dimensions.Resize(static_cast<int>(dims.size()));
    for (int i = 0; i < ds.dimensions.Count(); ++i) ds.dimensions.At(i) = dims[static_cast<std::size_t>(i)];
    ds.Initialize();
    for (std::size_t i = 0; i < values.size(); ++i) ds.data[static_cast<std::int64_t>(i)] = values[i];
    ds.history = std::move(history);
    return ds;
}

inline std::vector<std::string> Lines(const Array<std::string>& a) {
    std::vector<std::string> v;
    for (int i = 0; i < a.Count(); ++i) v.push_back(a.At(i));
    return v;
}

inline std::vector<float> Values(const Array<float>& a) {
    std::vector<float> v;
    for (int i = 0; i < a.Count(); ++i) v.push_back(a.At(i));
    return v;
}

inline std::vector<float> Values(const DPointer& d) { return std::vector<float>(d.Data(), d.Data() + d.Count()); }

}  // namespace kyn::test

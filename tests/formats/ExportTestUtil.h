// Helpers of the export tests: small DataStores built in memory, and writing through the
// text-mode buffer so that the bytes are those that reach the disk.
#pragma once

#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/FormatTestUtil.h"
#include "util/TextStream.h"

namespace kyntest {

using kyn::test::Dim;

// Properties and dimensions set, initialised, history emptied; value i of the block is f(i).
inline kyn::DataStore Store(std::vector<std::string> properties, std::vector<kyn::Dimension> dimensions,
                            const std::function<float(int)>& f = [](int i) { return static_cast<float>(i); }) {
    kyn::DataStore ds("", static_cast<int>(properties.size()), static_cast<int>(dimensions.size()));
    for (std::size_t p = 0; p < properties.size(); ++p) ds.properties[static_cast<int>(p)] = properties[p];
    for (std::size_t d = 0; d < dimensions.size(); ++d) ds.dimensions[static_cast<int>(d)] = dimensions[d];
    ds.Initialize();
    ds.history.clear();
    for (int i = 0; i < ds.data.Count(); ++i) ds.data[i] = f(i);
    return ds;
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
    kyn::TextInBuf text;
    std::istream is;
};

using kyn::test::MessageOf;
using kyn::test::OnDisk;

}  // namespace kyntest

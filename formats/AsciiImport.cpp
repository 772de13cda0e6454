// Generic "ASCII" import: a two-column text file from any source.
//
//   ASCII                 first line, exactly
//   <N>                   number of points, decimal
//   <x> <y>  x N          N pairs of numbers separated by any white space (one pair a line in
//                         practice); anything after the N pairs is ignored
//
// Result: title "ASCII Import Data", one dimension "X Data" holding the x values, one property
// "Y Data" holding the y values.
//
// A wrong first line, an unreadable N, an N of 0 or less, or a pair that is no pair of numbers
// refuse the file quietly (the stream is left failed and nothing is allocated from N alone).
// Pairs that stop at the end of the file are a cut-off file: refused with "The file is corrupt."
// and how many of the N values were there. A complete file loads whether or not its last line
// ends in a line end.
#include <algorithm>
#include <cstring>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/io/TextCursor.h"
#include "formats/Registry.h"

namespace kyn {

std::istream& DataStore::ReadAsciiImport(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    is.clear();
    TextCursor c(is);

    std::string line;
    c.GetLine(line);
    if (line != "ASCII") {
        c.SetFail();
        c.Finish();
        return is;
    }
    int count = 0;
    c.ReadInt(count);
    if (c.fail()) {
        c.Finish();
        return is;
    }
    title = "ASCII Import Data";
    if (count <= 0) {
        c.SetFail();
        c.Finish();
        return is;
    }

    // A pair takes at least four characters ("x y" and a separator); reserve no more than the
    // rest of the file can hold.
    std::vector<float> xs, ys;
    const std::int64_t left = c.Remaining();
    const std::int64_t expected = left < 0 ? 0 : std::min<std::int64_t>(count, left / 4 + 1);
    xs.reserve(static_cast<std::size_t>(expected));
    ys.reserve(static_cast<std::size_t>(expected));
    for (int i = 0; i < count; ++i) {
        float x = 0, y = 0;
        c.ReadFloat(x);
        c.ReadFloat(y);
        if (c.fail()) break;
        xs.push_back(x);
        ys.push_back(y);
    }
    if (static_cast<int>(xs.size()) < count) {
        const bool cutOff = c.eof();
        c.SetFail();
        c.Finish();
        if (cutOff) Fail(msg::EndsEarly(static_cast<long long>(ys.size()), count));
        return is;
    }

    dimensions.Resize(0);
    dimensions.Resize(1);
    Dimension& d = dimensions.At(0);
    d.name = "X Data";
    d.values.Resize(count);
    std::memcpy(d.values.Data(), xs.data(), xs.size() * sizeof(float));
    properties.Resize(0);
    properties.Resize(1);
    properties.At(0) = "Y Data";

    Initialize();
    if (data.Count() >= count) {
        std::memcpy(data.Data(), ys.data(), ys.size() * sizeof(float));
        ComputeDataRange();
    }
    // All N pairs are in: success, even when the last number ran into the end of the file.
    is.clear();
    return is;
}

constinit const FormatInfo kAsciiImportFormat = {
    .name = "ASCII",
    .fuzzKey = "ascii",
    .accepts = {FirstLines::Match::WholeLine, "ASCII", {}},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadAsciiImport,
    .write = nullptr,
    .mode = StreamMode::Text,
    .holds = {1, false, false, false},
    .target = {},
};

}  // namespace kyn

// VarnixStore ASCII (.dsa): the human-readable native file of a DataStore.
//
// Line oriented; written and read through the text-mode streams, so every line feed below (and
// every one inside a history text) is CR LF on disk. Layout as written:
//
//   VarnixStore                       magic ("VarnixStore 1.1" reads the same)
//   <title>
//   Remarks:
//   <R>                               remark count
//   <remark> x R                      one per line
//   0
//   Properties:
//   <P>
//   <property name> x P
//   Dimensions:
//   <n>
//   n dimension blocks:               <name>
//                                     <N>
//                                     <v1>,<v2>,...,<vN>      (only when N > 0)
//                                     <empty line>
//   <option line> x options           no header, no count; only when there are options
//   P data blocks                     absent in a header-only file
//   History:
//   <H>
//   H history text blocks, each followed by one NUL byte, not otherwise separated
//   0
//
// Data block of one property: rows of N1 values joined by ",". With one dimension the block is
// one row and a line end. With more, the writer descends from the last dimension to the second,
// writing a line feed before each entry of a level, and one row at the lowest level; a line end
// closes the block. So rows start on their own lines and groups of the third and higher
// dimensions are separated by empty lines. Values are floats printed as %g with six significant
// digits (exponent of at least three digits); NaN and infinity as nan, inf, -inf.
//
// Reading follows the stream rules of TextCursor: white space is skipped before every value, the
// comma must follow a value directly, and a file that simply ends early (inside the data or
// without a history) loads with the missing values left at 0. Older files have a single remark
// line in place of "Remarks:" and its count, and one history text without a count.
//
// Option lines are read back (this program's own extension): after the dimension blocks, lines
// that cannot start a number and are not "History:" are taken as options.
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/native/BinaryBlocks.h"
#include "formats/native/TextCursor.h"
#include "formats/native/TextOut.h"
#include "util/ProgressLog.h"

namespace kyn {

namespace {

constexpr const char* kMagic = "VarnixStore";
constexpr const char* kMagic11 = "VarnixStore 1.1";
constexpr int kMaxDimensions = 255;
constexpr int kMaxNewStyleHistory = 65535;  // above: an old-style file with one text, no count

[[noreturn]] void Corrupt(TextCursor& c) {
    c.Finish();
    Fail(msg::kFileCorrupt);
}

// n values of one row: each but the last followed directly by a comma; white space before each.
void ReadRow(TextCursor& c, float* out, int n) {
    for (int i = 0; i + 1 < n; ++i) {
        if (c.ReadFloatAndSeparator(out[i], ',')) continue;
        c.SkipWs();
        c.ReadFloat(out[i]);
        if (c.Get() != ',') {
            c.SetFail();
            return;
        }
    }
    c.SkipWs();
    c.ReadFloat(out[n - 1]);
    c.SkipWs();
}

// One dimension block: name line, count, the row of axis values.
void ReadDimensionBlock(TextCursor& c, Dimension& d) {
    c.GetLine(d.name);
    if (!d.name.empty() && d.name.back() == '\r') d.name.pop_back();
    int n = 0;
    c.ReadInt(n);
    c.SkipWs();
    // Without axis values there is no last value to read.
    if (n <= 0) Fail(msg::kArrayOutOfBounds);
    // Each value takes a character and a separator: a count the rest cannot hold is a broken file
    // (the row would run into the end), refused before anything is allocated for it.
    const std::int64_t left = c.Remaining();
    if (left >= 0 && n > (left + 1) / 2) Corrupt(c);
    d.values.Resize(n);
    ReadRow(c, d.values.Data(), n);
}

// Values of dimension level k (0 = rows) for one property, in storage order.
void ReadLevel(TextCursor& c, const Array<Dimension>& dims, int k, float*& out) {
    const int n = dims.At(k).Steps();
    if (k == 0) {
        if (!c.good()) return;
        ReadRow(c, out, n);
        out += n;
        return;
    }
    for (int i = 0; i < n && c.good(); ++i) ReadLevel(c, dims, k - 1, out);
}

bool StartsLikeNumber(std::string_view line) {
    if (line.empty()) return false;
    const char ch = line[0];
    if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.') return true;
    auto lower = [](char x) { return static_cast<char>(x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x); };
    if (line.size() < 3) return false;
    const std::string head{lower(line[0]), lower(line[1]), lower(line[2])};
    return head == "nan" || head == "inf";
}

// Option lines between the dimension blocks and the data (written by our writer).
void ReadOptionLines(TextCursor& c, Array<std::string>& options) {
    std::vector<std::string> read;
    while (c.good()) {
        bool terminated = false;
        const std::string_view line = c.PeekLine(terminated);
        if (line.empty() || StartsLikeNumber(line) || line == "History:") break;
        read.emplace_back();
        c.GetLine(read.back());
        c.SkipWs();
    }
    if (read.empty()) return;
    options.Resize(static_cast<int>(read.size()));
    for (int i = 0; i < options.Count(); ++i) options.At(i) = std::move(read[static_cast<std::size_t>(i)]);
}

void StoreLines(Array<std::string>& target, std::vector<std::string>& lines) {
    target.Resize(0);
    target.Resize(static_cast<int>(lines.size()));
    for (int i = 0; i < target.Count(); ++i) target.At(i) = std::move(lines[static_cast<std::size_t>(i)]);
}

}  // namespace

std::istream& DataStore::ReadVarnixStore(std::istream& is, bool headerOnly) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    TextCursor c(is);

    std::string line;
    c.GetLine(line);
    if (line != kMagic && line != kMagic11) {
        c.SetFail();
        Corrupt(c);
    }
    c.GetLine(title);

    // Remarks: "Remarks:" and a count, or (old style) one remark line followed by a number.
    c.GetLine(line);
    int count = 0;
    c.ReadInt(count);
    if (line == "Remarks:") {
        c.Get();  // the line end after the count
        std::vector<std::string> read;
        for (int i = 0; i < count && c.good(); ++i) {
            c.SkipWs();
            read.emplace_back();
            c.GetLine(read.back());
        }
        c.SkipWs();
        int unused = 0;
        c.ReadInt(unused);
        if (!c.good()) Corrupt(c);
        StoreLines(remarks, read);
    } else {
        remarks.Resize(1);
        remarks.At(0) = line;
    }

    // Properties.
    std::string header;
    c.SkipWs();
    c.GetLine(header);
    if (header != "Properties:") {
        c.SkipWs();
        c.GetLine(header);
        c.SetFail();
        Corrupt(c);
    }
    int propertyCount = 0;
    c.SkipWs();
    c.ReadInt(propertyCount);
    c.SkipWs();
    if (propertyCount < 1) Corrupt(c);
    {
        // Read as many names as are there; the count alone allocates nothing.
        std::vector<std::string> read;
        for (int i = 0; i < propertyCount && c.good(); ++i) {
            c.SkipWs();
            read.emplace_back();
            c.GetLine(read.back());
        }
        StoreLines(properties, read);
    }

    // Dimensions; a file without them is refused quietly (failed stream, no message).
    header.clear();
    c.SkipWs();
    c.GetLine(header);
    if (header != "Dimensions:") {
        c.SkipWs();
        c.GetLine(header);
        c.SetFail();
        c.Finish();
        return is;
    }
    int dimensionCount = 0;
    c.SkipWs();
    c.ReadInt(dimensionCount);
    c.SkipWs();
    if (dimensionCount < 1 || dimensionCount > kMaxDimensions) Corrupt(c);
    dimensions.Resize(dimensionCount);
    for (int k = 0; k < dimensionCount && c.good(); ++k) {
        c.SkipWs();
        ReadDimensionBlock(c, dimensions.At(k));
    }
    if (c.fail()) Corrupt(c);

    ReadOptionLines(c, options);
    if (headerOnly) {
        // A header that simply ends with the file is complete.
        if (!c.fail()) c.Clear();
        c.Finish();
        return is;
    }

    // Values: at least two characters each ("v," or "v" and a line end).
    native::CheckValueCount(*this, c.Remaining(), 2);
    Initialize();
    if (data.Count() > 0) {
        float* out = data.Data();
        for (int p = 0; p < properties.Count(); ++p) ReadLevel(c, dimensions, dimensions.Count() - 1, out);
        ComputeDataRange();
    }

    // History: "History:", a count and the NUL-terminated texts.
    std::string historyHeader;
    int historyCount = 0;
    c.SkipWs();
    c.GetLine(historyHeader);
    c.ReadInt(historyCount);
    c.SkipWs();
    if (historyHeader == "History:") {
        std::vector<std::string> texts;
        try {
            if (historyCount <= kMaxNewStyleHistory) {
                ReportProgress("reading " + std::to_string(historyCount) + " comments\n");
                for (int i = 0; i < historyCount; ++i) texts.push_back(c.ReadTerminated());
            } else {
                // No count in old files: the four bytes of the number, lowest first, begin the
                // one text, which continues up to the next NUL.
                ReportProgress("reading old style comment.\n");
                std::string text;
                const auto u = static_cast<std::uint32_t>(historyCount);
                bool ended = false;
                for (int b = 0; b < 4 && !ended; ++b) {
                    const char ch = static_cast<char>((u >> (8 * b)) & 0xff);
                    if (ch == '\0')
                        ended = true;
                    else
                        text.push_back(ch);
                }
                if (!ended) text += c.ReadTerminated();
                texts.push_back(std::move(text));
            }
            AddOldComments(texts);
        } catch (const std::exception&) {
            // A broken history costs the history, not the file.
            c.Clear();
        }
        if (!c.good()) Corrupt(c);
    }

    // A file that simply ended early is accepted; anything else that stopped the reading is not.
    if (!c.good() && !c.eof()) Corrupt(c);
    c.Clear();
    is.clear();
    return is;
}

std::ostream& DataStore::WriteVarnixStore(std::ostream& os, bool headerOnly) {
    native::TextOut out(os);
    out.Line(kMagic);
    out.Line(title);
    out.Line("Remarks:");
    out.Int(remarks.Count()).NewLine();
    for (int i = 0; i < remarks.Count(); ++i) out.Line(remarks.At(i));
    out.Line("0");
    out.Line("Properties:");
    out.Int(properties.Count()).NewLine();
    for (int i = 0; i < properties.Count(); ++i) out.Line(properties.At(i));
    out.Line("Dimensions:");
    out.Int(dimensions.Count()).NewLine();
    for (int k = 0; k < dimensions.Count(); ++k) {
        const Dimension& d = dimensions.At(k);
        out.Line(d.name);
        out.Int(d.Steps()).NewLine();
        if (d.Steps() > 0) {
            for (int i = 0; i < d.Steps(); ++i) {
                if (i > 0) out.Char(',');
                out.Float(d.values.At(i));
            }
            out.NewLine();
        }
        out.NewLine();
    }
    for (int i = 0; i < options.Count(); ++i) out.Line(options.At(i));

    if (!headerOnly) {
        const std::int64_t total = std::max<std::int64_t>(ValueCount(), 0);
        const std::int64_t perProperty = properties.Count() > 0 ? total / properties.Count() : 0;
        const int n1 = dimensions.Count() > 0 ? dimensions.At(0).Steps() : 1;
        const float* v = data.Data();
        const std::int64_t present = data.Count();
        // One row of n1 values starting at index `at`; values missing from a short block are 0.
        auto row = [&](std::int64_t at) {
            for (int i = 0; i < n1; ++i) {
                if (i > 0) out.Char(',');
                const std::int64_t idx = at + i;
                out.Float(idx < present ? v[idx] : 0.0f);
            }
        };
        // Level k > 0: a line feed before each of its entries, then the entries of level k - 1.
        auto level = [&](auto&& self, int k, std::int64_t at) -> void {
            if (k == 0) {
                row(at);
                return;
            }
            std::int64_t stride = 1;
            for (int j = 0; j < k; ++j) stride *= dimensions.At(j).Steps();
            for (int i = 0; i < dimensions.At(k).Steps() && os.good(); ++i) {
                out.NewLine();
                self(self, k - 1, at + i * stride);
            }
        };
        if (perProperty > 0)
            for (int p = 0; p < properties.Count() && os.good(); ++p) {
                level(level, std::max(dimensions.Count() - 1, 0), p * perProperty);
                out.NewLine();
            }
    }

    const std::vector<std::string> blocks = GetHistoryText();
    out.Line("History:");
    out.Int(static_cast<std::int64_t>(blocks.size())).NewLine();
    for (const auto& b : blocks) {
        out.Text(b);
        out.Char('\0');
    }
    out.Line("0");
    out.Flush();
    os.flush();
    formatName = kMagic;
    saved = true;
    return os;
}

}  // namespace kyn

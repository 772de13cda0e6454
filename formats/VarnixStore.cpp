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
// Reading follows the stream rules of TextCursor: white space is skipped before every value and
// the comma must follow a value directly. A file that ends after its values without a history
// loads; one that ends inside the values is refused with how many of them it held. Older files
// have a single remark line in place of "Remarks:" and its count, and one history text without a
// count.
//
// Option lines are read back (this program's own extension): after the dimension blocks, lines
// that cannot start a number and are not "History:" are taken as options.
#include <algorithm>
#include <atomic>
#include <climits>
#include <future>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/BinaryBlocks.h"
#include "formats/io/TextCursor.h"
#include "formats/io/ChunkWriter.h"
#include "util/ProgressLog.h"
#include "formats/Registry.h"
#include "formats/VarnixStore.h"

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

// n values of one row: each but the last followed directly by a comma; white space before each,
// and (with `skipAfter`) after the last. Returns how many values were read.
int ReadRow(TextCursor& c, float* out, int n, bool skipAfter = true) {
    for (int i = 0; i + 1 < n; ++i) {
        if (c.ReadFloatAndSeparator(out[i], ',')) continue;
        c.SkipWs();
        c.ReadFloat(out[i]);
        if (c.fail()) return i;
        if (c.Get() != ',') {
            c.SetFail();
            return i + 1;
        }
    }
    c.SkipWs();
    c.ReadFloat(out[n - 1]);
    if (c.fail()) return n - 1;
    if (skipAfter) c.SkipWs();
    return n;
}

// Empty or nothing but white space: a text the white space skip before it would skip whole.
bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char ch) { return IsSpace(ch); });
}

// After a count: the white space up to the next text, or (exact) the rest of the count's line,
// so that an empty text on the next line is not skipped.
void ReadCountLineEnd(TextCursor& c, bool exact) {
    if (!exact) {
        c.SkipWs();
        return;
    }
    std::string rest;
    if (c.good()) c.GetLine(rest);
    if (!IsBlank(rest)) c.SetFail();
}

// The rest of one dimension block after its name: the count and the row of axis values. Read
// exactly, the block must end with the row's line end and one empty line (so that an empty name
// in the next block is not skipped).
void ReadDimensionBlock(TextCursor& c, Dimension& d, bool exact) {
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
    ReadRow(c, d.values.Data(), n, !exact);
    if (exact && c.good()) {
        std::string rest;
        c.GetLine(rest);
        if (!IsBlank(rest)) c.SetFail();
        if (c.good()) c.GetLine(rest);
        if (!IsBlank(rest)) c.SetFail();
    }
}

// Values of dimension level k (0 = rows) for one property, in storage order; adds the number of
// values read to `read`.
void ReadLevel(TextCursor& c, const Array<Dimension>& dims, int k, float*& out, std::int64_t& read) {
    const int n = dims.At(k).Steps();
    if (k == 0) {
        if (!c.good()) return;
        read += ReadRow(c, out, n);
        out += n;
        return;
    }
    for (int i = 0; i < n && c.good(); ++i) ReadLevel(c, dims, k - 1, out, read);
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

// What the line-by-line reading of a header found.
struct ExactReading {
    bool blank = false;            // a remark or name was empty or all white space
    bool newStyleRemarks = false;  // "Remarks:" and a count (not an old-style single remark line)
};

// How the header's texts are read. `exact` (line by line, as this program writes them) keeps
// an empty line as an empty text and notes what it found; otherwise white space and blank lines
// before each remark and name are skipped, as files of other programs need.
struct HeaderReading {
    TextCursor& c;
    ExactReading* exact;

    void Text(std::string& out) {
        if (!exact) c.SkipWs();
        c.GetLine(out);
        if (exact && IsBlank(out)) exact->blank = true;
    }
    // A section header line ("Properties:"): anything else is a broken file, after reading one
    // more line as a stream reader would; `quietly` leaves the stream failed without a message.
    bool Section(const char* name, bool quietly) {
        std::string header;
        c.SkipWs();
        c.GetLine(header);
        if (header == name) return true;
        c.SkipWs();
        c.GetLine(header);
        c.SetFail();
        if (!quietly) Corrupt(c);
        c.Finish();
        return false;
    }
    int Count() {
        int n = 0;
        c.SkipWs();
        c.ReadInt(n);
        ReadCountLineEnd(c, exact != nullptr);
        return n;
    }
};

// "Remarks:", a count, the remarks and a "0"; or (old style) one remark line and a number.
void ReadRemarks(HeaderReading& r, DataStore& ds) {
    TextCursor& c = r.c;
    std::string line;
    c.GetLine(line);
    int count = 0;
    c.ReadInt(count);
    if (line != "Remarks:") {
        ds.remarks.Resize(1);
        ds.remarks.At(0) = line;
        return;
    }
    if (r.exact) {
        r.exact->newStyleRemarks = true;
        ReadCountLineEnd(c, true);
    } else {
        c.Get();  // the line end after the count
    }
    std::vector<std::string> read;
    for (int i = 0; i < count && c.good(); ++i) r.Text(read.emplace_back());
    c.SkipWs();
    int unused = 0;
    c.ReadInt(unused);
    if (!c.good()) Corrupt(c);
    StoreLines(ds.remarks, read);
}

// Reads everything before the values: magic, title, remarks, properties, dimensions and option
// lines, with `exact` as HeaderReading says (the lines around the texts must then be exactly as
// written). Returns false with the stream failed when "Dimensions:" is missing (refused
// quietly); a broken header throws.
bool ReadHeader(DataStore& ds, TextCursor& c, ExactReading* exact) {
    HeaderReading r{c, exact};
    ds.options.Resize(0);
    std::string line;
    c.GetLine(line);
    if (line != kMagic && line != kMagic11) {
        c.SetFail();
        Corrupt(c);
    }
    c.GetLine(ds.title);
    ReadRemarks(r, ds);

    r.Section("Properties:", false);
    const int propertyCount = r.Count();
    if (propertyCount < 1) Corrupt(c);
    // As many names as are there: the count alone allocates nothing.
    std::vector<std::string> names;
    for (int i = 0; i < propertyCount && c.good(); ++i) r.Text(names.emplace_back());
    StoreLines(ds.properties, names);

    if (!r.Section("Dimensions:", true)) return false;
    const int dimensionCount = r.Count();
    if (dimensionCount < 1 || dimensionCount > kMaxDimensions) Corrupt(c);
    ds.dimensions.Resize(dimensionCount);
    for (int k = 0; k < dimensionCount && c.good(); ++k) {
        Dimension& d = ds.dimensions.At(k);
        r.Text(d.name);
        ReadDimensionBlock(c, d, exact != nullptr);
    }
    if (c.fail()) Corrupt(c);
    ReadOptionLines(c, ds.options);
    return true;
}

// What the skipping reading makes of texts that the line-by-line reading read whole.
void TrimLeadingBlanks(DataStore& ds, const ExactReading& exact) {
    const auto trim = [](std::string& t) {
        std::size_t k = 0;
        while (k < t.size() && IsSpace(t[k])) ++k;
        t.erase(0, k);
    };
    if (exact.newStyleRemarks)  // an old-style file's one remark is its whole line in both readings
        for (int i = 0; i < ds.remarks.Count(); ++i) trim(ds.remarks.At(i));
    for (int i = 0; i < ds.properties.Count(); ++i) trim(ds.properties.At(i));
    for (int k = 0; k < ds.dimensions.Count(); ++k) trim(ds.dimensions.At(k).name);
}

}  // namespace

namespace {

// The header, read first line by line as this program writes it, where an empty line is an
// empty remark or name. When that reading finds no such text it gives what the skipping reading
// gives (less the white space that one skips before each text), so files of every origin read as
// they always did; when it fails, the skipping reading decides, and its refusal is the one given.
// Null (the stream failed) for a file refused quietly.
std::unique_ptr<TextCursor> ReadEitherHeader(DataStore& ds, std::istream& is) {
    auto cursor = std::make_unique<TextCursor>(is);
    ExactReading exact;
    bool header = false;
    try {
        header = ReadHeader(ds, *cursor, &exact);
    } catch (const KynError&) {
        header = false;
    }
    if (header) {
        if (!exact.blank) TrimLeadingBlanks(ds, exact);
        return cursor;
    }
    is.clear();
    is.seekg(0);
    cursor = std::make_unique<TextCursor>(is);
    if (!ReadHeader(ds, *cursor, nullptr)) return nullptr;
    return cursor;
}

std::atomic<std::int64_t> g_twoThreadsFrom{std::int64_t{1} << 20};
std::atomic<std::int64_t> g_chunkValues{std::int64_t{1} << 18};

// The data in the layout our writer gives them are rows of the first dimension's values, one row
// a line, the blocks between them parted by blank lines: P x (S1 x ... x Sn) rows in all, which a
// plain reading takes one after another with white space between. Such text is cut into chunks
// of whole lines, and two threads read alternate chunks into their places, each row through the
// same ReadRow as the plain reading. Anything else in the text (a row split over lines, a file
// that ends early, a character that is no number) is left to the plain reading.
class MemoryText : public std::streambuf {
public:
    explicit MemoryText(const std::string& text) {
        char* p = const_cast<char*>(text.data());
        setg(p, p, p + text.size());
    }
};

// `rows` rows of n values from the chunk's text, which must hold exactly them.
bool ReadChunk(const std::string& text, float* out, std::size_t rows, int n) {
    MemoryText source(text);
    std::istream is(&source);
    TextCursor c(is);
    for (std::size_t r = 0; r < rows; ++r)
        if (ReadRow(c, out + r * static_cast<std::size_t>(n), n) != n || c.fail()) return false;
    // The last row's trailing white space ran into the end of the chunk, and nothing else did.
    return c.eof() && !c.fail();
}

// The values, two chunks at a time; false when the text is not in the writer's layout (nothing
// to keep from this reading then).
bool ReadValuesInTwo(DataStore& ds, TextCursor& c) {
    const int n = ds.dimensions.At(0).Steps();
    const std::int64_t rows = ds.ValueCount() / n;
    const std::int64_t perChunk = std::max<std::int64_t>(1, g_chunkValues.load(std::memory_order_relaxed) / n);
    float* out = ds.data.Data();
    std::string first, second;
    for (std::int64_t row = 0; row < rows;) {
        // The first chunk goes to the other thread at once; this one takes the second meanwhile
        // and reads it.
        first.clear();
        second.clear();
        const auto a = static_cast<std::int64_t>(c.TakeLines(static_cast<std::size_t>(std::min(perChunk, rows - row)), first));
        if (a == 0) return false;
        std::future<bool> other =
            std::async(std::launch::async, ReadChunk, std::cref(first), out + row * n, static_cast<std::size_t>(a), n);
        const auto b = row + a < rows && c.good()
                           ? static_cast<std::int64_t>(c.TakeLines(static_cast<std::size_t>(std::min(perChunk, rows - row - a)), second))
                           : 0;
        const bool secondRead = b == 0 || ReadChunk(second, out + (row + a) * n, static_cast<std::size_t>(b), n);
        const bool firstRead = other.get();
        if (!firstRead || !secondRead) return false;
        row += a + b;
        if (row < rows && !c.good()) return false;  // ended early: the plain reading says how
    }
    return true;
}

// Thrown when the two-thread reading finds text it leaves to the plain one: the file is read
// again from its start.
struct ReadPlainly {};

// P data blocks; a file whose values stop early is refused rather than padded.
void ReadValues(DataStore& ds, TextCursor& c, bool twoThreads) {
    // At least two characters each ("v," or "v" and a line end).
    native::CheckValueCount(ds, c.Remaining(), 2);
    ds.Initialize();
    if (ds.data.Count() == 0) return;
    if (twoThreads && ds.dimensions.Count() > 0 && ds.ValueCount() >= g_twoThreadsFrom.load(std::memory_order_relaxed)) {
        if (!ReadValuesInTwo(ds, c)) throw ReadPlainly{};
        ds.ComputeDataRange();
        return;
    }
    float* out = ds.data.Data();
    std::int64_t read = 0;
    for (int p = 0; p < ds.properties.Count(); ++p) ReadLevel(c, ds.dimensions, ds.dimensions.Count() - 1, out, read);
    if (c.eof() && read < ds.ValueCount()) {
        c.Finish();
        Fail(msg::EndsEarly(read, ds.ValueCount()));
    }
    ds.ComputeDataRange();
}

// The texts of the history: `count` texts ended by NUL, or (an old file without a count) one text
// that begins with the four bytes of the number, lowest first, and runs to the next NUL.
std::vector<std::string> ReadHistoryTexts(TextCursor& c, int count) {
    std::vector<std::string> texts;
    if (count <= kMaxNewStyleHistory) {
        ReportProgress("reading " + std::to_string(count) + " comments\n");
        for (int i = 0; i < count; ++i) texts.push_back(c.ReadTerminated());
        return texts;
    }
    ReportProgress("reading old style comment.\n");
    std::string text;
    const auto u = static_cast<std::uint32_t>(count);
    for (int b = 0; b < 4; ++b) {
        const char ch = static_cast<char>((u >> (8 * b)) & 0xff);
        if (ch == '\0') return {text};
        text.push_back(ch);
    }
    texts.push_back(text + c.ReadTerminated());
    return texts;
}

// "History:", a count and the texts; a file without one keeps the history as it was.
void ReadHistory(DataStore& ds, TextCursor& c) {
    std::string header;
    int count = 0;
    c.SkipWs();
    c.GetLine(header);
    c.ReadInt(count);
    c.SkipWs();
    if (header != "History:") return;
    try {
        ds.AddOldComments(ReadHistoryTexts(c, count));
    } catch (const std::exception&) {
        // A broken history costs the history, not the file.
        c.Clear();
    }
    if (!c.good()) Corrupt(c);
}

}  // namespace

namespace {

std::istream& ReadWholeStore(DataStore& ds, std::istream& is, bool headerOnly, bool twoThreads) {
    ds.fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    const std::unique_ptr<TextCursor> cursor = ReadEitherHeader(ds, is);
    if (!cursor) return is;
    TextCursor& c = *cursor;
    if (headerOnly) {
        // A header that simply ends with the file is complete.
        if (!c.fail()) c.Clear();
        c.Finish();
        return is;
    }
    ReadValues(ds, c, twoThreads);
    ReadHistory(ds, c);
    // A file that simply ended early is accepted; anything else that stopped the reading is not.
    if (!c.good() && !c.eof()) Corrupt(c);
    c.Clear();
    is.clear();
    return is;
}

}  // namespace

void varnixstore::SetTwoThreads(std::int64_t fromValues, std::int64_t chunkValues) {
    g_twoThreadsFrom.store(fromValues, std::memory_order_relaxed);
    g_chunkValues.store(chunkValues, std::memory_order_relaxed);
}

std::istream& DataStore::ReadVarnixStore(std::istream& is, bool headerOnly) {
    const std::size_t entries = history.size();
    try {
        return ReadWholeStore(*this, is, headerOnly, true);
    } catch (const ReadPlainly&) {
        // Text the two-thread reading leaves alone: everything again, the plain way. Reading the
        // header again sets every field it set; only the history keeps what Initialize added.
        history.resize(entries);
        return ReadWholeStore(*this, is, headerOnly, false);
    }
}

namespace {

// A one-line text of the header cannot hold a line feed: it would become lines of their own.
void RequireOneLine(const std::string& text, const char* what) {
    if (text.find('\n') != std::string::npos) CannotHold(kMagic, std::string(what) + " that spans several lines");
}

// Everything the writer puts into the file must come back from the reader as it was written.
void CheckVarnixStoreCanHold(const DataStore& ds) {
    native::RequireValues(ds, kMagic, INT_MAX);
    if (ds.dimensions.Count() < 1) CannotHold(kMagic, "a DataStore without dimensions");
    if (ds.dimensions.Count() > kMaxDimensions) CannotHold(kMagic, "more than 255 dimensions");
    RequireOneLine(ds.title, "a title");
    for (int i = 0; i < ds.remarks.Count(); ++i) RequireOneLine(ds.remarks.At(i), "a remark");
    for (int i = 0; i < ds.properties.Count(); ++i) RequireOneLine(ds.properties.At(i), "a property name");
    for (int k = 0; k < ds.dimensions.Count(); ++k) RequireOneLine(ds.dimensions.At(k).name, "a dimension name");
    // Option lines have no count: the reader tells them from the values by their first characters.
    for (int i = 0; i < ds.options.Count(); ++i) {
        const std::string& o = ds.options.At(i);
        RequireOneLine(o, "an option line");
        if (o.empty() || StartsLikeNumber(o) || o == "History:")
            CannotHold(kMagic, "the option line '" + o + "', which reads as something else");
    }
    if (ds.history.size() > static_cast<std::size_t>(kMaxNewStyleHistory))
        CannotHold(kMagic, "more than 65535 history entries");
    for (const HistoryEntry& e : ds.history) {
        native::RequireNoNul(e.text, kMagic, "a history text");
        native::RequireNoNul(e.user, kMagic, "a history entry's user name");
    }
}

}  // namespace

namespace {

void WriteLine(ChunkWriter& w, std::string_view text) { w.Put(text).Newline(); }

// Everything before the values: magic, title, remarks, properties, dimension blocks, options.
void WriteHeader(ChunkWriter& w, const DataStore& ds) {
    WriteLine(w, kMagic);
    WriteLine(w, ds.title);
    WriteLine(w, "Remarks:");
    w.Integer(ds.remarks.Count()).Newline();
    for (int i = 0; i < ds.remarks.Count(); ++i) WriteLine(w, ds.remarks.At(i));
    WriteLine(w, "0");
    WriteLine(w, "Properties:");
    w.Integer(ds.properties.Count()).Newline();
    for (int i = 0; i < ds.properties.Count(); ++i) WriteLine(w, ds.properties.At(i));
    WriteLine(w, "Dimensions:");
    w.Integer(ds.dimensions.Count()).Newline();
    for (int k = 0; k < ds.dimensions.Count(); ++k) {
        const Dimension& d = ds.dimensions.At(k);
        // The reader drops one carriage return from the end of a name line (left by files read
        // without the text-mode translation); a name that really ends in one gets one more.
        w.Put(d.name);
        if (!d.name.empty() && d.name.back() == '\r') w.Put('\r');
        w.Newline();
        w.Integer(d.Steps()).Newline();
        if (d.Steps() > 0) {
            for (int i = 0; i < d.Steps(); ++i) {
                if (i > 0) w.Put(',');
                w.Number(d.values.At(i));
            }
            w.Newline();
        }
        w.Newline();
    }
    for (int i = 0; i < ds.options.Count(); ++i) WriteLine(w, ds.options.At(i));
}

// The values of dimension level k starting at `at`: at level 0 one row; above it a line feed
// before each of its entries, then the entries of the level below.
void WriteLevel(ChunkWriter& w, const DataStore& ds, int k, std::int64_t at) {
    if (k == 0) {
        const float* v = ds.data.Data() + at;
        for (int i = 0; i < ds.dimensions.At(0).Steps(); ++i) {
            if (i > 0) w.Put(',');
            w.Number(v[i]);
        }
        return;
    }
    std::int64_t stride = 1;
    for (int j = 0; j < k; ++j) stride *= ds.dimensions.At(j).Steps();
    for (int i = 0; i < ds.dimensions.At(k).Steps(); ++i) {
        w.Newline();
        WriteLevel(w, ds, k - 1, at + i * stride);
    }
}

void WriteHistory(ChunkWriter& w, const DataStore& ds) {
    const std::vector<std::string> blocks = ds.GetHistoryText();
    WriteLine(w, "History:");
    w.Integer(static_cast<long long>(blocks.size())).Newline();
    for (const auto& b : blocks) w.Put(b).Put('\0');
    WriteLine(w, "0");
}

}  // namespace

std::ostream& DataStore::WriteVarnixStore(std::ostream& os, bool headerOnly) {
    CheckVarnixStoreCanHold(*this);
    {
        ChunkWriter w(os);
        WriteHeader(w, *this);
        if (!headerOnly) {
            const std::int64_t perProperty = ValueCount() / properties.Count();
            for (int p = 0; p < properties.Count() && os.good(); ++p) {
                WriteLevel(w, *this, dimensions.Count() - 1, p * perProperty);
                w.Newline();
            }
        }
        WriteHistory(w, *this);
        w.Flush();
    }
    formatName = kMagic;
    saved = true;
    return os;
}

namespace {
void WriteVarnixStoreFile(DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixStore(os, false); }
}  // namespace

constinit const FormatInfo kVarnixStoreFormat = {
    .name = "VarnixStore",
    .fuzzKey = "varnixstore",
    .accepts = {FirstLines::Match::WholeLine, "VarnixStore", "VarnixStore 1.1"},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadVarnixStore,
    .write = WriteVarnixStoreFile,
    .mode = StreamMode::Text,
    .holds = {0, true, true, false},
    .target = {2, "dsa", ".dsa", "VarnixStore (ASCII)", "Save in VarnixStore  format (Acorn Varnix ASCII format)",
               "Save the converted DataStore in the VarnixStore (ASCII) format.", WriteVarnixStoreFile},
};

}  // namespace kyn

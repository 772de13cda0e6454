// DataStore::Load: recognises a file's format from its first line and hands the file to the
// matching reader.
//
// The first line is taken after skipping leading white space, up to a line feed, without a
// final carriage return; it becomes formatName. The rows of the format registry claim first
// lines (Detect below says in which order they are tried), either to read the file or to refuse
// it as an export. Binary readers get the binary stream they were recognised on (they seek back
// to the start); text readers get the same file from its beginning through the text-mode
// translation, so that they see CR LF as one line end. When no line matches, a row's probe may
// look at the content (the CARY import, switched off in conversions).
//
// Load answers false when the file cannot be opened or the reader leaves its stream in any state
// other than good; refusals and reader failures are exceptions carrying the user's message.
//
// Three guards stand before any reader:
//  - Only regular files are opened: a folder, a named pipe or a device is refused by what it is,
//    before it is opened (opening a pipe would wait for a writer, a device may never end).
//  - The first line (and the CARY probe's second) is read with a cap: a file whose first line
//    runs on past it is unrecognised at once, whatever its size.
//  - A store that comes out of a reader with no values (no property, or an axis without steps)
//    is refused: no target could hold it, and every writer would make a file nothing reads.
#include "formats/Load.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string_view>

#include "datastore/DataStore.h"
#include "formats/Registry.h"
#include "formats/io/TextCursor.h"
#include "util/ProgressLog.h"
#include "util/TextStream.h"

namespace kyn {

namespace {

// Whether the first line selects the row's reader (`accepts`) or its refusal (`refuses`), in the
// order of their strength: whole lines first (each names one exact line, so none can shadow
// another), then prefixes, which no exact line may be taken by. A probe of the file's content
// is the weakest test of all and runs only when no line matched (LoadFromStreams).
struct Detected {
    const FormatInfo* row = nullptr;
    bool refused = false;
};

Detected Detect(std::string_view line) {
    for (const FirstLines::Match match : {FirstLines::Match::WholeLine, FirstLines::Match::Prefix})
        for (const FormatInfo* f : Formats()) {
            if (f->refuses.match == match && f->refuses.Claims(line)) return {f, true};
            if (f->accepts.match == match && f->accepts.Claims(line)) return {f, false};
        }
    return {};
}

// A full load must give values: a store without any (no property, an axis without steps) has
// nothing a conversion could carry. The block must hold what the axes announce.
bool RequireValues(const DataStore& ds, bool loaded, bool headerOnly) {
    if (!loaded || headerOnly) return loaded;
    const std::int64_t n = ds.ValueCount();
    if (n == 0) Fail(msg::kNoValues);
    if (n < 0 || ds.data.Count() < n) Fail(msg::kFileCorrupt);
    return true;
}

}  // namespace

std::string NotARegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};  // opening it will tell
    return KindOfFile(st.st_mode);
}

std::string KindOfFile(unsigned mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a named pipe (FIFO)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

namespace {

// The first line as recognition sees it: after leading white space, at most kFirstLineLimit
// characters, without a closing carriage return. False when there is none within the limit.
bool ReadFirstLine(TextCursor& probe, std::string& line) {
    probe.SkipWs();
    if (!probe.GetLineCapped(line, kFirstLineLimit)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

const FormatInfo* RecogniseFile(const std::string& path) {
    if (!NotARegularFile(path).empty()) return nullptr;
    std::ifstream in(path, std::ios_base::in | std::ios_base::binary);
    if (!in.is_open()) return nullptr;
    TextCursor probe(in);
    std::string line;
    if (!ReadFirstLine(probe, line)) return nullptr;
    const Detected detected = Detect(line);
    return detected.refused || !detected.row || !detected.row->read ? nullptr : detected.row;
}

bool LoadFromStreams(DataStore& ds, std::istream& in, const TextReopener& reopenAsText, bool headerOnly) {
    TextCursor probe(in);
    std::string line;
    if (!ReadFirstLine(probe, line)) Fail(msg::kUnrecognised);
    ds.formatName = line;

    Detected detected = Detect(line);
    if (detected.refused) Fail(detected.row->refusal);
    if (!detected.row) {
        for (const FormatInfo* f : Formats())
            if (f->probe && f->read && ds.allowCaryImport && f->probe(probe)) {
                detected.row = f;
                ds.formatName = f->name;
                break;
            }
    }
    if (!detected.row) Fail(msg::kUnrecognised);
    const FormatInfo& row = *detected.row;
    if (row.readsFrom == ReadsFrom::BinaryStream) return RequireValues(ds, (ds.*row.read)(in, headerOnly).good(), headerOnly);
    std::unique_ptr<std::istream> text = reopenAsText();
    if (!text) return false;
    return RequireValues(ds, (ds.*row.read)(*text, headerOnly).good(), headerOnly);
}

bool LoadFromMemory(DataStore& ds, std::string_view bytes, bool headerOnly) {
    std::stringbuf binaryBuf(std::string(bytes), std::ios_base::in);
    std::istream binary(&binaryBuf);
    std::stringbuf textSource(std::string(bytes), std::ios_base::in);
    TextInBuf textBuf(&textSource);
    const bool ok = LoadFromStreams(
        ds, binary, [&textBuf] { return std::make_unique<std::istream>(&textBuf); }, headerOnly);
    ds.fileName = "(memory)";
    return ok;
}

bool DataStore::Load(const std::string& path, bool headerOnly) {
    const ProgressFile reportsName(path);  // the readers' progress lines name this file
    // Checked by name just before opening; a name swapped for a pipe in between is not caught.
    const std::string kind = NotARegularFile(path);
    if (!kind.empty()) Fail("This is " + kind + ", not a measurement file.\n");
    std::ifstream in(path, std::ios_base::in | std::ios_base::binary);
    if (!in.is_open()) return false;
    // Text readers read the same open file again from its start, through the CR LF translation
    // (opening it a second time would cost a small file as much as reading it).
    std::unique_ptr<TextInBuf> textBuf;
    const bool ok = LoadFromStreams(
        *this, in,
        [&in, &textBuf]() -> std::unique_ptr<std::istream> {
            in.clear();
            if (in.rdbuf()->pubseekpos(0, std::ios_base::in) != std::streampos(0)) return nullptr;
            textBuf = std::make_unique<TextInBuf>(in.rdbuf());
            return std::make_unique<std::istream>(textBuf.get());
        },
        headerOnly);
    fileName = path;
    return ok;
}

std::string ReadFormatName(const DataStore& ds) {
    const std::string& name = ds.GetFormatName();
    if (FindFormat(name)) return name;
    for (const FormatInfo* f : Formats())
        if (f->read && f->accepts.Claims(name)) return f->name;
    return name;
}

}  // namespace kyn

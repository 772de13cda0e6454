// DataStore::Load: recognises a file's format from its first line and hands the file to the
// matching reader.
//
// The first line is taken after skipping leading white space, up to a line feed, without a
// final carriage return; it becomes formatName. The rules below are tried in order. Binary
// readers get the binary stream they were recognised on (they seek back to the start); text
// readers get the same file from its beginning through the text-mode translation, so that they
// see CR LF as one line end. When no rule matches, the CARY probe looks at the third line.
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
#include "formats/io/TextCursor.h"
#include "util/TextStream.h"

namespace kyn {

namespace {

using Reader = std::istream& (*)(DataStore&, std::istream&, bool headerOnly);

enum class Match { WholeLine, Prefix };
enum class Action { SameBinaryStream, ReopenAsText, Refuse };

struct LoadRule {
    std::string_view firstLine;
    Match match;
    Action action;
    Reader reader;
    const char* refusal;
};

// Longest first line looked at: every recognised first line is far shorter.
constexpr std::size_t kFirstLineLimit = 8192;

constexpr const char* kCsvExportOnly = "CSV is an export only format.\nIt cannot be imported.\n";
constexpr const char* kJcampExportOnly = "JCAMP-DX is an export only format.\nIt cannot be imported.\n";

// Order: every whole-line rule names one exact line, so they cannot shadow one another and are
// listed with the native formats (met most often) first. The prefix rule is a weaker test and
// comes after all of them, so that no exact magic could ever be taken by it. The CARY probe
// (below the table) looks at file content rather than a magic and is the weakest test of all,
// so it runs only when no rule matched.
constexpr LoadRule kRules[] = {
    {"VarnixBinary", Match::WholeLine, Action::SameBinaryStream,
     [](DataStore& d, std::istream& is, bool h) -> std::istream& { return d.ReadVarnixBinary(is, h); }, nullptr},
    {"VarnixBinaryX", Match::WholeLine, Action::SameBinaryStream,
     [](DataStore& d, std::istream& is, bool h) -> std::istream& { return d.ReadVarnixBinaryX(is, h); }, nullptr},
    {"VarnixStore", Match::WholeLine, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool h) -> std::istream& { return d.ReadVarnixStore(is, h); }, nullptr},
    {"VarnixStore 1.1", Match::WholeLine, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool h) -> std::istream& { return d.ReadVarnixStore(is, h); }, nullptr},
    {"KYN-ASCII-SPECTRAKINETIC", Match::WholeLine, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool) -> std::istream& { return d.ReadSpectraKinetic(is); }, nullptr},
    {"KYN-ASCII", Match::WholeLine, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool) -> std::istream& { return d.ReadKynAscii(is); }, nullptr},
    {"ASCII", Match::WholeLine, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool) -> std::istream& { return d.ReadAsciiImport(is); }, nullptr},
    {"SimpleCSV", Match::WholeLine, Action::Refuse, nullptr, kCsvExportOnly},
    {"VarnixCSV", Match::WholeLine, Action::Refuse, nullptr, kCsvExportOnly},
    {"JCAMP-DX 5.0", Match::WholeLine, Action::Refuse, nullptr, kJcampExportOnly},
    // The only prefix test, so it stands last: no exact magic can be taken by it.
    {"##TITLE", Match::Prefix, Action::ReopenAsText,
     [](DataStore& d, std::istream& is, bool) -> std::istream& { return d.ReadJcampText(is); }, nullptr},
};

const LoadRule* FindRule(std::string_view line) {
    for (const LoadRule& rule : kRules) {
        const bool hit = rule.match == Match::WholeLine ? line == rule.firstLine : line.starts_with(rule.firstLine);
        if (hit) return &rule;
    }
    return nullptr;
}

// The CARY probe: after the first line, skip the next non-blank line (column titles), then the
// data must begin with a number, a comma and a number, with more of the file after them.
bool LooksLikeCary(TextCursor& probe) {
    std::string columns;
    probe.SkipWs();
    if (!probe.GetLineCapped(columns, kFirstLineLimit)) return false;
    double x = 0, y = 0;
    probe.ReadDouble(x);
    probe.SkipWs();
    const int separator = probe.Get();
    probe.ReadDouble(y);
    return probe.good() && separator == ',';
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

bool LoadFromStreams(DataStore& ds, std::istream& in, const TextReopener& reopenAsText, bool headerOnly) {
    TextCursor probe(in);
    probe.SkipWs();
    std::string line;
    if (!probe.GetLineCapped(line, kFirstLineLimit)) Fail(msg::kUnrecognised);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ds.formatName = line;

    const LoadRule* rule = FindRule(line);
    if (rule && rule->action == Action::Refuse) Fail(rule->refusal);

    if (rule && rule->action == Action::SameBinaryStream) return RequireValues(ds, rule->reader(ds, in, headerOnly).good(), headerOnly);

    Reader reader = nullptr;
    if (rule) {
        reader = rule->reader;
    } else if (LooksLikeCary(probe) && ds.allowCaryImport) {
        ds.formatName = "CARY-ASCII";
        reader = [](DataStore& d, std::istream& is, bool) -> std::istream& { return d.ReadCaryAscii(is); };
    } else {
        Fail(msg::kUnrecognised);
    }
    std::unique_ptr<std::istream> text = reopenAsText();
    if (!text) return false;
    return RequireValues(ds, reader(ds, *text, headerOnly).good(), headerOnly);
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

}  // namespace kyn

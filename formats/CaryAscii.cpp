// CARY-ASCII import: comma-separated spreadsheet text from another instrument family.
//
//   line 1      title line (often sample names separated by commas)
//   line 2      column titles: X title, Y title, possibly more
//   data lines  x, a comma, y, possibly more columns (ignored)
//   empty line  ends the data
//   header      lines up to the next empty line or the end of the file
//
// Result: title = line 1 up to its second comma (up to its first with only one, all of it with
// none); dimension 0 named by the X title, holding the x values, plus a one-point "Wavelength"
// dimension at 0 when that name does not begin with "Wavelength"; property 0 named by the Y title
// ("Abs" becomes "Absorbance"); the y values; importHeader = the header lines with runs of spaces
// cut to one space and every comma removed.
//
// Data that do not begin with two numbers, or that do not end with an empty line, are refused
// with "The file is of an unrecognised format\n".
#include <cstring>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/Load.h"
#include "formats/Registry.h"
#include "formats/io/TextCursor.h"
#include "util/StringUtil.h"

namespace kyn {

namespace {

std::string CutTitle(const std::string& line) {
    const std::size_t first = line.find(',');
    if (first == std::string::npos) return line;
    const std::size_t second = line.find(',', first + 1);
    return line.substr(0, second == std::string::npos ? first : second);
}

std::string CleanHeaderLine(std::string line) {
    std::size_t before;
    do {
        before = line.size();
        ReplaceAll(line, "  ", " ");
    } while (line.size() != before);
    RemoveAll(line, ",");
    return line;
}

// x, one character (white space before it skipped) and y, as the data lines hold them.
void ReadPoint(TextCursor& c, float& x, float& y) {
    c.ReadFloat(x);
    c.SkipWs();
    c.Get();
    c.ReadFloat(y);
}

}  // namespace

std::istream& DataStore::ReadCaryAscii(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    dimensions.Resize(2);
    TextCursor c(is);

    std::string line;
    c.GetLine(line);
    title = CutTitle(line);

    // Column titles: the X title names dimension 0, the Y title property 0.
    std::string columns;
    c.GetLine(columns);
    const std::size_t comma = columns.find(',');
    const std::string xTitle = columns.substr(0, comma);
    std::string yTitle = comma == std::string::npos ? std::string() : columns.substr(comma + 1);
    yTitle = yTitle.substr(0, yTitle.find(','));
    if (yTitle == "Abs") yTitle = "Absorbance";
    dimensions.At(0).name = xTitle;
    if (xTitle.compare(0, 10, "Wavelength") != 0)
        dimensions.At(1) = Dimension("Wavelength", 0.0f);
    else
        dimensions.Resize(1);
    properties.Resize(1);
    properties.At(0) = yTitle;

    // Data lines up to the empty line.
    std::vector<float> xs, ys;
    bool ended = false;
    float x = 0, y = 0;
    ReadPoint(c, x, y);
    while (c.good()) {
        xs.push_back(x);
        ys.push_back(y);
        std::string rest;
        c.GetLine(rest);
        bool terminated = false;
        const std::string_view next = c.PeekLine(terminated);
        if (!c.good()) break;
        if (next.empty()) {
            c.GetLine(rest);  // the empty line; at the very end this fails the cursor
            ended = c.good();
            break;
        }
        ReadPoint(c, x, y);
    }
    if (!ended) {
        c.SetFail();
        c.Finish();
        Fail(msg::kUnrecognised);
    }

    std::vector<std::string> header;
    for (;;) {
        std::string h;
        c.GetLine(h);
        if (c.fail() || h.empty()) break;
        header.push_back(CleanHeaderLine(std::move(h)));
        if (c.eof()) break;
    }
    importHeader.Resize(0);
    importHeader.Resize(static_cast<int>(header.size()));
    for (int i = 0; i < importHeader.Count(); ++i) importHeader.At(i) = std::move(header[static_cast<std::size_t>(i)]);

    Dimension& d = dimensions.At(0);
    d.values.Resize(static_cast<int>(xs.size()));
    std::memcpy(d.values.Data(), xs.data(), xs.size() * sizeof(float));
    Initialize();
    if (data.Count() >= static_cast<int>(ys.size()) && !ys.empty()) {
        std::memcpy(data.Data(), ys.data(), ys.size() * sizeof(float));
        ComputeDataRange();
    }
    // The header may end with the file: the import is complete all the same.
    is.clear();
    return is;
}

namespace {

// After the first line, the next non-blank line (column titles) is skipped; then the data must
// begin with a number, a comma and a number, with more of the file after them.
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

}  // namespace

// No first line of its own: spreadsheet text is recognised by its content, the weakest test, and
// only where the store allows it (DataStore::allowCaryImport; never in a conversion).
constinit const FormatInfo kCaryAsciiFormat = {
    .name = "CARY-ASCII",
    .fuzzKey = "cary",
    .accepts = {},
    .refuses = {},
    .refusal = nullptr,
    .probe = LooksLikeCary,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadCaryAscii,
    .write = nullptr,
    .mode = StreamMode::Text,
    .holds = {1, false, false, false},
    .target = {},
};

}  // namespace kyn

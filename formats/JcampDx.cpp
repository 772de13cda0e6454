// JCAMP-DX 5.0 (.jdx): written by JcampDxExporter, and a simple reader for files whose first line
// begins with "##TITLE".
//
// Written layout, one record per line:
//   ##TITLE=<title or "Export Data">
//   ##JCAMP-DX=5.0    $$ Varnix v. 4.1
//   ##DATATYPE=SPECTRUM / ##ORIGIN=Velorant / ##OWNER=<USERNAME> / ##DATE=yy/mm/dd / ##TIME=hh:mm:ss
//   per block:  [##TITLE= ##DATATYPE= ##BLOCK_ID=  only with several properties]
//               ##DATACLASS=XYDATA ##XUNITS= ##YUNITS= ##XLABEL= ##XFACTOR=1.00000
//               ##YFACTOR= ##FIRSTX= ##LASTX= ##MAXY= ##MINY=  (fixed, 6 decimals) ##NPOINTS=
//               ##FIRSTY= [##<BLOCK KIND>=<value>]
//               ##XYDATA=(X++(Y..Y))  then N lines "x(4 decimals) integer(y / YFACTOR)"
//               ##END=
//   ##END=  after the last block when there are several properties.
//
// A value without a finite quotient (NaN, infinity) is written as "?", the JCAMP-DX symbol for a
// missing value, and read back as NaN.
#include "formats/JcampDx.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <span>
#include <strings.h>
#include <utility>

#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "formats/io/TextCursor.h"
#include "util/StringUtil.h"
#include "util/TimeText.h"
#include "util/UserName.h"
#include "formats/Registry.h"

namespace kyn {

namespace jcamp {

namespace {

bool ValidDate(int day, int month, int year, int hour, int minute, int second, std::time_t& out) {
    if (year > 1900) year -= 1900;
    const int full = year + 1900;
    if (full < 1970 || full > 2036) return false;
    if (month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (full % 4 == 0 && full % 100 != 0) || full % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) return false;
    std::tm tm{};
    tm.tm_year = year;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1)) return false;
    out = t;
    return true;
}

int IndexOfName(const char* word, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        if (strcasecmp(word, names[i]) == 0) return i;
    return -1;
}

}  // namespace

bool ParseDate(const std::string& text, std::time_t& out) {
    int d, m, y, h, mi, s;
    if (std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d", &d, &m, &y, &h, &mi, &s) == 6)
        return ValidDate(d, m, y, h, mi, s, out);
    char weekday[32], month[32];
    if (std::sscanf(text.c_str(), "%31s %31s %d %d:%d:%d %d", weekday, month, &d, &h, &mi, &s, &y) == 7) {
        static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        const int mon = IndexOfName(month, kMonths, 12);
        if (IndexOfName(weekday, kDays, 7) < 0 || mon < 0) return false;
        return ValidDate(d, mon + 1, y, h, mi, s, out);
    }
    return false;
}

const char* UnitName(const std::string& name) {
    if (HasFlag(name, "Wavelength")) return "NANOMETERS";
    if (HasFlag(name, "Time")) return "SECONDS";
    for (const char* word : {"Temperature", "Repeat", "Concentration", "Volume", "CircularDichroism"})
        if (HasFlag(name, word)) return "ARBITRARY UNITS";
    if (HasFlag(name, "Absorbance")) return "ABSORBANCE";
    if (HasFlag(name, "Fluorescence")) return "ARBITRARY UNITS";
    if (HasFlag(name, "PhotodiodeArray")) return "ABSORBANCE";
    return "ARBITRARY UNITS";
}

}  // namespace jcamp

namespace {

std::int64_t ChooseTimeStamp(const std::string& lastModified, const std::string& title, std::int64_t fallback) {
    std::time_t t;
    if (jcamp::ParseDate(lastModified, t)) return t;
    if (jcamp::ParseDate(title, t)) return t;
    return fallback;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct BlockPlan {
    int x = -1;
    int block = -1;  // -1: no block dimension
    bool any = false;
};

BlockPlan PlanBody(const DataStore& ds) {
    BlockPlan plan;
    const int n = ds.dimensions.Count();
    if (n == 1) {
        plan.x = 0;
        plan.any = true;
        return plan;
    }
    std::vector<int> candidates;
    if (n == 2) {
        candidates = {0, 1};
    } else {
        for (int k = 0; k < n; ++k)
            if (ds.dimensions.At(k).Steps() != 1) candidates.push_back(k);
    }
    if (candidates.size() != 2) return plan;
    const int a = candidates[0], b = candidates[1];
    const bool bFirst = ds.dimensions.At(b).Steps() > ds.dimensions.At(a).Steps();
    plan.x = bFirst ? b : a;
    plan.block = bFirst ? a : b;
    plan.any = true;
    return plan;
}

// Values that a block could not write as they are.
struct BlockLosses {
    std::int64_t nonFinite = 0;  // written as "?"
    std::int64_t toZero = 0;     // non-zero, written as 0 (smaller than the block's YFACTOR)
};

void WriteBlock(ChunkWriter& w, DataStore& ds, int p, int propertyCount, int x, int block, int step,
                bool& rangeComputed, BlockLosses& lost) {
    if (propertyCount > 1) {
        w.Put("##TITLE=").Put(ds.GetPropertyName(p, true)).Newline();
        w.Put("##DATATYPE=").Put(ds.GetPropertyName(p, true)).Put(" over ").Put(ds.GetDimensionName(x, true));
        if (block >= 0) w.Put(" at specific ").Put(ds.GetDimensionName(block, true));
        w.Newline();
        w.Put("##BLOCK_ID=").Integer(p + 1).Newline();
    }
    const Array<float> view = ds.GetSlice(x, p);
    const int n = view.Count();
    if (n == 0) Fail(msg::kArrayOutOfBounds);  // an X axis without values has no first value
    // A slice along dimension 0 lies in the block as it is; any other is gathered once.
    std::vector<float> gathered;
    if (view.Stride() != 1) {
        gathered.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) gathered[static_cast<std::size_t>(i)] = view.At(i);
    }
    const std::span<const float> s(view.Stride() == 1 ? view.Data() : gathered.data(), static_cast<std::size_t>(n));
    const float yFactor = jcamp::ChooseYFactor(s.data(), n);
    // The data range does not change between blocks: one pass over the whole block is enough.
    if (!rangeComputed) ds.ComputeDataRange();
    rangeComputed = true;
    const Dimension& xDim = ds.dimensions[x];
    float maxY = s[0], minY = s[0];
    for (float v : s) {
        if (v > maxY) maxY = v;
        if (v < minY) minY = v;
    }
    w.Put("##DATACLASS=XYDATA\n");
    w.Put("##XUNITS=").Put(jcamp::UnitName(xDim.name)).Newline();
    w.Put("##YUNITS=").Put(jcamp::UnitName(ds.properties[p])).Newline();
    w.Put("##XLABEL=\n");
    w.Put("##XFACTOR=1.00000\n");
    w.Put("##YFACTOR=").Fixed(yFactor, 6).Newline();
    w.Put("##FIRSTX=").Fixed(xDim.values[0], 6).Newline();
    w.Put("##LASTX=").Fixed(xDim.values[n - 1], 6).Newline();
    w.Put("##MAXY=").Fixed(maxY, 6).Newline();
    w.Put("##MINY=").Fixed(minY, 6).Newline();
    w.Put("##NPOINTS=").Integer(n).Newline();
    w.Put("##FIRSTY=").Fixed(s[0], 6).Newline();
    if (block >= 0)
        w.Put("##").Put(Upper(ds.GetDimensionName(block, true))).Put('=').Fixed(ds.dimensions[block].values[step], 6).Newline();
    w.Put("##XYDATA=(X++(Y..Y))\n");
    for (int i = 0; i < n; ++i) {
        w.Fixed(xDim.values.At(i), 4).Put(' ');
        const float v = s[static_cast<std::size_t>(i)];
        const float q = v / yFactor;
        if (std::isfinite(q) && q >= -2147483648.0f && q < 2147483648.0f) {
            const auto written = static_cast<std::int32_t>(q);
            w.Integer(written);
            if (written == 0 && v != 0.0f) ++lost.toZero;
        } else {
            w.Put('?');
            ++lost.nonFinite;
        }
        w.Newline();
    }
    w.Put("##END=\n");
}

}  // namespace

JcampDxExporter::JcampDxExporter(DataStore& store)
    : store_(store),
      propertyCount_(store.properties.Count()),
      timeStamp_(ChooseTimeStamp(store.lastModified, store.title, static_cast<std::int64_t>(std::time(nullptr)))) {}

std::ostream& JcampDxExporter::Write(std::ostream& os, LossNotes* losses) {
    DataStore& ds = store_;
    ChunkWriter w(os);
    const std::string title = ds.title.empty() ? std::string("Export Data") : ds.title;
    w.Put("##TITLE=").Put(title).Newline();
    w.Put("##JCAMP-DX=5.0    $$ Varnix v. 4.1\n");
    w.Put("##DATATYPE=SPECTRUM\n");
    w.Put("##ORIGIN=Velorant\n");
    w.Put("##OWNER=").Put(OwnerName()).Newline();
    const std::time_t stamp = static_cast<std::time_t>(ChooseTimeStamp(ds.lastModified, title, timeStamp_));
    const std::tm tm = LocalTime(stamp);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y/%m/%d", &tm);
    w.Put("##DATE=").Put(buf).Newline();
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    w.Put("##TIME=").Put(buf).Newline();

    const BlockPlan plan = PlanBody(ds);
    BlockLosses lost;
    if (plan.any) {
        bool rangeComputed = false;
        if (plan.block < 0) {
            for (int p = 0; p < propertyCount_; ++p)
                WriteBlock(w, ds, p, propertyCount_, plan.x, -1, 0, rangeComputed, lost);
        } else {
            const int steps = ds.dimensions[plan.block].Steps();
            for (int j = 0; j < steps; ++j) {
                ds.SetDimensionCurrent(plan.block, j);
                for (int p = 0; p < propertyCount_; ++p)
                    WriteBlock(w, ds, p, propertyCount_, plan.x, plan.block, j, rangeComputed, lost);
            }
        }
    }
    if (propertyCount_ > 1) w.Put("##END=\n");
    w.Flush();
    if (losses) {
        if (!plan.any)
            NoteKept(losses, 0, ds.ValueCount(),
                     "JCAMP-DX blocks here hold one or two dimensions of more than one step");
        if (lost.nonFinite > 0)
            losses->push_back(std::to_string(lost.nonFinite) +
                              " values that are not finite (NaN or infinity) were written as '?'");
        if (lost.toZero > 0)
            losses->push_back(std::to_string(lost.toZero) +
                              " non-zero values were written as 0 (smaller than their block's YFACTOR)");
    }
    return os;
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.compare(0, std::strlen(prefix), prefix) == 0; }

// The value of a "##LABEL=value" line: the text after the first "=", leading blanks removed.
bool LabelValue(const std::string& line, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    std::size_t start = eq + 1;
    while (start < line.size() && line[start] == ' ') ++start;
    value = line.substr(start);
    return true;
}

// A Y or X number of an XYDATA pair: a decimal number, or "?" for a missing value.
bool ReadPairNumber(TextCursor& in, double& v) {
    in.SkipWs();
    if (in.good() && in.Peek() == '?') {
        in.Get();
        v = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (in.eof()) in.SetFail();
    if (in.fail()) return false;
    in.ReadDouble(v);
    return !in.fail();
}

}  // namespace

namespace {

// The records before "##XYDATA" that the reader takes.
struct BlockRecords {
    std::string xLabel, yLabel;
    std::optional<std::string> xUnits, yUnits;  // name the axis and the property when present
    double xFactor = 1.0, yFactor = 1.0;
    int count = 0;
};

// One "##LABEL=value" record into `r` (records without "=" and all others are ignored).
void TakeRecord(const std::string& line, BlockRecords& r) {
    const std::string key8 = line.substr(0, 8), key9 = line.substr(0, 9);
    std::string value;
    if (key8 == "##XLABEL" || key8 == "##YLABEL" || key8 == "##XUNITS" || key8 == "##YUNITS") {
        if (!LabelValue(line, value)) return;
        if (key8 == "##XLABEL") r.xLabel = value;
        if (key8 == "##YLABEL") r.yLabel = value;
        if (key8 == "##XUNITS") r.xUnits = value;
        if (key8 == "##YUNITS") r.yUnits = value;
    } else if (key9 == "##XFACTOR" || key9 == "##YFACTOR" || key9 == "##NPOINTS") {
        if (!LabelValue(line, value)) return;
        if (key9 == "##XFACTOR") r.xFactor = ParseLeadingDouble(value);
        if (key9 == "##YFACTOR") r.yFactor = ParseLeadingDouble(value);
        if (key9 == "##NPOINTS") r.count = ParseLeadingInt(value);
    }
}

// The records up to "##XYDATA"; false when the file ends before it.
bool ReadRecords(TextCursor& in, BlockRecords& r) {
    std::string line;
    for (in.GetLine(line); !in.fail(); in.GetLine(line)) {
        if (StartsWith(line, "##XYDATA")) return true;
        TakeRecord(line, r);
    }
    return false;
}

// The count's pairs, scaled by the factors. Storage grows with the pairs actually present: the
// count alone never sizes an allocation.
void ReadPairs(TextCursor& in, const BlockRecords& r, std::vector<float>& xs, std::vector<float>& ys) {
    const std::size_t guess = static_cast<std::size_t>(std::min(r.count, 1 << 16));
    xs.reserve(guess);
    ys.reserve(guess);
    for (int i = 0; i < r.count; ++i) {
        double x, y;
        if (!ReadPairNumber(in, x) || !ReadPairNumber(in, y)) break;
        xs.push_back(static_cast<float>(x * r.xFactor));
        ys.push_back(static_cast<float>(y * r.yFactor));
    }
}

}  // namespace

std::istream& DataStore::ReadJcampText(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    is.clear();
    dimensions.Resize(1);
    properties.Resize(1);

    TextCursor in(is);
    std::string line;
    in.GetLine(line);
    const bool title = StartsWith(line, "##TITLE");
    in.GetLine(line);
    if (!title || !StartsWith(line, "##JCAMP-DX")) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    BlockRecords r;
    const bool foundData = ReadRecords(in, r);
    if (r.xUnits) dimensions.At(0).name = *r.xUnits;
    if (r.yUnits) properties.At(0) = *r.yUnits;
    if (!foundData) {
        // The file ends before its data: the load fails.
        in.ApplyTo(is);
        return is;
    }
    // A block needs at least one pair; without a usable count there is nothing to read.
    if (r.count < 1) {
        is.setstate(std::ios_base::failbit);
        Fail(msg::kFileCorrupt);
    }
    std::vector<float> xs, ys;
    ReadPairs(in, r, xs, ys);
    in.ApplyTo(is);
    if (static_cast<int>(ys.size()) < r.count) {
        // Fewer pairs than announced: the load fails, and the block the count asks for is never
        // allocated. Pairs that stop at the end of the text are a cut-off file, refused with what
        // it still held.
        is.setstate(std::ios_base::failbit);
        if (in.eof()) Fail(msg::EndsEarly(static_cast<long long>(ys.size()), r.count));
        return is;
    }
    if (!r.xLabel.empty()) dimensions.At(0).name = r.xLabel;
    if (!r.yLabel.empty()) properties.At(0) = r.yLabel;
    Dimension& dim = dimensions.At(0);
    dim.values.Resize(r.count);
    std::copy(xs.begin(), xs.end(), dim.values.Data());
    Initialize();
    std::copy(ys.begin(), ys.end(), data.Data());
    ComputeDataRange();
    return is;
}

namespace {
void WriteJcampDxFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    JcampDxExporter exporter(ds);
    exporter.Write(os, o.losses);
}
}  // namespace

// Written with "##TITLE=" first, which the tagged reader takes; a file whose first line is the
// format's own name is refused as an export.
constinit const FormatInfo kJcampDxFormat = {
    .name = "JCAMP-DX",
    .fuzzKey = "jcamp",
    .accepts = {FirstLines::Match::Prefix, "##TITLE", {}},
    .refuses = {FirstLines::Match::WholeLine, "JCAMP-DX 5.0", {}},
    .refusal = "JCAMP-DX is an export only format.\nIt cannot be imported.\n",
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadJcampText,
    .write = WriteJcampDxFile,
    .mode = StreamMode::Text,
    .holds = {2, true, false, false},
    .target = {6, "jdx", ".jdx", "JCAMP-DX", "Save in JCAMP-DX format",
               "Save the converted DataStore in JCAMP-DX interchange format.", WriteJcampDxFile},
};

}  // namespace kyn

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
#include "formats/export/JcampDx.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <strings.h>
#include <utility>

#include "formats/export/ExportText.h"
#include "formats/export/StreamCursor.h"
#include "util/StringUtil.h"
#include "util/TimeText.h"
#include "util/UserName.h"

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

std::int64_t RepeatMeasure(const float* a, int n) {
    if (n <= 0) return 0;
    // Equal values, grouped by sorting (value, index). NaN equals nothing and is left out; +0 and
    // -0 are equal, as the comparison of floats has them.
    std::vector<std::pair<float, int>> v;
    v.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float x = a[i];
        if (std::isnan(x)) continue;
        v.emplace_back(x == 0.0f ? 0.0f : x, i);
    }
    std::sort(v.begin(), v.end());
    std::int64_t t = 0;
    for (std::size_t g = 0; g < v.size();) {
        std::size_t e = g;
        while (e < v.size() && v[e].first == v[g].first) ++e;
        // Positions of this value, ascending. For position i the partners are the positions k of
        // the group with 1 <= k <= n-2-i; the bound falls as i rises, so one pointer walks down.
        const std::size_t lo = v[g].second == 0 ? g + 1 : g;  // k = 0 never counts
        std::size_t hi = e;                                    // positions [g, hi) are <= bound
        for (std::size_t a_ = g; a_ < e; ++a_) {
            const std::int64_t bound = static_cast<std::int64_t>(n) - 2 - v[a_].second;
            while (hi > g && v[hi - 1].second > bound) --hi;
            if (hi > lo) t += static_cast<std::int64_t>(hi - lo);
        }
        g = e;
    }
    return (100 * t) / n;
}

namespace {

constexpr float kSmallFactors[] = {0.000001f, 0.00001f, 0.0001f, 0.001f, 0.01f, 0.1f};

bool QuotientFits(float q) { return q >= -2147483648.0f && q < 2147483648.0f; }

bool AllFit(const float* values, int n, float factor) {
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(values[i])) continue;
        if (!QuotientFits(values[i] / factor)) return false;
    }
    return true;
}

}  // namespace

float ChooseYFactor(const float* values, int n) {
    const std::int64_t reference = RepeatMeasure(values, n);
    std::vector<float> scaled(static_cast<std::size_t>(n));
    int chosen = 6;  // index into the powers 1e-6 .. 1e-1, then 6 = 1e0, 7 = 1e1, ...
    for (int k = 0; k < 6; ++k) {
        const float f = kSmallFactors[k];
        for (int i = 0; i < n; ++i) scaled[static_cast<std::size_t>(i)] = values[i] / f;
        if (RepeatMeasure(scaled.data(), n) == reference) {
            chosen = k;
            break;
        }
    }
    // An integer form must exist for every quotient: raise the factor by powers of ten until it
    // does (a float tops out near 3.4e38, so 1e38 always fits).
    for (int k = chosen;; ++k) {
        const float f = k < 6 ? kSmallFactors[k] : std::pow(10.0f, static_cast<float>(k - 6));
        if (AllFit(values, n, f) || k - 6 >= 38) return f;
    }
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

void WriteBlock(ChunkWriter& w, DataStore& ds, int p, int propertyCount, int x, int block, int step) {
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
    std::vector<float> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) s[static_cast<std::size_t>(i)] = view.At(i);
    const float yFactor = jcamp::ChooseYFactor(s.data(), n);
    ds.ComputeDataRange();
    const Dimension& xDim = ds.dimensions[x];
    float maxY = s.at(0), minY = s.at(0);
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
        const float q = s[static_cast<std::size_t>(i)] / yFactor;
        if (std::isfinite(q) && q >= -2147483648.0f && q < 2147483648.0f)
            w.Integer(static_cast<std::int32_t>(q));
        else
            w.Put('?');
        w.Newline();
    }
    w.Put("##END=\n");
}

}  // namespace

JcampDxExporter::JcampDxExporter(DataStore& store)
    : store_(store),
      propertyCount_(store.properties.Count()),
      timeStamp_(ChooseTimeStamp(store.lastModified, store.title, static_cast<std::int64_t>(std::time(nullptr)))) {}

std::ostream& JcampDxExporter::Write(std::ostream& os) {
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
    if (plan.any) {
        if (plan.block < 0) {
            for (int p = 0; p < propertyCount_; ++p) WriteBlock(w, ds, p, propertyCount_, plan.x, -1, 0);
        } else {
            const int steps = ds.dimensions[plan.block].Steps();
            for (int j = 0; j < steps; ++j) {
                ds.SetDimensionCurrent(plan.block, j);
                for (int p = 0; p < propertyCount_; ++p) WriteBlock(w, ds, p, propertyCount_, plan.x, plan.block, j);
            }
        }
    }
    if (propertyCount_ > 1) w.Put("##END=\n");
    w.Flush();
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
bool ReadPairNumber(StreamCursor& in, double& v) {
    in.SkipWs();
    if (in.Good() && in.Peek() == '?') {
        in.Get();
        v = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (in.AtEof()) in.SetFail();
    return !in.Failed() && in.ReadDouble(v);
}

}  // namespace

std::istream& DataStore::ReadJcampText(std::istream& is) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    is.clear();
    dimensions.Resize(1);
    properties.Resize(1);

    StreamCursor in(is);
    std::string line;
    in.GetLine(line);
    if (!StartsWith(line, "##TITLE")) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    in.GetLine(line);
    if (!StartsWith(line, "##JCAMP-DX")) {
        is.setstate(std::ios_base::failbit);
        return is;
    }

    std::string xLabel, yLabel, value;
    double xFactor = 1.0, yFactor = 1.0;
    int count = 0;
    bool foundData = false;
    while (in.GetLine(line)) {
        if (StartsWith(line, "##XYDATA")) {
            foundData = true;
            break;
        }
        const std::string key8 = line.substr(0, 8), key9 = line.substr(0, 9);
        if (key8 == "##XLABEL" || key8 == "##YLABEL" || key8 == "##XUNITS" || key8 == "##YUNITS") {
            if (!LabelValue(line, value)) continue;
            if (key8 == "##XLABEL") xLabel = value;
            if (key8 == "##YLABEL") yLabel = value;
            if (key8 == "##XUNITS") dimensions.At(0).name = value;
            if (key8 == "##YUNITS") properties.At(0) = value;
        } else if (key9 == "##XFACTOR" || key9 == "##YFACTOR" || key9 == "##NPOINTS") {
            if (!LabelValue(line, value)) continue;
            if (key9 == "##XFACTOR") xFactor = ParseLeadingDouble(value);
            if (key9 == "##YFACTOR") yFactor = ParseLeadingDouble(value);
            if (key9 == "##NPOINTS") count = ParseLeadingInt(value);
        }
    }
    if (!foundData) {
        // The file ends before its data: the load fails.
        in.ApplyTo(is);
        return is;
    }
    // A block needs at least one pair; without a usable count there is nothing to read.
    if (count < 1) {
        is.setstate(std::ios_base::failbit);
        Fail(msg::kFileCorrupt);
    }

    // Storage grows with the pairs actually present: the count alone never sizes an allocation.
    std::vector<float> xs, ys;
    const std::size_t guess = static_cast<std::size_t>(std::min(count, 1 << 16));
    xs.reserve(guess);
    ys.reserve(guess);
    for (int i = 0; i < count; ++i) {
        double x, y;
        if (!ReadPairNumber(in, x) || !ReadPairNumber(in, y)) break;
        xs.push_back(static_cast<float>(x * xFactor));
        ys.push_back(static_cast<float>(y * yFactor));
    }
    in.ApplyTo(is);
    if (static_cast<int>(ys.size()) < count) {
        // Fewer pairs than announced: the load fails, and the block the count asks for is never
        // allocated.
        is.setstate(std::ios_base::failbit);
        return is;
    }

    if (!xLabel.empty()) dimensions.At(0).name = xLabel;
    if (!yLabel.empty()) properties.At(0) = yLabel;
    Dimension& dim = dimensions.At(0);
    dim.values.Resize(count);
    std::copy(xs.begin(), xs.end(), dim.values.Data());
    Initialize();
    std::copy(ys.begin(), ys.end(), data.Data());
    ComputeDataRange();
    return is;
}

}  // namespace kyn

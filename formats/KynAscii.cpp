// KYN-ASCII (.glb): one kinetic trace.
//
//   KYN-ASCII
//   INFO>cp_wl_<wavelength/10>nm_tp_<temperature>_tm_<time>[_ft]
//   <N>
//   <x>\t<y>[\t<fit>]          N rows, the axis ascending
//   (empty line)
//   <x min> <y min> <x max> <y max>     one per line
//   <x label> <y label> <4 comment lines> <title> <timestamp>   one per line
//
// Numbers are upper-case %G with six significant digits (1.5E-005). Labels are the kinetic
// display labels ("Time (seconds)", "CD", ...); reading maps them back to names, except that a
// time axis keeps "Time (seconds)", which the prefix lookup still finds as "Time".
#include "formats/KynAscii.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "datastore/DataStore.h"
#include "datastore/Vocabulary.h"
#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "formats/io/TextCursor.h"
#include "util/TimeText.h"
#include "formats/Registry.h"

namespace kyn {

void APdata::Make(int n, const float* xs, const float* ys, const std::string& t, const std::string& xl,
                  const std::string& yl) {
    MakeInPlace(n, {xs, 1, ys, 1}, t, xl, yl);
    x.assign(xs, xs + std::max(n, 0));
    y.assign(ys, ys + std::max(n, 0));
}

void APdata::MakeInPlace(int n, const Points& points, const std::string& t, const std::string& xl,
                         const std::string& yl) {
    count = n;
    title = t;
    xLabel = xl;
    yLabel = yl;
    if (n <= 0) return;
    xMin = xMax = points.x[0];
    yMin = yMax = points.y[0];
    for (int i = 0; i < n; ++i) {
        const double xi = points.x[i * points.xStride], yi = points.y[i * points.yStride];
        xMin = std::min(xMin, xi);
        xMax = std::max(xMax, xi);
        yMin = std::min(yMin, yi);
        yMax = std::max(yMax, yi);
    }
}

void APdata::Stamp() { timestamp = FormatCTime(LocalNow()); }

std::ostream& APdata::Write(std::ostream& os) const {
    // The rows come from x and y, which must hold the count.
    const auto need = static_cast<std::size_t>(std::max(count, 0));
    if (x.size() < need || y.size() < need) throw std::out_of_range("APdata: fewer points than the count");
    return WritePoints(os, {x.data(), 1, y.data(), 1});
}

std::ostream& APdata::WritePoints(std::ostream& os, const Points& points) const {
    ChunkWriter w(os, NumberStyle::kGeneralUpper);
    w.Put("KYN-ASCII\n");
    w.Put("INFO>cp_wl_").Number(wavelength / 10.0).Put("nm_tp_").Number(temperature).Put("_tm_").Number(time);
    if (fitFlag) w.Put("_ft");
    w.Newline();
    w.Integer(count).Newline();
    const bool withFit = fitFlag && static_cast<int>(fit.size()) >= count;
    for (int i = 0; i < count; ++i) {
        w.Number(points.x[i * points.xStride]).Put('\t').Number(points.y[i * points.yStride]);
        if (withFit) w.Put('\t').Number(fit[static_cast<std::size_t>(i)]);
        w.Newline();
    }
    w.Newline();
    w.Number(xMin).Newline().Number(yMin).Newline().Number(xMax).Newline().Number(yMax).Newline();
    w.Put(xLabel).Newline().Put(yLabel).Newline();
    for (const std::string& c : comments) w.Put(c).Newline();
    w.Put(title).Newline().Put(timestamp).Newline();
    w.Flush();
    return os;
}

namespace {

// Tenths of a nanometre from ten times the wavelength, rounded as the record stores them (plus
// 0.5, truncated toward zero); false when the result does not fit the record's 32-bit field (NaN,
// infinite, or beyond about 2e8 nm), where the conversion would be undefined.
bool WavelengthTenths(double tenfold, std::int32_t& tenths) {
    const double t = tenfold + 0.5;
    if (!(t > -2147483649.0 && t < 2147483648.0)) return false;
    tenths = static_cast<std::int32_t>(t);
    return true;
}

// The conditions after "INFO>": tokens separated by "_"; "wl", "tp" and "tm" are followed by a
// number read straight after their separator, "ft" sets the fit flag, anything else is skipped.
bool ParseInfo(const std::string& rest, APdata& rec) {
    std::size_t pos = 0;
    while (pos < rest.size()) {
        std::size_t end = rest.find('_', pos);
        if (end == std::string::npos) end = rest.size();
        const std::string token = rest.substr(pos, end - pos);
        pos = end < rest.size() ? end + 1 : end;
        if (token != "wl" && token != "tp" && token != "tm") {
            if (token == "ft") rec.fitFlag = 1;
            continue;
        }
        // The number: as the stream reads it, skipping blanks and stopping at the first character
        // that cannot continue it ("280nm" gives 280 and leaves "nm" as the next token).
        std::size_t p = pos;
        while (p < rest.size() && (rest[p] == ' ' || rest[p] == '\t')) ++p;
        std::size_t q = p;
        if (q < rest.size() && (rest[q] == '+' || rest[q] == '-')) ++q;
        bool digits = false;
        while (q < rest.size() && std::isdigit(static_cast<unsigned char>(rest[q]))) ++q, digits = true;
        if (q < rest.size() && rest[q] == '.') {
            ++q;
            while (q < rest.size() && std::isdigit(static_cast<unsigned char>(rest[q]))) ++q, digits = true;
        }
        if (!digits) return false;
        if (q < rest.size() && (rest[q] == 'e' || rest[q] == 'E')) {
            std::size_t e = q + 1;
            if (e < rest.size() && (rest[e] == '+' || rest[e] == '-')) ++e;
            if (e < rest.size() && std::isdigit(static_cast<unsigned char>(rest[e]))) {
                while (e < rest.size() && std::isdigit(static_cast<unsigned char>(rest[e]))) ++e;
                q = e;
            } else {
                return false;  // an exponent without digits spoils the number
            }
        }
        const double v = std::strtod(rest.substr(p, q - p).c_str(), nullptr);
        if (token == "wl" && !WavelengthTenths(v * 10.0, rec.wavelength)) return false;
        if (token == "tp") rec.temperature = static_cast<float>(v);
        if (token == "tm") rec.time = static_cast<float>(v);
        pos = q;
        // What follows the number up to the next "_" is the next token.
    }
    return true;
}

}  // namespace

std::istream& APdata::Read(std::istream& is) {
    is.clear();
    is.seekg(0);
    TextCursor in(is);
    std::string line;
    in.SkipWs();
    in.GetLine(line);
    if (in.fail() || line != "KYN-ASCII") {
        in.SetFail();
        in.ApplyTo(is);
        return is;
    }
    int stop = -1;
    in.GetUntil(line, '>', &stop);
    if (in.fail() || line != "INFO") {
        in.SetFail();
        in.ApplyTo(is);
        return is;
    }
    temperature = time = 0.0f;
    wavelength = 0;
    fitFlag = 0;
    std::string rest;
    // The rest of the INFO line ("INFO" alone on its line leaves nothing).
    if (stop == '>') in.GetLine(rest);
    if (!ParseInfo(rest, *this)) in.SetFail();

    int n = 0;
    in.ReadInt(n);
    if (n < 0) in.SetFail();
    count = in.fail() ? 0 : n;
    // Rows are stored as they are read: a count larger than the file never sizes an allocation.
    x.clear();
    y.clear();
    fit.clear();
    const std::size_t guess = static_cast<std::size_t>(std::min(count, 1 << 16));
    x.reserve(guess);
    y.reserve(guess);
    if (fitFlag) fit.reserve(guess);
    for (int i = 0; i < count && !in.fail(); ++i) {
        float xi, yi, fi = 0.0f;
        in.ReadFloat(xi);
        in.ReadFloat(yi);
        if (fitFlag) in.ReadFloat(fi);
        if (in.fail()) break;
        x.push_back(xi);
        y.push_back(yi);
        if (fitFlag) fit.push_back(fi);
    }
    // Rows that stop at the end of the text: a cut-off file, refused with what it still held.
    if (static_cast<int>(y.size()) < count && in.eof()) {
        in.ApplyTo(is);
        Fail(msg::EndsEarly(static_cast<long long>(y.size()), count));
    }
    in.SkipWs();
    double a = 0, b = 0, c = 0, d = 0;
    in.ReadDouble(a);
    in.ReadDouble(b);
    in.ReadDouble(c);
    in.ReadDouble(d);
    xMin = std::min(a, c);
    yMin = std::min(b, d);
    xMax = std::max(a, c);
    yMax = std::max(b, d);
    in.SkipWs();
    in.GetLine(xLabel);
    in.GetLine(yLabel);
    for (std::string& comment : comments) in.GetLine(comment);
    in.GetLine(title);
    in.GetLine(timestamp);
    in.ApplyTo(is);
    return is;
}

std::ostream& DataStore::WriteKynAscii(std::ostream& os, int t, LossNotes* losses) {
    const Dimension& axis = dimensions[t];
    const int n = axis.Steps();
    const bool ascending = axis.values[0] < axis.values[n - 1];  // no values: "Array out of bounds!"
    const Array<float> slice = GetCurrentSlice(t);
    // The trace is written straight from the axis and the value block, ascending (a descending
    // axis is walked backwards), never copied: a long trace costs no memory beyond the block.
    const std::ptrdiff_t xStride = axis.values.Stride(), yStride = slice.Stride();
    const float* x0 = axis.values.Data();
    const float* y0 = slice.Data();
    const APdata::Points points =
        ascending ? APdata::Points{x0, xStride, y0, yStride}
                  : APdata::Points{x0 + (n - 1) * xStride, -xStride, y0 + (n - 1) * yStride, -yStride};
    APdata rec;
    rec.MakeInPlace(n, points, title, NameToLabel(GetDimensionName(t, true)),
                    NameToLabel(GetPropertyName(currentProperty, true)));
    rec.Stamp();
    if (FindDimension("Wavelength") != -1) {
        const float tenfold = GetCurrentValue("Wavelength") * 10.0f;
        // A wavelength the record cannot hold fails the save rather than write a wrong one.
        if (!WavelengthTenths(static_cast<double>(tenfold), rec.wavelength)) {
            os.setstate(std::ios_base::failbit);
            return os;
        }
    }
    rec.WritePoints(os, points);
    os.flush();
    NoteKept(losses, n, ValueCount(),
             "KYN-ASCII holds one trace ('" + GetPropertyName(currentProperty, true) + "' over '" +
                 GetDimensionName(t, true) + "'); the other dimensions are taken at their current step");
    return os;
}

std::istream& DataStore::ReadKynAscii(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    APdata rec;
    rec.Read(is);
    if (is.fail() || is.bad()) return is;
    title = rec.title;
    Dimension axis(LabelToName(rec.xLabel), rec.count);
    std::copy(rec.x.begin(), rec.x.end(), axis.values.Data());
    const bool addWavelength = axis.Kind() != "Wavelength";
    dimensions.Resize(addWavelength ? 2 : 1);
    dimensions.At(0) = axis;
    if (addWavelength) dimensions.At(1) = Dimension("Wavelength", static_cast<float>(rec.wavelength / 10.0));
    properties.Resize(1);
    properties.At(0) = LabelToName(rec.yLabel);
    Initialize();
    if (rec.count > 0) std::copy(rec.y.begin(), rec.y.end(), data.Data());
    minValue = rec.yMin;
    maxValue = rec.yMax;
    return is;
}

namespace {
void WriteKynAsciiFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    const int t = ds.FindDimension("Time");
    if (t < 0) throw KynError("KYN-ASCII needs a dimension named Time, and this DataStore has none");
    ds.WriteKynAscii(os, t, o.losses);
}
}  // namespace

// No target of its own: the kinetic target writes it for a store that is not spectrakinetic.
constinit const FormatInfo kKynAsciiFormat = {
    .name = "KYN-ASCII",
    .fuzzKey = "kynascii",
    .accepts = {FirstLines::Match::WholeLine, "KYN-ASCII", {}},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadKynAscii,
    .write = WriteKynAsciiFile,
    .mode = StreamMode::Text,
    .holds = {1, false, false, false},
    .target = {},
};

}  // namespace kyn

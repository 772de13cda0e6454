// KYN-ASCII-SPECTRAKINETIC (.glb): a series of spectra over time, one property.
//
//   KYN-ASCII-SPECTRAKINETIC
//   TYPE>DATA_<full property name>
//   %
//   <title, only when not empty>
//   <remark lines>
//   %
//   /
//   N_spec: <times>
//   N_lam: <wavelengths>
//   Times:       then one time per line, in stored order
//   Lambda:      then one wavelength per line, ascending when the axis was stored descending
//   Data:        then per time one value per line in the order of "Lambda:", and an empty line
//   (empty line)
//
// Reading gives dimension 0 "Wavelength", dimension 1 "Time" and the remarks as read between the
// two "%" lines: the empty rest of the opening "%" line first, the closing "%" replaced by a rule
// of 21 hyphens.
#include <algorithm>
#include <climits>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/ExportHelpers.h"
#include "formats/io/ChunkWriter.h"
#include "formats/io/TextCursor.h"
#include "formats/Registry.h"

namespace kyn {

namespace {

constexpr const char* kMagic = "KYN-ASCII-SPECTRAKINETIC";
constexpr int kRemarkLineLimit = 1000;

[[noreturn]] void Corrupt(std::istream& is) {
    is.setstate(std::ios_base::failbit);
    Fail(msg::kFileCorrupt);
}

// Reads up to `count` floats into `out`; storage grows with what the file really holds.
void ReadFloats(TextCursor& in, int count, std::vector<float>& out) {
    out.clear();
    out.reserve(static_cast<std::size_t>(std::min(count, 1 << 16)));
    for (int i = 0; i < count; ++i) {
        float v;
        in.ReadFloat(v);
        if (in.fail()) return;
        out.push_back(v);
    }
}

}  // namespace

namespace {

// The reader ends the free text at the first line that begins with "%" and takes at most 999
// lines there; a text the reader would end early, or a name that spans lines, is refused rather
// than written into a file that reads back as something else.
void CheckFreeText(const DataStore& ds, const std::string& property) {
    if (property.find('\n') != std::string::npos || (!property.empty() && property[0] == '%'))
        CannotHold(kMagic, "the property name '" + property + "'");
    int lines = 0;
    const auto line = [&](const std::string& text, const char* what) {
        if (text.find('\n') != std::string::npos) CannotHold(kMagic, std::string(what) + " that spans several lines");
        if (!text.empty() && text[0] == '%') CannotHold(kMagic, std::string(what) + " that begins with '%'");
        ++lines;
    };
    if (!ds.title.empty()) line(ds.title, "a title");
    for (int i = 0; i < ds.remarks.Count(); ++i) line(ds.remarks.At(i), "a remark");
    // The reader's count includes the rest of the opening "%" line and the closing "%".
    if (lines + 2 >= kRemarkLineLimit) CannotHold(kMagic, "more than 997 lines of title and remarks");
}

}  // namespace

std::ostream& DataStore::WriteSpectraKinetic(std::ostream& os, LossNotes* losses) {
    if (!IsSpectraKinetic()) throw KynError("Cannot export this file to spectrakinetic format");
    int p = 0;
    while (p < properties.Count() && GetPropertyName(p, true) == "Count") ++p;
    const std::string& property = properties[p];  // none but "Count": "Array out of bounds!"
    CheckFreeText(*this, property);
    const int t = FindDimension("Time");
    const int wl = FindDimension("Wavelength");
    ChunkWriter w(os);
    w.Put(kMagic).Newline();
    formatName = kMagic;
    SetCurrentProperty(p);
    w.Put("TYPE>DATA_").Put(property).Newline();
    w.Put("%\n");
    if (!title.empty()) w.Put(title).Newline();
    for (int i = 0; i < remarks.Count(); ++i) w.Put(remarks.At(i)).Newline();
    w.Put("%\n");
    w.Flush();
    w.Put("/\n");
    const Dimension& times = dimensions[t];
    const Dimension& lambda = dimensions[wl];
    const int spectraCount = times.Steps(), wavelengthCount = lambda.Steps();
    w.Put("N_spec: ").Integer(spectraCount).Newline();
    w.Put("N_lam: ").Integer(wavelengthCount).Newline();
    w.Put("Times:\n");
    for (int k = 0; k < spectraCount; ++k) w.Number(times.values.At(k)).Newline();
    // Only the first two values decide the order.
    const bool reversed = wavelengthCount > 1 && lambda.values.At(1) < lambda.values.At(0);
    w.Put("Lambda:\n");
    for (int i = 0; i < wavelengthCount; ++i) w.Number(lambda.values.At(reversed ? wavelengthCount - 1 - i : i)).Newline();
    w.Put("Data:\n");
    for (int k = 0; k < spectraCount; ++k) {
        SetDimensionCurrent(t, k);
        const Array<float> spectrum = GetSlice(wl, p);
        for (int i = 0; i < wavelengthCount; ++i) w.Number(spectrum.At(reversed ? wavelengthCount - 1 - i : i)).Newline();
        w.Newline();
    }
    w.Newline();
    w.Flush();
    NoteKept(losses, std::int64_t{spectraCount} * wavelengthCount, ValueCount(),
             "KYN-ASCII-SPECTRAKINETIC holds one property ('" + GetPropertyName(p, true) +
                 "') over Wavelength and Time; the other dimensions are taken at their current step");
    return os;
}

namespace {

// The reading cursor with the stream it fails when the file is corrupt.
struct SpectraReader {
    std::istream& is;
    TextCursor& in;

    // A word or line that must be there.
    void Expect(bool ok) {
        if (in.fail() || !ok) Corrupt(is);
    }
    // "N_spec: <n>" or "N_lam: <n>": a word up to a blank, then a count.
    int Count(const char* label) {
        std::string word;
        in.SkipWs();
        in.GetUntil(word, ' ');
        Expect(word == label);
        int n = 0;
        in.ReadInt(n);
        Expect(n >= 0);
        return n;
    }
    void Line(const char* text) {
        std::string line;
        in.SkipWs();
        in.GetLine(line);
        Expect(line == text);
    }
};

// The first line, "TYPE>DATA_<property>" and the free text between the "%" lines (see the
// layout at the top for what the remarks become).
void ReadTypeAndRemarks(DataStore& ds, SpectraReader& r) {
    TextCursor& in = r.in;
    std::string line;
    in.GetLine(line);
    r.Expect(line == kMagic);
    in.GetUntil(line, '>');
    r.Expect(line == "TYPE");
    ds.properties.Resize(1);
    ds.dimensions.Resize(2);
    in.GetUntil(line, '_');
    r.Expect(line.find("DATA") != std::string::npos);
    in.GetLine(line);
    if (!line.empty() && line[0] == '%') {
        // "TYPE>DATA" without a name: the read above already took the opening "%" line.
        ds.properties.At(0) = "Absorbance";
    } else {
        ds.properties.At(0) = line;
        std::string word;
        in.ReadWord(word);
        if (word != "%") in.Clear();  // the word is dropped; the remarks start after it
    }
    std::vector<std::string> lines;
    int read = 0;
    for (; read < kRemarkLineLimit; ++read) {
        in.GetLine(line);
        if (in.fail()) break;
        lines.push_back(line);
        if (!line.empty() && line[0] == '%') {
            ++read;
            break;
        }
    }
    if (read >= kRemarkLineLimit) {
        ds.remarks.Resize(0);
        Corrupt(r.is);
    }
    if (!lines.empty()) lines.back() = "---------------------";
    ds.remarks.Resize(static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) ds.remarks.At(static_cast<int>(i)) = lines[i];
}

// "/", the counts, "Times:" and "Lambda:" with their values, "Data:"; dimension 0 becomes the
// wavelengths, dimension 1 the times (both read in full, so their counts are backed by the file).
void ReadAxes(DataStore& ds, SpectraReader& r) {
    std::string word;
    r.in.ReadWord(word);
    r.Expect(word == "/");
    const int spectraCount = r.Count("N_spec:");
    const int wavelengthCount = r.Count("N_lam:");
    std::vector<float> times, lambda;
    r.Line("Times:");
    ReadFloats(r.in, spectraCount, times);
    r.Line("Lambda:");
    ReadFloats(r.in, wavelengthCount, lambda);
    r.Line("Data:");
    Dimension& wl = ds.dimensions.At(0);
    wl.Reset("Wavelength", wavelengthCount);
    std::copy(lambda.begin(), lambda.end(), wl.values.Data());
    Dimension& tm = ds.dimensions.At(1);
    tm.Reset("Time", spectraCount);
    std::copy(times.begin(), times.end(), tm.values.Data());
}

// The spectra, read before anything is allocated for them; false (the stream failed) for values
// that are no numbers, and a refusal with what was there for a file that stops inside them.
bool ReadSpectra(DataStore& ds, SpectraReader& r) {
    const long long total = static_cast<long long>(ds.dimensions.At(0).Steps()) * ds.dimensions.At(1).Steps();
    if (total > INT_MAX) Corrupt(r.is);
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(std::min<long long>(total, 1 << 20)));
    for (long long i = 0; i < total; ++i) {
        float v;
        r.in.ReadFloat(v);
        if (r.in.fail()) break;
        values.push_back(v);
        r.in.SkipWs();
    }
    if (static_cast<long long>(values.size()) < total) {
        r.in.ApplyTo(r.is);
        if (r.in.eof()) Fail(msg::EndsEarly(static_cast<long long>(values.size()), total));
        return false;
    }
    // The white space after the last value may run to the end of the file: that is the normal end
    // of the file, not a failure.
    r.in.ClearEof();
    r.in.ApplyTo(r.is);
    ds.Initialize();
    if (total > 0) {
        std::copy(values.begin(), values.end(), ds.data.Data());
        ds.ComputeDataRange();
    }
    return true;
}

}  // namespace

std::istream& DataStore::ReadSpectraKinetic(std::istream& is, bool) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    TextCursor in(is);
    SpectraReader r{is, in};
    ReadTypeAndRemarks(*this, r);
    ReadAxes(*this, r);
    ReadSpectra(*this, r);
    return is;
}

namespace {

void WriteSpectraKineticFile(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    ds.WriteSpectraKinetic(os, o.losses);
}

// One extension for two formats: a wavelength-by-time data set goes out spectrakinetic, any
// other data set with a time axis as a kinetic trace; without a time axis there is nothing this
// target can hold, which fails the save.
void WriteKineticTarget(DataStore& ds, std::ostream& os, const WriterOptions& o) {
    if (ds.IsSpectraKinetic())
        WriteSpectraKineticFile(ds, os, o);
    else
        kKynAsciiFormat.write(ds, os, o);
}

}  // namespace

constinit const FormatInfo kSpectraKineticFormat = {
    .name = kMagic,
    .fuzzKey = "spectrakinetic",
    .accepts = {FirstLines::Match::WholeLine, kMagic, {}},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::TextFromStart,
    .read = &DataStore::ReadSpectraKinetic,
    .write = WriteSpectraKineticFile,
    .mode = StreamMode::Text,
    .holds = {2, false, false, false},
    .target = {4, "glb", ".glb", "KYN-ASCII-SPECTRAKINETIC or KYN-ASCII",
               "Save in Thalen / Thalen II format (KYN-ASCII / KYN-ASCII-SPECTRKINETIC)", "", WriteKineticTarget},
};

}  // namespace kyn

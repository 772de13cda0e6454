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
#include "formats/export/ExportText.h"
#include "formats/export/StreamCursor.h"

namespace kyn {

namespace {

constexpr const char* kMagic = "KYN-ASCII-SPECTRAKINETIC";
constexpr int kRemarkLineLimit = 1000;

[[noreturn]] void Corrupt(std::istream& is) {
    is.setstate(std::ios_base::failbit);
    Fail(msg::kFileCorrupt);
}

// Reads up to `count` floats into `out`; storage grows with what the file really holds.
void ReadFloats(StreamCursor& in, int count, std::vector<float>& out) {
    out.clear();
    out.reserve(static_cast<std::size_t>(std::min(count, 1 << 16)));
    for (int i = 0; i < count; ++i) {
        float v;
        if (!in.ReadFloat(v)) return;
        out.push_back(v);
    }
}

}  // namespace

std::ostream& DataStore::WriteSpectraKinetic(std::ostream& os) {
    if (!IsSpectraKinetic()) throw KynError("Cannot export this file to spectrakinetic format");
    const int t = FindDimension("Time");
    const int wl = FindDimension("Wavelength");
    ChunkWriter w(os);
    w.Put(kMagic).Newline();
    formatName = kMagic;
    int p = 0;
    while (p < properties.Count() && GetPropertyName(p, true) == "Count") ++p;
    const std::string& property = properties[p];  // none but "Count": "Array out of bounds!"
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
    return os;
}

std::istream& DataStore::ReadSpectraKinetic(std::istream& is) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    StreamCursor in(is);
    std::string line;
    if (!in.GetLine(line) || line != kMagic) Corrupt(is);
    if (!in.GetUntil(line, '>') || line != "TYPE") Corrupt(is);
    properties.Resize(1);
    dimensions.Resize(2);
    if (!in.GetUntil(line, '_') || line.find("DATA") == std::string::npos) Corrupt(is);

    std::vector<std::string> lines;
    in.GetLine(line);
    if (!line.empty() && line[0] == '%') {
        // "TYPE>DATA" without a name: the read above already took the opening "%" line.
        properties.At(0) = "Absorbance";
    } else {
        properties.At(0) = line;
        std::string word;
        in.ReadWord(word);
        if (word != "%") in.ClearState();  // the word is dropped; the remarks start after it
    }
    int read = 0;
    while (read < kRemarkLineLimit) {
        if (!in.GetLine(line)) break;
        ++read;
        lines.push_back(line);
        if (!line.empty() && line[0] == '%') break;
    }
    if (read >= kRemarkLineLimit) {
        remarks.Resize(0);
        Corrupt(is);
    }
    if (!lines.empty()) lines.back() = "---------------------";
    remarks.Resize(static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) remarks.At(static_cast<int>(i)) = lines[i];

    std::string word;
    if (!in.ReadWord(word) || word != "/") Corrupt(is);
    int spectraCount = 0, wavelengthCount = 0;
    in.SkipWs();
    if (!in.GetUntil(line, ' ') || line != "N_spec:" || !in.ReadInt(spectraCount) || spectraCount < 0) Corrupt(is);
    in.SkipWs();
    if (!in.GetUntil(line, ' ') || line != "N_lam:" || !in.ReadInt(wavelengthCount) || wavelengthCount < 0) Corrupt(is);
    in.SkipWs();
    if (!in.GetLine(line) || line != "Times:") Corrupt(is);
    std::vector<float> times, lambda;
    ReadFloats(in, spectraCount, times);
    in.SkipWs();
    if (!in.GetLine(line) || line != "Lambda:") Corrupt(is);
    ReadFloats(in, wavelengthCount, lambda);
    in.SkipWs();
    if (!in.GetLine(line) || line != "Data:") Corrupt(is);

    // Both axes were read in full, so their counts are backed by the file.
    Dimension& wl = dimensions.At(0);
    wl.Reset("Wavelength", wavelengthCount);
    std::copy(lambda.begin(), lambda.end(), wl.values.Data());
    Dimension& tm = dimensions.At(1);
    tm.Reset("Time", spectraCount);
    std::copy(times.begin(), times.end(), tm.values.Data());

    const long long total = static_cast<long long>(spectraCount) * wavelengthCount;
    if (total > INT_MAX) Corrupt(is);
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(std::min<long long>(total, 1 << 20)));
    for (long long i = 0; i < total; ++i) {
        float v;
        if (!in.ReadFloat(v)) break;
        values.push_back(v);
        in.SkipWs();
        if (in.Failed()) break;
    }
    if (static_cast<long long>(values.size()) < total) {
        // The file ends inside the data: the load fails, without allocating the announced block.
        in.ApplyTo(is);
        return is;
    }
    // The white space after the last value may run to the end of the file: that is the normal end
    // of the file, not a failure.
    in.ClearEof();
    in.ApplyTo(is);
    Initialize();
    if (total > 0) {
        std::copy(values.begin(), values.end(), data.Data());
        ComputeDataRange();
    }
    return is;
}

}  // namespace kyn

#include "conversion/VerifyOutput.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/JcampDx.h"
#include "formats/ReadBack.h"
#include "util/Notifier.h"
#include "util/NumberFormat.h"
#include "util/ProgressLog.h"
#include "util/TextStream.h"

namespace kyn {

namespace {

enum class Digits { Exact, Printed };

// What a text reader gives back for a value written with six significant digits: the float
// nearest the printed text. Values the text takes out of the float range read back as anything
// that close.
bool MatchesPrinted(float written, float read) {
    if (std::isnan(written)) return std::isnan(read);
    char buf[kMaxGChars];
    char* const end = FormatG(buf, written);
    float expected = 0.0f;
    const auto [ptr, ec] = std::from_chars(buf, end, expected);
    if (ec == std::errc() && ptr == end) return std::memcmp(&expected, &read, sizeof read) == 0;
    return ReadsBackAs(written, read, false);
}

bool Matches(float written, float read, Digits digits) {
    return digits == Digits::Exact ? ReadsBackAs(written, read, true) : MatchesPrinted(written, read);
}

std::string Shown(float v) { return FormatGString(v); }

std::string Differs(const std::string& what, float read, float written) {
    return what + " reads back as " + Shown(read) + ", not " + Shown(written);
}

std::string Named(const Dimension& d) { return "dimension '" + d.name + "'"; }

// Native formats: the whole shape, every axis value and every value.
std::string CompareWhole(const DataStore& w, const DataStore& r, Digits digits) {
    if (r.dimensions.Count() != w.dimensions.Count())
        return "it has " + std::to_string(r.dimensions.Count()) + " dimensions, not " + std::to_string(w.dimensions.Count());
    if (r.properties.Count() != w.properties.Count())
        return "it has " + std::to_string(r.properties.Count()) + " properties, not " + std::to_string(w.properties.Count());
    for (int k = 0; k < w.dimensions.Count(); ++k) {
        const Dimension& a = w.dimensions.At(k);
        const Dimension& b = r.dimensions.At(k);
        if (a.Steps() != b.Steps())
            return Named(a) + " has " + std::to_string(b.Steps()) + " steps, not " + std::to_string(a.Steps());
        for (int i = 0; i < a.Steps(); ++i)
            if (!Matches(a.values.At(i), b.values.At(i), digits))
                return Differs(Named(a) + ", step " + std::to_string(i + 1) + ",", b.values.At(i), a.values.At(i));
    }
    const std::int64_t n = w.ValueCount();
    if (r.ValueCount() != n || r.data.Count() < n || w.data.Count() < n)
        return "it holds " + std::to_string(r.ValueCount()) + " values, not " + std::to_string(n);
    const float* a = w.data.Data();
    const float* b = r.data.Data();
    for (std::int64_t i = 0; i < n; ++i)
        if (!Matches(a[i], b[i], digits)) return Differs("value " + std::to_string(i + 1), b[i], a[i]);
    return {};
}

// The kinetic formats hold one property (the store's current one, which the writer chose) along
// Time, or along Wavelength and Time. Each dimension of more than one step that the file has is
// matched by kind with the store's, in the same or the reversed order; the store's other
// dimensions stay at the steps the writer took them at.
std::string CompareKinetic(DataStore& w, const DataStore& r) {
    struct Axis {
        int written;     // the store's dimension
        int stride;      // in the file's value block
        int steps;
        bool reversed;
    };
    std::vector<Axis> axes;
    int stride = 1;
    for (int k = 0; k < r.dimensions.Count(); ++k) {
        const Dimension& b = r.dimensions.At(k);
        const int steps = b.Steps();
        if (steps > 1) {
            const int d = w.FindDimension(b.Kind());
            if (d < 0) return "it has a dimension '" + b.name + "' that the data have not";
            const Dimension& a = w.dimensions.At(d);
            if (a.Steps() != steps)
                return Named(a) + " has " + std::to_string(steps) + " steps, not " + std::to_string(a.Steps());
            const bool reversed = !MatchesPrinted(a.values.At(0), b.values.At(0)) &&
                                  MatchesPrinted(a.values.At(steps - 1), b.values.At(0));
            for (int i = 0; i < steps; ++i) {
                const float expected = a.values.At(reversed ? steps - 1 - i : i);
                if (!MatchesPrinted(expected, b.values.At(i)))
                    return Differs(Named(a) + ", step " + std::to_string(i + 1) + ",", b.values.At(i), expected);
            }
            axes.push_back({d, stride, steps, reversed});
        }
        stride *= steps;
    }
    if (axes.empty() || r.properties.Count() != 1 || r.data.Count() < stride) return "it holds no trace to compare";
    const int p = w.GetCurrentProperty();
    const auto at = [](const Axis& a, int i) { return a.reversed ? a.steps - 1 - i : i; };
    // Every combination of steps of the file's axes after the first; the first is one slice.
    std::vector<int> steps(axes.size(), 0);
    for (;;) {
        int base = 0;
        for (std::size_t k = 1; k < axes.size(); ++k) {
            w.SetDimensionCurrent(axes[k].written, at(axes[k], steps[k]));
            base += steps[k] * axes[k].stride;
        }
        const Array<float> slice = w.GetSlice(axes[0].written, p);
        for (int i = 0; i < axes[0].steps; ++i) {
            const float expected = slice.At(at(axes[0], i));
            const float read = r.data.Data()[base + i * axes[0].stride];
            if (!MatchesPrinted(expected, read)) return Differs("value " + std::to_string(base + i * axes[0].stride + 1), read, expected);
        }
        std::size_t k = 1;
        while (k < axes.size() && ++steps[k] == axes[k].steps) steps[k++] = 0;
        if (k >= axes.size()) break;
    }
    return {};
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Clipped(const std::string& line) {
    std::string s = line.substr(0, 60);
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return "'" + s + (line.size() > 60 ? "...'" : "'");
}

// A target without a reader: its file against the writer's text for the same store, rendered
// again in memory (without its boxes and loss notes, which the first write gave).
std::string CompareRendering(const std::string& bytes, const TargetFormat& target, DataStore& w,
                             const WriterOptions& options) {
    std::stringbuf raw;
    try {
        TextOutBuf text(&raw);
        std::ostream os(target.mode == StreamMode::Text ? static_cast<std::streambuf*>(&text) : &raw);
        WriterOptions quiet = options;
        quiet.losses = nullptr;
        const NoticesMuted muted;
        target.write(w, os, quiet);
        os.flush();
        if (!os) return "the data could not be written again to compare";
    } catch (const std::exception& e) {
        return std::string("the data could not be written again to compare (") + e.what() + ")";
    }
    const std::string again = raw.str();
    if (again == bytes) return {};
    const std::vector<std::string> got = SplitLines(bytes), want = SplitLines(again);
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        const std::string where = "line " + std::to_string(i + 1);
        if (i >= got.size()) return "it ends after line " + std::to_string(got.size()) + " of " + std::to_string(want.size());
        if (i >= want.size()) return "it runs on past its " + std::to_string(want.size()) + " lines";
        if (got[i] == want[i]) continue;
        // The writer stamps the time it writes.
        if (got[i].rfind("Last Modified: ", 0) == 0 && want[i].rfind("Last Modified: ", 0) == 0) continue;
        return where + " reads " + Clipped(got[i]) + ", not " + Clipped(want[i]);
    }
    return {};
}

}  // namespace

std::string VerifyOutput(const std::string& path, const TargetFormat& target, DataStore& written,
                         const WriterOptions& options) {
    const std::string key = target.key;
    std::ifstream file(path, std::ios::binary);
    if (!file) return "it cannot be opened again (" + std::string(std::strerror(errno)) + ")";
    if (key == "jdx") {
        TextInBuf text(file.rdbuf());
        std::istream is(&text);
        return jcamp::CheckFile(is, written);
    }
    if (key != "dsx" && key != "dsb" && key != "dsa" && key != "glb") {
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return CompareRendering(bytes.str(), target, written, options);
    }
    file.close();
    DataStore back;
    std::string why;
    const ProgressMuted muted;  // the reader's lines would name the temporary
    try {
        if (!back.Load(path, false)) why = "it does not load";
    } catch (const std::exception& e) {
        why = e.what();
    }
    if (!why.empty()) {
        while (!why.empty() && (why.back() == '\n' || why.back() == '.')) why.pop_back();
        return "it does not load back (" + why + ")";
    }
    if (key == "glb") return CompareKinetic(written, back);
    return CompareWhole(written, back, key == "dsa" ? Digits::Printed : Digits::Exact);
}

}  // namespace kyn

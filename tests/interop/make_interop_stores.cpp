// The measurements the interop tests convert and hand to other programs, and the reference they
// compare those programs' readings against.
//
//   make_interop_stores make OUTDIR   writes every store of the table below as OUTDIR/<name>.dsb
//                                     (VarnixBinary keeps every float exactly, NaN and infinity
//                                     included) and prints the names, one a line
//   make_interop_stores dump FILE     loads FILE with our loader and prints it as JSON:
//       {"title": ..., "remarks": [...], "options": [...], "history": [...],
//        "properties": [...], "dimensions": [{"name": ..., "values": [...]}, ...],
//        "values": [...]}
//     values in store order (property slowest, dimension 0 fastest); numbers are the floats
//     widened to double in their shortest exact text, NaN and infinity as the tokens NaN,
//     Infinity and -Infinity (Python's json module reads them); texts are taken as Windows-1252
//     and written as UTF-8 JSON strings.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Stores.h"
#include "datastore/DataStore.h"
#include "util/ProgressLog.h"

namespace {

using kyn::DataStore;
using kyn::Dimension;
using kyn::test::Dim;
using kyn::test::Ramp;
using kyn::test::Store;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Axis values built from a function of the step (for axes that an initializer list cannot spell).
Dimension Axis(const std::string& name, int steps, const std::function<float(int)>& at) {
    Dimension d(name, steps);
    for (int i = 0; i < steps; ++i) d.values.At(i) = at(i);
    return d;
}

// A smooth value that tells positions apart and is never zero.
float Wave(int i) { return 0.25f + 0.75f * std::sin(0.37f * static_cast<float>(i)) + 0.001f * static_cast<float>(i); }

DataStore Titled(DataStore ds, const std::string& title, std::vector<std::string> remarks = {}) {
    ds.title = title;
    ds.remarks.Resize(static_cast<int>(remarks.size()));
    for (int i = 0; i < ds.remarks.Count(); ++i) ds.remarks.At(i) = remarks[static_cast<std::size_t>(i)];
    ds.ComputeDataRange();
    return ds;
}

struct Made {
    const char* name;
    std::function<DataStore()> make;
};

// Each store stresses something an exporter or a reader of its output can get wrong: how the
// axes are spaced and which of them is the X axis, how many blocks a file gets, values that
// are not finite or far from 1, text outside ASCII and text holding separators and quotes.
std::vector<Made> Table() {
    return {
        // Uneven, falling axis: the mercury lines.
        {"hg_lines",
         [] {
             return Titled(Store({"Absorbance"}, {Dim("Wavelength", {589, 578, 546, 436, 365})}, Wave),
                           "Mercury lines");
         }},
        // Logarithmic time axis of 2000 points from 1e-4 s to 10 s.
        {"log_time",
         [] {
             auto t = Axis("Time -log", 2000, [](int i) { return 1e-4f * std::pow(10.0f, 5.0f * static_cast<float>(i) / 1999.0f); });
             return Titled(Store({"Fluorescence"}, {t}, [](int i) { return 2.0f + std::exp(-0.004f * static_cast<float>(i)); }),
                           "Stopped flow, log time");
         }},
        // Steps of 1e-7 s: an X text with few decimals loses the axis.
        {"fast_trace",
         [] {
             auto t = Axis("Time", 1000, [](int i) { return static_cast<float>(1e-7 * i); });
             return Titled(Store({"Voltage"}, {t}, [](int i) { return 0.5f * Wave(i); }), "Fast trace");
         }},
        // An axis through zero: a reader that adds up the step meets values near 1e-17 there.
        {"pretrigger",
         [] {
             auto t = Axis("Time -trigger", 21, [](int i) { return static_cast<float>(-0.5 + 0.05 * i); });
             return Titled(Store({"Fluorescence"}, {t}, Wave), "Pre-trigger trace");
         }},
        // Two properties over one even axis: a compound file of two blocks.
        {"two_properties",
         [] {
             return Titled(Store({"Absorbance", "CircularDichroism"}, {Ramp("Wavelength", 121, 200.0f, 0.5f)},
                                 [](int i) { return i < 121 ? Wave(i) : -20.0f * Wave(i); }),
                           "CD and absorbance");
         }},
        // Wavelength by temperature, wavelength the longer: one block per temperature.
        {"melt_grid",
         [] {
             return Titled(Store({"CircularDichroism"},
                                 {Ramp("Wavelength", 41, 250.0f, -1.0f), Ramp("Temperature", 6, 20.0f, 10.0f)},
                                 [](int i) { return -30.0f * Wave(i); }),
                           "Melt grid");
         }},
        // Five uneven wavelengths by 50 times: time is the X axis, one block per wavelength.
        {"kinetics_at_lines",
         [] {
             return Titled(Store({"Absorbance"},
                                 {Dim("Wavelength", {589, 578, 546, 436, 365}), Ramp("Time", 50, 0.0f, 0.25f)}, Wave),
                           "Kinetics at the mercury lines");
         }},
        // Equal step counts: the first dimension is the X axis.
        {"square_grid",
         [] {
             return Titled(Store({"Absorbance", "Fluorescence"},
                                 {Ramp("Wavelength", 4, 300.0f, 20.0f), Ramp("Time", 4, 1.0f, 1.0f)}, Wave),
                           "Square grid");
         }},
        // Three dimensions, all of more than one step, two properties: 3 x 2 outer steps x 2.
        {"three_dimensions",
         [] {
             return Titled(Store({"Absorbance", "CircularDichroism"},
                                 {Ramp("Wavelength", 11, 400.0f, 5.0f), Ramp("Temperature", 3, 25.0f, 5.0f),
                                  Ramp("Repeat", 2, 1.0f, 1.0f)},
                                 Wave),
                           "Three dimensions");
         }},
        // Single-step dimensions around the one that has steps: one block.
        {"single_steps",
         [] {
             return Titled(Store({"Absorbance"},
                                 {Dim("Wavelength", {280}), Ramp("Time", 30, 0.0f, 0.5f), Dim("Temperature", {25}),
                                  Dim("Repeat", {1})},
                                 Wave),
                           "One wavelength, one temperature");
         }},
        // Five dimensions; two of them tie for most steps (the lower-numbered is X).
        {"five_dimensions",
         [] {
             return Titled(Store({"Fluorescence"},
                                 {Ramp("Wavelength", 3, 330.0f, 10.0f), Ramp("Time", 8, 0.0f, 0.125f),
                                  Ramp("Temperature", 8, 10.0f, 5.0f), Ramp("Repeat", 2, 1.0f, 1.0f),
                                  Dim("Volume", {2})},
                                 Wave),
                           "Five dimensions");
         }},
        // Values that are not finite, in one property of two.
        {"not_finite",
         [] {
             return Titled(Store({"Absorbance", "CircularDichroism"}, {Ramp("Wavelength", 12, 220.0f, 2.0f)},
                                 [](int i) {
                                     switch (i) {
                                         case 2: return kNaN;
                                         case 5: return kInf;
                                         case 9: return -kInf;
                                         default: return Wave(i);
                                     }
                                 }),
                           "Detector saturated");
         }},
        // A non-finite value in a grid: only that block leaves a point out.
        {"not_finite_grid",
         [] {
             return Titled(Store({"Absorbance"}, {Ramp("Wavelength", 10, 500.0f, 10.0f), Ramp("Time", 3, 0.0f, 1.0f)},
                                 [](int i) { return i == 14 ? kNaN : Wave(i); }),
                           "One lost point");
         }},
        // Far from 1: tiny, huge, and both in one block.
        {"tiny_and_huge",
         [] {
             return Titled(Store({"Absorbance", "Fluorescence", "Voltage"}, {Ramp("Wavelength", 10, 250.0f, 5.0f)},
                                 [](int i) {
                                     const float k = static_cast<float>(i % 10 + 1);
                                     if (i < 10) return 1e-30f * k;
                                     if (i < 20) return 1e30f * k;
                                     return i % 2 ? 1e30f * k : 1e-30f * k;
                                 }),
                           "Tiny and huge");
         }},
        // Every value negative.
        {"all_negative",
         [] {
             return Titled(Store({"CircularDichroism"}, {Ramp("Wavelength", 61, 190.0f, 1.0f)},
                                 [](int i) { return -1.5f - Wave(i); }),
                           "Negative band");
         }},
        // An axis of one point.
        {"one_point",
         [] { return Titled(Store({"Absorbance"}, {Dim("Wavelength", {436})}, [](int) { return 0.731f; }), "One point"); }},
        // Text outside ASCII (Windows-1252 0xB5 micro, 0xB0 degree) and text holding a comma, a
        // double quote and a tab.
        {"header_texts",
         [] {
             DataStore ds = Store({"Absorbance \xB5M"}, {Ramp("Temperature \xB0" "C", 15, 20.0f, 5.0f)}, Wave);
             return Titled(ds, "Melt 20-90 \xB0" "C, 5 \xB5M \"sample A\"",
                           {"Cuvette 10 mm,\"QS 110", "Slit\t1 nm", "Buffer: 10 \xB5M phosphate; 25 \xB0" "C"});
         }},
    };
}

// Windows-1252 text as UTF-8; the five bytes the code page leaves undefined stand for the code
// points of the same number.
std::string Utf8FromCp1252(const std::string& s) {
    static const char16_t kHigh[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    for (unsigned char c : s) {
        const unsigned cp = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

void PutString(std::string& out, const std::string& cp1252) {
    out += '"';
    for (unsigned char c : Utf8FromCp1252(cp1252)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void PutNumber(std::string& out, float v) {
    if (std::isnan(v)) {
        out += "NaN";
    } else if (std::isinf(v)) {
        out += v > 0 ? "Infinity" : "-Infinity";
    } else {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v));
        out.append(buf, r.ptr);
    }
}

template <typename Each>
void PutList(std::string& out, int n, Each&& each) {
    out += '[';
    for (int i = 0; i < n; ++i) {
        if (i) out += ", ";
        each(i);
    }
    out += ']';
}

std::string Dump(const DataStore& ds) {
    std::string out = "{\"title\": ";
    PutString(out, ds.title);
    out += ",\n \"remarks\": ";
    PutList(out, ds.remarks.Count(), [&](int i) { PutString(out, ds.remarks.At(i)); });
    out += ",\n \"options\": ";
    PutList(out, ds.options.Count(), [&](int i) { PutString(out, ds.options.At(i)); });
    const std::vector<std::string> history = ds.GetHistoryText();
    out += ",\n \"history\": ";
    PutList(out, static_cast<int>(history.size()), [&](int i) { PutString(out, history[static_cast<std::size_t>(i)]); });
    out += ",\n \"properties\": ";
    PutList(out, ds.properties.Count(), [&](int i) { PutString(out, ds.properties.At(i)); });
    out += ",\n \"dimensions\": ";
    PutList(out, ds.dimensions.Count(), [&](int k) {
        const Dimension& d = ds.dimensions.At(k);
        out += "{\"name\": ";
        PutString(out, d.name);
        out += ", \"values\": ";
        PutList(out, d.Steps(), [&](int i) { PutNumber(out, d.values.At(i)); });
        out += '}';
    });
    const std::int64_t count = ds.ValueCount();
    if (count < 0 || count > ds.data.Count()) throw std::runtime_error("the value block is smaller than its axes");
    out += ",\n \"values\": ";
    PutList(out, static_cast<int>(count), [&](int i) { PutNumber(out, ds.data[i]); });
    out += "}\n";
    return out;
}

int Make(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    int failed = 0;
    for (const Made& m : Table()) {
        const std::string path = (dir / (std::string(m.name) + ".dsb")).string();
        if (kyn::test::WriteStore(m.make(), path)) {
            std::printf("%s\n", m.name);
        } else {
            std::fprintf(stderr, "make_interop_stores: could not write %s\n", path.c_str());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}

int DumpFile(const std::string& path) {
    kyn::SetProgressQuiet(true);  // the readers' progress lines are no part of the dump
    DataStore ds;
    if (!ds.Load(path)) {
        std::fprintf(stderr, "make_interop_stores: %s did not load\n", path.c_str());
        return 1;
    }
    const std::string text = Dump(ds);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc == 3 ? argv[1] : "";
    try {
        if (mode == "make") return Make(argv[2]);
        if (mode == "dump") return DumpFile(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_interop_stores: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: make_interop_stores make OUTDIR | dump FILE\n");
    return 2;
}

// Makes the seed corpora of the fuzz targets with our own writers: a handful of small DataStores
// of different shapes (one to three dimensions, several properties, a kinetic trace, a
// spectrakinetic set, odd values) written in every format that has a reader, plus the two
// foreign imports written from their layouts. Each file goes into the folder of every target
// that reads it.
//
// Usage: make_seeds CORPUS_DIR   (normally fuzz/corpus; the result is kept in the repository)
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "examples/SampleStores.h"
#include "formats/JcampDx.h"
#include "util/TextStream.h"

namespace {

namespace fs = std::filesystem;
using kyn::DataStore;
using kyn::Dimension;
using kyn::samples::Linear;

DataStore Make(const std::string& title, std::vector<std::string> properties, std::vector<Dimension> dims) {
    DataStore ds(title, "made for the fuzz corpus", static_cast<int>(properties.size()), static_cast<int>(dims.size()));
    for (std::size_t p = 0; p < properties.size(); ++p) ds.properties[static_cast<int>(p)] = properties[p];
    for (std::size_t k = 0; k < dims.size(); ++k) ds.dimensions[static_cast<int>(k)] = dims[k];
    ds.Initialize();
    for (int i = 0; i < ds.data.Count(); ++i) ds.data[i] = 0.25f * static_cast<float>(i % 17) - 1.5f;
    ds.ComputeDataRange();
    kyn::samples::Neutralise(ds);
    return ds;
}

std::vector<DataStore> Stores() {
    std::vector<DataStore> v;
    v.push_back(Make("Thu Nov 14 10:05:00 2013", {"CircularDichroism"}, {Linear("Wavelength -en 1", 8, 260, 190)}));
    v.push_back(Make("melt", {"CircularDichroism -mrme", "HT"},
                     {Linear("Wavelength", 5, 250, 210), Linear("Temperature -ramp 1", 3, 20, 90)}));
    v.push_back(Make("trace", {"Fluorescence"}, {Linear("Time -log", 12, 0.001f, 1.0f), Dimension("Wavelength", 280.5f)}));
    v.push_back(Make("sk", {"Count", "Absorbance"}, {Linear("Wavelength", 6, 600, 300), Linear("Time", 4, 0, 3)}));
    v.push_back(Make("", {"Absorbance"}, {Linear("Wavelength", 4, 200, 230), Linear("Time", 3, 0, 2), Linear("Repeat", 2, 1, 2)}));
    {
        DataStore odd = Make("odd values", {"Absorbance -arb"}, {Linear("Concentration-arb", 6, -1, 1)});
        odd.data[0] = std::numeric_limits<float>::quiet_NaN();
        odd.data[1] = std::numeric_limits<float>::infinity();
        odd.data[2] = -std::numeric_limits<float>::infinity();
        odd.data[3] = std::numeric_limits<float>::denorm_min();
        odd.data[4] = 3.4e38f;
        odd.history.clear();
        odd.remarks.Resize(0);
        v.push_back(odd);
    }
    {
        // Texts a line format finds hard: empty and indented remarks, an empty property name and
        // an empty dimension name (as the spectrakinetic and JCAMP-DX readers leave them).
        DataStore blank = Make("", {""}, {Linear("", 3, 1, 3), Linear("Time", 2, 0, 1)});
        blank.remarks.Resize(2);
        blank.remarks[0] = "";
        blank.remarks[1] = "  indented";
        v.push_back(blank);
    }
    return v;
}

class Corpus {
public:
    explicit Corpus(fs::path root) : root_(std::move(root)) {}
    void Add(const std::vector<std::string>& targets, const std::string& name, const std::string& bytes) {
        for (const auto& t : targets) {
            fs::create_directories(root_ / t);
            std::ofstream f(root_ / t / name, std::ios::binary | std::ios::trunc);
            f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            ok_ &= static_cast<bool>(f);
        }
    }
    bool ok() const { return ok_; }

private:
    fs::path root_;
    bool ok_ = true;
};

template <typename Writer>
std::string Text(Writer&& write) {
    std::stringbuf raw;
    {
        kyn::TextOutBuf text(&raw);
        std::ostream os(&text);
        write(os);
        os.flush();
    }
    return raw.str();
}

template <typename Writer>
std::string Binary(Writer&& write) {
    std::ostringstream os(std::ios::binary);
    write(os);
    return os.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
        return 2;
    }
    Corpus corpus(argv[1]);
    int n = 0;
    for (DataStore ds : Stores()) {
        const std::string id = std::to_string(n++);
        DataStore a = ds, b = ds, c = ds;
        corpus.Add({"varnixbinaryx", "load", "roundtrip"}, id + ".dsx", Binary([&](std::ostream& os) { a.WriteVarnixBinaryX(os); }));
        corpus.Add({"varnixbinary", "load", "roundtrip"}, id + ".dsb", Binary([&](std::ostream& os) { b.WriteVarnixBinary(os); }));
        corpus.Add({"varnixstore", "load", "roundtrip"}, id + ".dsa", Text([&](std::ostream& os) { c.WriteVarnixStore(os); }));
        if (n == 1) {  // header-only files, once
            corpus.Add({"varnixbinaryx", "load"}, id + "h.dsx", Binary([&](std::ostream& os) { a.WriteVarnixBinaryX(os, true); }));
            corpus.Add({"varnixbinary", "load"}, id + "h.dsb", Binary([&](std::ostream& os) { b.WriteVarnixBinary(os, true); }));
            corpus.Add({"varnixstore", "load"}, id + "h.dsa", Text([&](std::ostream& os) { c.WriteVarnixStore(os, true); }));
        }
        DataStore j = ds;
        corpus.Add({"jcamp", "load", "roundtrip"}, id + ".jdx",
                   Text([&](std::ostream& os) { kyn::JcampDxExporter(j).Write(os); }));
        DataStore k = ds;
        if (k.IsSpectraKinetic())
            corpus.Add({"spectrakinetic", "load", "roundtrip"}, id + ".glb",
                       Text([&](std::ostream& os) { k.WriteSpectraKinetic(os); }));
        else if (k.HasTimeDimension())
            corpus.Add({"kynascii", "load", "roundtrip"}, id + ".glb",
                       Text([&](std::ostream& os) { k.WriteKynAscii(os, k.FindDimension("Time")); }));
        DataStore e = ds;
        corpus.Add({"load"}, id + ".csv", Text([&](std::ostream& os) { e.WriteVarnixCSV(os, true); }));
        corpus.Add({"load"}, id + ".txt", Text([&](std::ostream& os) { e.WriteVarnixTSV(os, false); }));
    }
    // The JCAMP tagged reader takes "##TITLE" files; the exporter's first block starts that way.
    // A kinetic record written with the fit flag set, from the layout.
    corpus.Add({"kynascii", "load"}, "fit.glb",
               Text([](std::ostream& os) {
                   os << "KYN-ASCII\nINFO>cp_wl_280.5nm_tp_25_tm_0_ft\n3\n0\t1\t1.1\n1\t0.5\t0.45\n2\t0.25\t0.3\n\n"
                         "0\n0.25\n2\n1\nTime (seconds)\nFluorescence\n\n\n\n\nfit trace\nMon Nov 18 09:12:44 2013\n";
               }));
    // The two foreign imports have no writer: these follow their layouts.
    corpus.Add({"ascii", "load", "roundtrip"}, "three.txt",
               Text([](std::ostream& os) { os << "ASCII\n3\n400 0.1\n410 0.2\n420 0.15\n"; }));
    corpus.Add({"ascii", "load"}, "exp.txt",
               Text([](std::ostream& os) { os << "ASCII\n4\n1e-3\t-2.5E+01\n2e-3 nan\n3e-3 inf\n4e-3 -inf"; }));
    corpus.Add({"cary", "load", "roundtrip"}, "wavelength.csv",
               Text([](std::ostream& os) {
                   os << "Sample1,,Sample2,\nWavelength (nm),Abs,Wavelength (nm),Abs\n400,0.1,400,0.2\n401,0.11,401,0.21\n"
                         "402,0.12,402,0.22\n\nMethod,  scan  ,,\nInstrument,,  x\n";
               }));
    corpus.Add({"cary", "load"}, "time.csv",
               Text([](std::ostream& os) { os << "run,1\nTime (sec),Abs\n0,0.5\n1,0.4\n2,0.3\n\n"; }));
    if (!corpus.ok()) {
        std::fprintf(stderr, "make_seeds: could not write every seed into %s\n", argv[1]);
        return 1;
    }
    return 0;
}

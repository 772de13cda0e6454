// Makes the bundled example files with our own writers: a far-UV CD spectrum, a thermal melt
// (wavelength by temperature), a stopped-flow fluorescence trace and a spectrakinetic absorbance
// set. The values are synthetic but shaped like real measurements.
//
// Usage: make_examples OUTPUT_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "datastore/DataStore.h"
#include "examples/SampleStores.h"
#include "util/TextStream.h"

namespace {

using kyn::DataStore;
using kyn::Dimension;
using kyn::samples::Linear;

float Gauss(float x, float centre, float width) { return std::exp(-0.5f * (x - centre) * (x - centre) / (width * width)); }

// Mean-residue ellipticity of a helical protein: negative bands at 222 and 208 nm, positive at 192.
float Helix(float nm) { return 1000.0f * (-32.0f * Gauss(nm, 222, 9) - 30.0f * Gauss(nm, 208, 6) + 65.0f * Gauss(nm, 192, 7)); }

bool WriteBinary(DataStore& ds, const std::filesystem::path& path, bool extended) {
    kyn::samples::Neutralise(ds);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (extended)
        ds.WriteVarnixBinaryX(out);
    else
        ds.WriteVarnixBinary(out);
    out.close();
    return static_cast<bool>(out);
}

template <typename Writer>
bool WriteText(const std::filesystem::path& path, Writer&& write) {
    kyn::TextOFStream out(path.string());
    write(out);
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_examples OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    bool ok = true;

    {  // Far-UV CD spectrum, 260 down to 180 nm in 1 nm steps.
        DataStore ds("Thu Nov 14 10:05:00 2013", "Lysozyme 0.2 mg/ml, 1 mm cell", 1, 1);
        ds.properties[0] = "CircularDichroism";
        ds.dimensions[0] = Linear("Wavelength -en 1 -ex 1", 81, 260.0f, 180.0f);
        ds.Initialize();
        for (int i = 0; i < 81; ++i) ds.data[i] = Helix(ds.dimensions[0][i]) / 3300.0f / 10.0f;
        ds.ComputeDataRange();
        ok &= WriteBinary(ds, dir / "cd_spectrum.dsx", true);
    }
    {  // Thermal melt: 51 wavelengths by 15 temperatures, helix fraction falling with temperature.
        DataStore ds("Fri Nov 15 14:30:00 2013", "Melt 20-90 C, 1 C/min", 1, 2);
        ds.properties[0] = "CircularDichroism -mrme";
        ds.dimensions[0] = Linear("Wavelength", 51, 250.0f, 200.0f);
        ds.dimensions[1] = Linear("Temperature -ramp 1", 15, 20.0f, 90.0f);
        ds.Initialize();
        for (int t = 0; t < 15; ++t) {
            const float temp = ds.dimensions[1][t];
            const float helical = 1.0f / (1.0f + std::exp((temp - 62.0f) / 4.0f));
            for (int w = 0; w < 51; ++w) {
                const float nm = ds.dimensions[0][w];
                ds.data[w + 51 * t] = helical * Helix(nm) + (1.0f - helical) * (-4000.0f * Gauss(nm, 200, 5));
            }
        }
        ds.ComputeDataRange();
        ok &= WriteBinary(ds, dir / "melt.dsb", false);
    }
    {  // Stopped-flow fluorescence: 1000 logarithmic time points over 1 s, two exponentials.
        DataStore ds("Mon Nov 18 09:12:44 2013", "Trp fluorescence, excitation 280 nm", 1, 1);
        ds.properties[0] = "Fluorescence";
        Dimension time("Time -log -trigger", 1000);
        for (int i = 0; i < 1000; ++i) time[i] = 0.001f * std::pow(1000.0f, static_cast<float>(i) / 999.0f);
        ds.dimensions[0] = time;
        ds.Initialize();
        for (int i = 0; i < 1000; ++i) {
            const float t = time[i];
            ds.data[i] = 2.0f + 1.2f * std::exp(-t / 0.015f) + 0.4f * std::exp(-t / 0.25f);
        }
        ds.ComputeDataRange();
        kyn::samples::Neutralise(ds);
        ok &= WriteText(dir / "stopped_flow.dsa", [&](std::ostream& os) { ds.WriteVarnixStore(os); });
    }
    {  // Spectrakinetic set: absorbance spectra 300-600 nm recorded over 10 s as a band grows.
        DataStore ds("Tue Nov 19 16:45:10 2013", "Heme binding, PDA detector", 1, 2);
        ds.properties[0] = "Absorbance";
        ds.dimensions[0] = Linear("Wavelength", 31, 300.0f, 600.0f);
        ds.dimensions[1] = Linear("Time", 21, 0.0f, 10.0f);
        ds.Initialize();
        for (int t = 0; t < 21; ++t) {
            const float progress = 1.0f - std::exp(-ds.dimensions[1][t] / 2.5f);
            for (int w = 0; w < 31; ++w) {
                const float nm = ds.dimensions[0][w];
                ds.data[w + 31 * t] = 0.05f + 0.8f * progress * Gauss(nm, 414, 18) + 0.3f * (1.0f - progress) * Gauss(nm, 390, 25);
            }
        }
        ds.ComputeDataRange();
        kyn::samples::Neutralise(ds);
        ok &= WriteText(dir / "spectrakinetic.glb", [&](std::ostream& os) { ds.WriteSpectraKinetic(os); });
    }
    if (!ok) {
        std::fprintf(stderr, "make_examples: could not write every example into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}

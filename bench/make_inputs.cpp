// Writes the inputs of bench/run with the program's own writers:
//
//   big.dsb       VarnixBinary, Wavelength 4096 x Time 16384: a 256 MiB value block
//   spectra.dsb   VarnixBinary, Wavelength 1024 x Time 16384: 16 Mi values (input of the writers)
//   spectra.dsa   VarnixStore of the same DataStore (input of the VarnixStore reader)
//   spectra.f32   the same 16 Mi values as raw little-endian float32 (for the reference loops and
//                 the numpy/pandas peers)
//   trace.dsb     VarnixBinary, one Time axis of 4 Mi steps (SimpleCSV and KYN-ASCII write a
//                 column pair per step)
//   trace_log.dsb the same values over a logarithmic Time axis (1e-4 s to 1e3 s): an uneven axis,
//                 which JCAMP-DX writes point by point
//   small/NNNNN.dsa   VarnixStore files of 256 values each, a few KiB
//
// Values look like absorbance spectra: two bands that grow in over time, plus a little noise,
// so that the number texts have the mix of lengths and exponents real files have.
//
// Usage: make_inputs DIR [SMALL_FILES [SMALL_DIR]]   (SMALL_DIR defaults to DIR/small)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace {

namespace fs = std::filesystem;

// Small, fast, reproducible noise.
struct Lcg {
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    float Next() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(static_cast<std::int64_t>(s >> 40) - (1 << 23)) / static_cast<float>(1 << 23);
    }
};

kyn::DataStore Spectra(int nLambda, int nTime, std::uint64_t seed) {
    kyn::DataStore ds("Stopped-flow run", "generated for the benchmark", 1, 2);
    ds.properties.At(0) = "Absorbance";
    ds.dimensions.At(0) = kyn::Dimension("Wavelength", nLambda);
    ds.dimensions.At(1) = kyn::Dimension("Time", nTime);
    std::vector<float> band(static_cast<std::size_t>(nLambda));
    for (int i = 0; i < nLambda; ++i) {
        const float wl = 200.0f + 0.5f * static_cast<float>(i) * (1024.0f / static_cast<float>(nLambda));
        ds.dimensions.At(0).values.At(i) = wl;
        band[static_cast<std::size_t>(i)] = 0.9f * std::exp(-((wl - 280.0f) / 25.0f) * ((wl - 280.0f) / 25.0f)) +
                                            0.35f * std::exp(-((wl - 420.0f) / 60.0f) * ((wl - 420.0f) / 60.0f));
    }
    std::vector<float> growth(static_cast<std::size_t>(nTime));
    for (int j = 0; j < nTime; ++j) {
        const float t = 0.001f * static_cast<float>(j);
        ds.dimensions.At(1).values.At(j) = t;
        growth[static_cast<std::size_t>(j)] = 1.0f - std::exp(-t / 2.5f);
    }
    ds.Initialize();
    Lcg noise;
    noise.s ^= seed;
    float* v = ds.data.Data();
    for (int j = 0; j < nTime; ++j)
        for (int i = 0; i < nLambda; ++i)
            *v++ = band[static_cast<std::size_t>(i)] * growth[static_cast<std::size_t>(j)] + 0.002f * noise.Next();
    return ds;
}

kyn::DataStore Trace(int n, bool logarithmic = false) {
    kyn::DataStore ds("Kinetic trace", "generated for the benchmark", 1, 1);
    ds.properties.At(0) = "Absorbance";
    ds.dimensions.At(0) = kyn::Dimension("Time", n);
    for (int j = 0; j < n; ++j)
        ds.dimensions.At(0).values.At(j) =
            logarithmic ? static_cast<float>(1e-4 * std::pow(10.0, 7.0 * j / n)) : 0.0001f * static_cast<float>(j);
    ds.Initialize();
    Lcg noise;
    float* v = ds.data.Data();
    for (int j = 0; j < n; ++j) v[j] = 0.8f * (1.0f - std::exp(-0.0001f * static_cast<float>(j) / 3.0f)) + 0.001f * noise.Next();
    return ds;
}

bool WriteBinary(kyn::DataStore& ds, const fs::path& path) {
    std::ofstream os(path, std::ios::binary | std::ios::trunc);
    ds.WriteVarnixBinary(os, false);
    os.close();
    return !os.fail();
}

bool WriteStore(kyn::DataStore& ds, const fs::path& path) {
    kyn::TextOFStream os(path.string());
    ds.WriteVarnixStore(os, false);
    os.close();
    return !os.fail();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_inputs DIR [SMALL_FILES [SMALL_DIR]]\n");
        return 2;
    }
    const fs::path dir = argv[1];
    const int smallFiles = argc > 2 ? std::atoi(argv[2]) : 10000;
    const fs::path smallDir = argc > 3 ? fs::path(argv[3]) : dir / "small";
    fs::create_directories(dir);
    fs::create_directories(smallDir);
    bool ok = true;
    {
        kyn::DataStore big = Spectra(4096, 16384, 1);
        ok = ok && WriteBinary(big, dir / "big.dsb");
    }
    {
        kyn::DataStore spectra = Spectra(1024, 16384, 2);
        ok = ok && WriteBinary(spectra, dir / "spectra.dsb");
        ok = ok && WriteStore(spectra, dir / "spectra.dsa");
        std::ofstream raw(dir / "spectra.f32", std::ios::binary | std::ios::trunc);
        raw.write(reinterpret_cast<const char*>(spectra.data.Data()),
                  static_cast<std::streamsize>(spectra.data.Count()) * 4);
        ok = ok && raw.good();
    }
    {
        kyn::DataStore trace = Trace(4 << 20);
        ok = ok && WriteBinary(trace, dir / "trace.dsb");
        kyn::DataStore uneven = Trace(4 << 20, true);
        ok = ok && WriteBinary(uneven, dir / "trace_log.dsb");
    }
    for (int k = 0; k < smallFiles && ok; ++k) {
        kyn::DataStore s = Spectra(256, 1, static_cast<std::uint64_t>(k) + 7);
        char name[32];
        std::snprintf(name, sizeof name, "%05d.dsa", k);
        ok = WriteStore(s, smallDir / name);
    }
    if (!ok) {
        std::fprintf(stderr, "make_inputs: writing into %s failed\n", dir.c_str());
        return 1;
    }
    return 0;
}

// Round trip: whatever the loader accepts is written in each native format and loaded again.
//
//  - VarnixBinaryX carries everything it writes, history included, so writing the reloaded
//    DataStore must give the very same bytes (a fixed point), and the values must be bit-exact.
//  - VarnixBinary and VarnixStore re-stamp the history on reading, so they are compared with the
//    history left out: write, load, write again must give the same bytes (VarnixStore after one
//    pass, since its first write rounds every value to six digits).
//  - Every other target of the conversion table is written too (into memory); its output must
//    not crash the writer, and the interchange formats that have readers are loaded back.
// A DataStore a format cannot carry (too many remarks, no property, more than 20 dimensions for
// the view state, ...) is skipped for that format; a refusal of anything else is a finding.
#include <cstring>
#include <string>
#include <string_view>

#include "conversion/TargetFormat.h"
#include "formats/native/LoadSource.h"
#include "fuzz/FuzzSupport.h"
#include "util/Notifier.h"

namespace {

using kyn::DataStore;

std::string WriteBinary(DataStore& ds, bool extended) {
    std::ostringstream os(std::ios_base::binary);
    if (extended)
        ds.WriteVarnixBinaryX(os);
    else
        ds.WriteVarnixBinary(os);
    if (!os) std::abort();
    return os.str();
}

std::string WriteStore(DataStore& ds) {
    std::stringbuf raw;
    {
        kyn::TextOutBuf text(&raw);
        std::ostream os(&text);
        ds.WriteVarnixStore(os);
        if (!os) std::abort();
    }
    return raw.str();
}

bool Load(DataStore& ds, const std::string& bytes) {
    try {
        return kyn::LoadFromMemory(ds, bytes);
    } catch (const std::exception&) {
        return false;
    }
}

bool SameValues(const DataStore& a, const DataStore& b) {
    const std::int64_t n = a.ValueCount();
    if (n != b.ValueCount()) return false;
    if (n > 0 && (a.data.Count() < n || b.data.Count() < n)) return false;
    if (n > 0 && std::memcmp(a.data.Data(), b.data.Data(), static_cast<std::size_t>(n) * 4) != 0) return false;
    if (a.dimensions.Count() != b.dimensions.Count()) return false;
    for (int k = 0; k < a.dimensions.Count(); ++k) {
        const auto& x = a.dimensions.At(k).values;
        const auto& y = b.dimensions.At(k).values;
        if (x.Count() != y.Count()) return false;
        for (int i = 0; i < x.Count(); ++i)
            if (std::memcmp(&x.At(i), &y.At(i), 4) != 0) return false;
    }
    return true;
}

bool DimensionsHaveSteps(const DataStore& ds) {
    for (int k = 0; k < ds.dimensions.Count(); ++k)
        if (ds.dimensions.At(k).Steps() < 1) return false;
    return true;
}

void CheckBinaryX(const DataStore& original) {
    DataStore s = original;
    if (s.remarks.Count() > 255 || s.properties.Count() > 255 || s.dimensions.Count() > 255) return;
    if (s.viewState.dimensionCount < 1 || s.viewState.dimensionCount > 20) return;
    if (!DimensionsHaveSteps(s) || s.ValueCount() * 4 > 0x10000000) return;
    std::string first;
    try {
        first = WriteBinary(s, true);
    } catch (const std::exception&) {
        return;
    }
    DataStore again;
    if (!Load(again, first)) std::abort();
    if (!SameValues(s, again)) std::abort();
    if (WriteBinary(again, true) != first) std::abort();
}

void CheckBinary(const DataStore& original) {
    DataStore s = original;
    s.history.clear();
    if (s.remarks.Count() > 65535 || s.properties.Count() < 1 || s.properties.Count() > 255 ||
        s.dimensions.Count() > 255)
        return;
    if (s.ValueCount() * 4 > 0x10000000) return;
    const std::string first = WriteBinary(s, false);
    DataStore again;
    if (!Load(again, first)) std::abort();
    if (!SameValues(s, again)) std::abort();
    again.history.clear();
    if (WriteBinary(again, false) != first) std::abort();
}

void CheckStore(const DataStore& original) {
    DataStore s = original;
    s.history.clear();
    // Free text with line breaks, leading blanks or empty lines does not survive the line format;
    // the first pass settles what it can, from then on nothing may change.
    DataStore second;
    if (!Load(second, WriteStore(s))) return;
    second.history.clear();
    const std::string text = WriteStore(second);
    DataStore third;
    if (!Load(third, text)) std::abort();
    third.history.clear();
    if (WriteStore(third) != text) std::abort();
}

void WriteEveryTarget(const DataStore& original) {
    for (const kyn::TargetFormat& target : kyn::TargetFormats()) {
        for (int variant = 0; variant < 2; ++variant) {
            DataStore s = original;
            const kyn::WriterOptions options{variant, variant, variant};
            std::stringbuf raw;
            try {
                kyn::TextOutBuf text(&raw);
                std::ostream os(target.mode == kyn::StreamMode::Text ? static_cast<std::streambuf*>(&text) : &raw);
                target.write(s, os, options);
                os.flush();
            } catch (const std::exception&) {
                continue;
            }
            DataStore back;
            Load(back, raw.str());
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    kyn::SetNoticeHandler([](const kyn::Notice&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DataStore ds;
    ds.allowCaryImport = true;
    if (!Load(ds, std::string(reinterpret_cast<const char*>(data), size))) return 0;
    kyn::fuzz::CheckAccepted(ds);
    CheckBinaryX(ds);
    CheckBinary(ds);
    CheckStore(ds);
    WriteEveryTarget(ds);
    return 0;
}

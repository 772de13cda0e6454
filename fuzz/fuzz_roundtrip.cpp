// Round trip: whatever the loader accepts is written in every target of the conversion, and every
// file written in a format that has a reader must load back:
//  - VarnixBinaryX and VarnixBinary: the same axes and values, bit for bit; VarnixBinaryX carries
//    everything it writes, history included, so writing the reloaded store gives the same bytes;
//  - VarnixStore: the same axes and values to six significant digits, and from the second pass
//    on nothing changes any more (the first write rounds every value);
//  - KYN-ASCII and KYN-ASCII-SPECTRAKINETIC: the file loads.
// A writer may refuse a store with an exception (what its format cannot hold); a file that a
// writer produced and that does not load back, or loads with other values, is a finding. The
// other targets are written too, so that no store can crash their writers.
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/TargetFormat.h"
#include "formats/Load.h"
#include "formats/ReadBack.h"
#include "fuzz/FuzzSupport.h"
#include "util/Notifier.h"

namespace {

using kyn::DataStore;

// The bytes `target` writes for a copy of `original`, or nothing when the writer refuses it.
std::optional<std::string> Write(const kyn::TargetFormat& target, const DataStore& original,
                                 const kyn::WriterOptions& options = {}) {
    DataStore s = original;
    std::stringbuf raw;
    try {
        kyn::TextOutBuf text(&raw);
        std::ostream os(target.mode == kyn::StreamMode::Text ? static_cast<std::streambuf*>(&text) : &raw);
        target.write(s, os, options);
        os.flush();
        if (!os) return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return raw.str();
}

// Loads what a writer wrote; anything but a clean load is a finding.
void LoadBack(DataStore& ds, const std::string& bytes) {
    try {
        if (kyn::LoadFromMemory(ds, bytes)) return;
    } catch (const std::exception&) {
    }
    std::abort();
}

bool SameValues(const DataStore& a, const DataStore& b, bool sixDigits) {
    const std::int64_t n = a.ValueCount();
    if (n <= 0 || n != b.ValueCount() || a.data.Count() < n || b.data.Count() < n) return false;
    for (std::int64_t i = 0; i < n; ++i)
        if (!kyn::ReadsBackAs(a.data.Data()[i], b.data.Data()[i], !sixDigits)) return false;
    if (a.dimensions.Count() != b.dimensions.Count()) return false;
    for (int k = 0; k < a.dimensions.Count(); ++k) {
        const auto& x = a.dimensions.At(k).values;
        const auto& y = b.dimensions.At(k).values;
        if (x.Count() != y.Count()) return false;
        for (int i = 0; i < x.Count(); ++i)
            if (!kyn::ReadsBackAs(x.At(i), y.At(i), !sixDigits)) return false;
    }
    return true;
}

const kyn::TargetFormat& Target(const char* key) {
    return *kyn::FindTargetByKey(kyn::TargetFormats(), key);
}

void CheckBinaryX(const DataStore& s) {
    const auto first = Write(Target("dsx"), s);
    if (!first) return;
    DataStore again;
    LoadBack(again, *first);
    if (!SameValues(s, again, false)) std::abort();
    if (Write(Target("dsx"), again) != first) std::abort();
}

void CheckBinary(const DataStore& s) {
    const auto first = Write(Target("dsb"), s);
    if (!first) return;
    DataStore again;
    LoadBack(again, *first);
    if (!SameValues(s, again, false)) std::abort();
}

void CheckStore(const DataStore& s) {
    const auto first = Write(Target("dsa"), s);
    if (!first) return;
    DataStore second;
    LoadBack(second, *first);
    if (!SameValues(s, second, true)) std::abort();
    // From here on the text is settled: the same store, the same text. (The history is left out:
    // every load adds its own entry.)
    second.history.clear();
    const auto text = Write(Target("dsa"), second);
    if (!text) std::abort();
    DataStore third;
    LoadBack(third, *text);
    third.history.clear();
    if (Write(Target("dsa"), third) != text) std::abort();
}

void WriteEveryTarget(const DataStore& s) {
    for (const kyn::TargetFormat& target : kyn::TargetFormats()) {
        for (int variant = 0; variant < 2; ++variant) {
            const auto bytes = Write(target, s, {variant, variant, variant});
            if (!bytes) continue;
            DataStore back;
            if (std::string_view(target.key) == "glb") {
                LoadBack(back, *bytes);
            } else {
                try {
                    kyn::LoadFromMemory(back, *bytes);
                } catch (const std::exception&) {
                }
            }
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
    try {
        if (!kyn::LoadFromMemory(ds, std::string(reinterpret_cast<const char*>(data), size))) return 0;
    } catch (const std::exception&) {
        return 0;
    }
    kyn::fuzz::CheckAccepted(ds);
    CheckBinaryX(ds);
    CheckBinary(ds);
    CheckStore(ds);
    WriteEveryTarget(ds);
    return 0;
}

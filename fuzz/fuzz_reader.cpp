// The fuzz target of one reader of the format registry. This one source is built once for every
// row that has a reader (fuzz/CMakeLists.txt names them by their fuzz keys, and a test keeps that
// list and the registry alike); KYN_FUZZ_FORMAT says which. The bytes go straight to the row's
// reader as the loader would hand them: the binary stream to a binary format, the text-mode
// stream (CR LF read as one line end) to a text format. The VarnixStore target also reads each
// input with the two-thread value reading and requires the plain reading's result.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "formats/Registry.h"
#include "formats/VarnixStore.h"
#include "fuzz/FuzzSupport.h"

#ifndef KYN_FUZZ_FORMAT
#error "KYN_FUZZ_FORMAT must name the fuzz key of a registry row"
#endif

namespace {

const kyn::FormatInfo& Row() {
    static const kyn::FormatInfo* const row = [] {
        for (const kyn::FormatInfo* f : kyn::Formats())
            if (f->read && std::string_view(f->fuzzKey) == KYN_FUZZ_FORMAT) return f;
        std::abort();  // a target without a row: the build and the registry disagree
    }();
    return *row;
}

}  // namespace

namespace {

// What one reading gave: refused (with the refusal's text), or accepted with these values.
std::string Outcome(const kyn::FormatInfo& row, const std::uint8_t* data, std::size_t size) {
    kyn::DataStore ds;
    kyn::fuzz::TextInput input(data, size);
    std::string out;
    try {
        out = (ds.*row.read)(input.Stream(), false).good() ? "accepted" : "refused";
    } catch (const std::exception& e) {
        return std::string("threw ") + e.what();
    }
    const std::int64_t n = std::min<std::int64_t>(ds.ValueCount(), ds.data.Count());
    for (std::int64_t i = 0; i < n; ++i) out.append(reinterpret_cast<const char*>(&ds.data.Data()[i]), sizeof(float));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kyn::FormatInfo& row = Row();
    kyn::DataStore ds;
    if (row.readsFrom == kyn::ReadsFrom::BinaryStream) {
        kyn::fuzz::BinaryInput input(data, size);
        kyn::fuzz::RunReader(ds, [&] { return (ds.*row.read)(input.Stream(), false).good(); });
    } else {
        kyn::fuzz::TextInput input(data, size);
        kyn::fuzz::RunReader(ds, [&] { return (ds.*row.read)(input.Stream(), false).good(); });
    }
    // VarnixStore reads large files' values with two threads: in small chunks here, the reading
    // must give exactly what the plain reading gives.
    if (std::string_view(row.fuzzKey) == "varnixstore") {
        kyn::varnixstore::SetTwoThreads(std::numeric_limits<std::int64_t>::max());
        const std::string plain = Outcome(row, data, size);
        kyn::varnixstore::SetTwoThreads(1, 3);
        const std::string two = Outcome(row, data, size);
        kyn::varnixstore::SetTwoThreads(std::numeric_limits<std::int64_t>::max());
        if (plain != two) std::abort();
    }
    return 0;
}

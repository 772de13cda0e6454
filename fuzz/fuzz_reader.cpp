// The fuzz target of one reader of the format registry. This one source is built once for every
// row that has a reader (fuzz/CMakeLists.txt names them by their fuzz keys, and a test keeps that
// list and the registry alike); KYN_FUZZ_FORMAT says which. The bytes go straight to the row's
// reader as the loader would hand them: the binary stream to a binary format, the text-mode
// stream (CR LF read as one line end) to a text format.
#include <cstdlib>
#include <string_view>

#include "formats/Registry.h"
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
    return 0;
}

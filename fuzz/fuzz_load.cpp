// Feeds the fuzzer's bytes to the loader: first-line recognition, the CARY probe and whichever
// reader the bytes select (the CARY import switched on, so that it is reached too).
#include <string_view>

#include "formats/Load.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kyn::DataStore ds;
    ds.allowCaryImport = size > 0 && (data[0] & 1) != 0;
    kyn::fuzz::RunReader(ds, [&] {
        return kyn::LoadFromMemory(ds, std::string_view(reinterpret_cast<const char*>(data), size));
    });
    return 0;
}

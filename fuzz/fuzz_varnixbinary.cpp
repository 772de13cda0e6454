// Feeds the fuzzer's bytes straight to DataStore::ReadVarnixBinary as a binary-mode stream.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kyn::fuzz::BinaryInput input(data, size);
    kyn::DataStore ds;
    kyn::fuzz::RunReader(ds, [&] {
        std::istream& is = input.Stream();
        return ds.ReadVarnixBinary(is, false).good();
    });
    return 0;
}

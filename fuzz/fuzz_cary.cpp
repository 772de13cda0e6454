// Feeds the fuzzer's bytes straight to DataStore::ReadCaryAscii as a text-mode stream.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kyn::fuzz::TextInput input(data, size);
    kyn::DataStore ds;
    kyn::fuzz::RunReader(ds, [&] {
        std::istream& is = input.Stream();
        return ds.ReadCaryAscii(is).good();
    });
    return 0;
}

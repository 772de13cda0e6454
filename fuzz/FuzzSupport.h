// Shared pieces of the fuzz targets: streams over the fuzzer's bytes and the checks every target
// makes on a DataStore that a reader accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <istream>
#include <sstream>
#include <string>

#include "datastore/DataStore.h"
#include "util/ProgressLog.h"
#include "util/TextStream.h"

namespace kyn::fuzz {

// The readers' progress lines ("reading 3 comments") would drown the fuzzer's own output and
// slow it down.
inline const bool kQuietProgress = (SetProgressQuiet(true), true);

// The bytes as a seekable binary stream, as DataStore::Load hands them to the binary readers.
class BinaryInput {
public:
    BinaryInput(const std::uint8_t* data, std::size_t size)
        : buf_(std::string(reinterpret_cast<const char*>(data), size), std::ios_base::in), stream_(&buf_) {}
    std::istream& Stream() { return stream_; }

private:
    std::stringbuf buf_;
    std::istream stream_;
};

// The bytes as a text-mode stream (CR LF read as one line end), as the text readers get a file.
class TextInput {
public:
    TextInput(const std::uint8_t* data, std::size_t size)
        : raw_(std::string(reinterpret_cast<const char*>(data), size), std::ios_base::in), text_(&raw_),
          stream_(&text_) {}
    std::istream& Stream() { return stream_; }

private:
    std::stringbuf raw_;
    TextInBuf text_;
    std::istream stream_;
};

// Aborts (a finding) when an accepted DataStore breaks the model's own invariants: a value block
// that does not match the axes, a current step outside its dimension.
inline void CheckAccepted(const DataStore& ds) {
    const std::int64_t n = ds.ValueCount();
    if (n < 0) std::abort();
    if (ds.data.Count() != 0 && ds.data.Count() < n) std::abort();
    for (int k = 0; k < ds.dimensions.Count(); ++k) {
        const Dimension& d = ds.dimensions.At(k);
        if (d.current < 0 || (d.Steps() > 0 && d.current >= d.Steps())) std::abort();
    }
}

// Runs a reader; a standard exception is a clean refusal, anything else escapes to the fuzzer.
template <typename Read>
void RunReader(DataStore& ds, Read&& read) {
    try {
        if (read()) CheckAccepted(ds);
    } catch (const std::exception&) {
    }
}

}  // namespace kyn::fuzz

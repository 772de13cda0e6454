// VarnixBinary (.dsb): the compact native file of a DataStore.
//
// Layout on disk, in order, no padding. int32 = 32-bit two's complement, little-endian;
// float32 = IEEE single, little-endian; text = the bytes followed by one NUL, no length.
//
//   "VarnixBinary" 0x0A          magic line
//   text     title
//   int32    R                   remark count
//   R texts  remarks
//   int32    P                   property count (1..255 on reading)
//   P texts  property names
//   int32    n                   dimension count (0..255 on reading)
//   n records                    name text, int32 N, N float32 axis values
//   int32    B                   data byte count, 4 x P x N1 x ... x Nn (at most 256 MiB)
//   B bytes  values              float32, property blocks, first dimension fastest
//   int32    H                   history count
//   H texts  history             the text block of each entry
//
// B and everything after it is absent in a header-only file.
//
// Older files have no remark count (a single remark text follows the title) and a single history
// text without a count: a remark "count" above 65535, or a history count of 0 or above 255, is
// read as the first four bytes of that one text.
//
// The reader reports a wrong magic or an impossible property, dimension or byte count by leaving
// the stream failed; a text cut off by the end of the file throws "The file is corrupt.\n".
#include <vector>

#include "formats/io/BinaryIO.h"
#include "datastore/DataStore.h"
#include "formats/BinaryBlocks.h"
#include "formats/Registry.h"

namespace kyn {

namespace {
constexpr const char* kMagic = "VarnixBinary";
constexpr std::uint32_t kMaxRemarkCount = 65535;  // above: an old-style file without a count
constexpr std::int32_t kMaxProperties = 255;
constexpr std::int32_t kMaxDimensions = 255;
}  // namespace

namespace {

// Everything the writer puts into the file must come back from the reader as it was written.
void CheckVarnixBinaryCanHold(const DataStore& ds) {
    native::RequireValues(ds, kMagic, native::kMaxDataBytes / 4);
    if (ds.properties.Count() > kMaxProperties) CannotHold(kMagic, "more than 255 properties");
    if (ds.dimensions.Count() > kMaxDimensions) CannotHold(kMagic, "more than 255 dimensions");
    if (static_cast<std::uint32_t>(ds.remarks.Count()) > kMaxRemarkCount)
        CannotHold(kMagic, "more than 65535 remarks");
    // A history count above 255 reads as the start of an old-style single text.
    if (ds.history.size() > 255) CannotHold(kMagic, "more than 255 history entries");
    native::RequireNoNul(ds.title, kMagic, "a title");
    for (int i = 0; i < ds.remarks.Count(); ++i) native::RequireNoNul(ds.remarks.At(i), kMagic, "a remark");
    for (int i = 0; i < ds.properties.Count(); ++i) native::RequireNoNul(ds.properties.At(i), kMagic, "a property name");
    for (int k = 0; k < ds.dimensions.Count(); ++k)
        native::RequireNoNul(ds.dimensions.At(k).name, kMagic, "a dimension name");
    for (const HistoryEntry& e : ds.history) {
        native::RequireNoNul(e.text, kMagic, "a history text");
        native::RequireNoNul(e.user, kMagic, "a history entry's user name");
    }
}

}  // namespace

std::ostream& DataStore::WriteVarnixBinary(std::ostream& os, bool headerOnly) {
    CheckVarnixBinaryCanHold(*this);
    os << kMagic << '\n';
    WriteText(os, title);
    WriteI32(os, remarks.Count());
    for (int i = 0; i < remarks.Count() && os.good(); ++i) WriteText(os, remarks.At(i));
    WriteI32(os, properties.Count());
    for (int i = 0; i < properties.Count() && os.good(); ++i) WriteText(os, properties.At(i));
    WriteI32(os, dimensions.Count());
    for (int k = 0; k < dimensions.Count() && os.good(); ++k)
        native::WriteDimensionRecord(os, dimensions.At(k), nullptr);
    if (!headerOnly) {
        native::WriteValueBlock(os, *this, nullptr);
        const std::vector<std::string> blocks = GetHistoryText();
        WriteI32(os, static_cast<std::int32_t>(blocks.size()));
        for (const auto& b : blocks) WriteText(os, b);
    }
    os.flush();
    return os;
}

std::istream& DataStore::ReadVarnixBinary(std::istream& is, bool headerOnly) {
    fileAttributes.cfrCompliant = false;
    is.clear();
    is.seekg(0);
    is.clear();

    std::string line;
    if (!std::getline(is, line)) return is;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line != kMagic) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    title = ReadTerminatedString(is);
    if (is.fail() || is.bad()) return is;

    const std::uint32_t remarkCount = ReadU32(is);
    if (remarkCount <= kMaxRemarkCount) {
        // Every remark takes at least its NUL.
        if (!CountFits(is, remarkCount, 1)) Fail(msg::kFileCorrupt);
        remarks.Resize(static_cast<int>(remarkCount));
        for (int i = 0; i < static_cast<int>(remarkCount); ++i) remarks.At(i) = ReadTerminatedString(is);
    } else {
        native::StepBack4(is);
        remarks.Resize(1);
        remarks.At(0) = ReadTerminatedString(is);
    }

    const std::int32_t propertyCount = ReadI32(is);
    if (is.fail() || is.bad() || propertyCount <= 0 || propertyCount > kMaxProperties) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    properties.Resize(propertyCount);
    for (int i = 0; i < propertyCount && is.good(); ++i) properties.At(i) = ReadTerminatedString(is);

    const std::int32_t dimensionCount = ReadI32(is);
    if (is.fail() || is.bad() || dimensionCount < 0 || dimensionCount > kMaxDimensions) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    dimensions.Resize(dimensionCount);
    for (int k = 0; k < dimensionCount && is.good(); ++k)
        if (!native::ReadDimensionRecord(is, dimensions.At(k), nullptr, false)) break;

    native::CheckValueCount(*this, headerOnly ? -1 : BytesLeft(is), 4);
    Initialize();
    if (headerOnly) return is;

    const std::uint32_t byteCount = ReadU32(is);
    if (is.fail() || is.bad() || byteCount > native::kMaxDataBytes) {
        is.setstate(std::ios_base::failbit);
        return is;
    }
    native::ReadValueBlock(is, *this, byteCount, nullptr);
    native::ComputeRangeIfAny(*this);

    const std::uint32_t historyCount = ReadU32(is);
    if (is.fail() || is.bad()) {
        // The file ends in or right after the values: keep what was read, history unchanged.
        is.clear();
        return is;
    }
    std::vector<std::string> texts;
    if (historyCount >= 1 && historyCount <= 255) {
        for (std::uint32_t i = 0; i < historyCount; ++i) texts.push_back(ReadTerminatedString(is));
    } else {
        native::StepBack4(is);
        texts.push_back(ReadTerminatedString(is));
    }
    AddOldComments(texts);
    return is;
}

namespace {
void WriteVarnixBinaryFile(DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixBinary(os, false); }
}  // namespace

constinit const FormatInfo kVarnixBinaryFormat = {
    .name = "VarnixBinary",
    .fuzzKey = "varnixbinary",
    .accepts = {FirstLines::Match::WholeLine, "VarnixBinary", {}},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::BinaryStream,
    .read = &DataStore::ReadVarnixBinary,
    .write = WriteVarnixBinaryFile,
    .mode = StreamMode::Binary,
    .holds = {0, true, true, true},
    .target = {1, "dsb", ".dsb", "VarnixBinary", "Save in VarnixBinary format (Acorn Varnix binary format)",
               "Save the converted DataStore in the Acorn VarnixBinary format.", WriteVarnixBinaryFile},
};

}  // namespace kyn

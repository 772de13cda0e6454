// VarnixBinaryX (.dsx): the extended native binary file of a DataStore, protected by a CRC-32.
//
// Encodings as in VarnixBinary (int32 and float32 little-endian; text = bytes plus one NUL);
// byte = one unsigned byte. Layout on disk, in order, no padding; the right column says what the
// checksum covers:
//
//   "VarnixBinaryX" 0x0A     magic line                     its 13 characters
//   text      title                                         its characters
//   FileAttributes           byte cfrCompliant, byte asAcquired, text fileId, text timeStamp
//                                                           trailing group
//   ParentFileAttributes     text fileName, then the four fields above   trailing group
//   DimensionViewState       int32 reserved, int32 M (1..20), M int32 order, M x (float32 max,
//                            float32 min), int32 G, G lists of (int32 K, K markers: float32
//                            position, int32 b, int32 a, text label, byte visible)
//                                                           trailing group
//   int32     R              remark count                   its four bytes
//   R texts   remarks                                       their characters
//   int32 E, E texts         keyed options                  not covered
//   int32     P              property count (0..255)        its four bytes
//   P texts   property names                                their characters
//   int32     n              dimension count (0..255)       its four bytes
//   n records                name text, int32 N (1..2^28), N float32    only the N values
//   int32     B              data byte count 4 x P x N1 x ... x Nn      its four bytes
//   B bytes   values         float32, property blocks, first dimension fastest   all of them
//   history                  int32 H, H entries (byte raw, text title, text text, 9 x int32
//                            time, text user)              trailing group
//   uint32    checksum
//
// B, the values and the history are absent in a header-only file. The trailing group is fed to
// the checksum last, after the values: the attribute records, the view state and the history as
// they are written (the reader re-serialises what it read).
//
// Checksum: polynomial 0x04C11DB7, most significant bit first, register from 0, no final
// exclusive-or (util/Crc32.h).
//
// Every failing check of the reader throws "The file is corrupt.\n", except a negative history
// count ("This file is corrupt").
#include <istream>
#include <ostream>
#include <string>
#include <sstream>

#include "formats/io/BinaryIO.h"
#include "formats/VarnixBinaryX.h"
#include "formats/BinaryBlocks.h"
#include "util/Crc32.h"
#include "util/ProgressLog.h"
#include "util/StringUtil.h"
#include "formats/Registry.h"

namespace kyn {

namespace binaryx {

namespace {

void WriteEntry(std::ostream& os, const HistoryEntry& e) {
    WriteByte(os, e.isRawText ? 1 : 0);
    WriteText(os, e.title);
    WriteText(os, e.text);
    for (std::int32_t v : e.timeStamp) WriteI32(os, v);
    WriteText(os, e.user);
}

void ReadEntry(std::istream& is, HistoryEntry& e) {
    e.isRawText = ReadByte(is) != 0;
    e.title = ReadTerminatedString(is);
    e.text = ReadTerminatedString(is);
    for (auto& v : e.timeStamp) v = ReadI32(is);
    e.user = ReadTerminatedString(is);
}

void WriteMarkers(std::ostream& os, const std::vector<Marker>& list) {
    std::int32_t visible = 0;
    for (const auto& m : list) visible += m.visible ? 1 : 0;
    WriteI32(os, visible);
    for (const auto& m : list) {
        if (!m.visible) continue;
        WriteF32(os, m.position);
        WriteI32(os, m.b);
        WriteI32(os, m.a);
        WriteText(os, m.label);
        WriteByte(os, 1);
    }
}

void ReadMarkers(std::istream& is, std::vector<Marker>& list) {
    const std::int32_t k = ReadI32(is);
    // Each marker takes at least 14 bytes.
    if (!is || k < 0 || !CountFits(is, k, 14)) Fail(msg::kFileCorrupt);
    list.resize(static_cast<std::size_t>(k));
    for (auto& m : list) {
        m.position = ReadF32(is);
        m.b = ReadI32(is);
        m.a = ReadI32(is);
        m.label = ReadTerminatedString(is);
        m.visible = ReadByte(is) != 0;
    }
    if (!is) Fail(msg::kFileCorrupt);
}

}  // namespace

void WriteHistory(std::ostream& os, const std::vector<HistoryEntry>& history) {
    WriteI32(os, static_cast<std::int32_t>(history.size()));
    for (const auto& e : history) WriteEntry(os, e);
}

void ReadHistory(std::istream& is, std::vector<HistoryEntry>& history) {
    const std::int32_t count = ReadI32(is);
    // Every stored entry takes at least 40 bytes (flag, three NULs, nine integers).
    if (count < 0 || is.bad() || !CountFits(is, count, 40)) Fail(msg::kHistoryCorrupt);
    history.resize(static_cast<std::size_t>(count));
    for (auto& e : history) ReadEntry(is, e);
}

void WriteAttributes(std::ostream& os, const FileAttributes& a) {
    WriteByte(os, a.cfrCompliant ? 1 : 0);
    WriteByte(os, a.asAcquired ? 1 : 0);
    WriteText(os, a.fileId);
    WriteText(os, a.timeStamp);
}

void ReadAttributes(std::istream& is, FileAttributes& a) {
    a.cfrCompliant = ReadByte(is) != 0;
    a.asAcquired = ReadByte(is) != 0;
    a.fileId = ReadTerminatedString(is);
    a.timeStamp = ReadTerminatedString(is);
}

void WriteAttributes(std::ostream& os, const ParentFileAttributes& a) {
    WriteText(os, a.fileName);
    WriteAttributes(os, static_cast<const FileAttributes&>(a));
}

void ReadAttributes(std::istream& is, ParentFileAttributes& a) {
    a.fileName = ReadTerminatedString(is);
    ReadAttributes(is, static_cast<FileAttributes&>(a));
}

void WriteOptions(std::ostream& os, const OptionList& options) {
    WriteI32(os, options.entries.Count());
    for (int i = 0; i < options.entries.Count(); ++i) WriteText(os, options.entries.At(i));
}

void ReadOptions(std::istream& is, OptionList& options) {
    const std::int32_t count = ReadI32(is);
    if (!is || count < 0 || !CountFits(is, count, 1)) Fail(msg::kFileCorrupt);
    options.entries.Resize(0);
    options.entries.Resize(count);
    for (int i = 0; i < count; ++i) options.entries.At(i) = ReadTerminatedString(is);
}

void WriteViewState(std::ostream& os, const DimensionViewState& state) {
    if (state.dimensionCount < 1) Fail(msg::kDatastoreNotValid);
    WriteI32(os, state.reserved);
    WriteI32(os, state.dimensionCount);
    const auto n = static_cast<std::size_t>(state.dimensionCount);
    for (std::size_t k = 0; k < n; ++k) WriteI32(os, k < state.order.size() ? state.order[k] : static_cast<std::int32_t>(k));
    for (std::size_t k = 0; k < n; ++k) {
        const auto r = k < state.ranges.size() ? state.ranges[k] : std::pair<float, float>{0.0f, 0.0f};
        WriteF32(os, r.first);
        WriteF32(os, r.second);
    }
    WriteI32(os, static_cast<std::int32_t>(state.markers.size()));
    for (const auto& list : state.markers) WriteMarkers(os, list);
}

void ReadViewState(std::istream& is, DimensionViewState& state) {
    state.reserved = ReadI32(is);
    state.dimensionCount = ReadI32(is);
    if (!is || state.dimensionCount < 1 || state.dimensionCount > 20) Fail(msg::kFileCorrupt);
    state.order.resize(static_cast<std::size_t>(state.dimensionCount));
    for (auto& o : state.order) o = ReadI32(is);
    state.ranges.resize(static_cast<std::size_t>(state.dimensionCount));
    for (auto& r : state.ranges) {
        r.first = ReadF32(is);
        r.second = ReadF32(is);
    }
    const std::int32_t lists = ReadI32(is);
    // Each list holds at least its four-byte count.
    if (!is || lists < 0 || !CountFits(is, lists, 4)) Fail(msg::kFileCorrupt);
    state.markers.assign(static_cast<std::size_t>(lists), {});
    for (auto& list : state.markers) ReadMarkers(is, list);
    if (!is) Fail(msg::kFileCorrupt);
}

}  // namespace binaryx

namespace {
constexpr const char* kMagic = "VarnixBinaryX";
constexpr std::uint32_t kMaxRemarkCount = 255;  // above: an old-style file without a count
constexpr std::int32_t kMaxProperties = 255;
constexpr std::int32_t kMaxDimensions = 255;

// Fuzz builds compile the reader with the comparison switched off: random bytes never carry a
// matching checksum, so the fuzzer would otherwise never reach the history or the end checks.
#ifdef KYN_FUZZ_SKIP_CHECKSUM
constexpr bool kCompareChecksum = false;
#else
constexpr bool kCompareChecksum = true;
#endif

void FeedBuffer(Crc32& crc, const std::ostringstream& buffer) {
    const std::string bytes = buffer.str();
    crc.Add(bytes.data(), bytes.size());
}
}  // namespace

namespace {

// Everything the writer puts into the file must come back from the reader as it was written. A
// store never given a view state (never initialised) is "not valid".
void CheckVarnixBinaryXCanHold(const DataStore& ds) {
    const char* f = kMagic;
    if (ds.viewState.dimensionCount < 1) Fail(msg::kDatastoreNotValid);
    native::RequireValues(ds, f, native::kMaxDataBytes / 4);
    if (ds.properties.Count() > kMaxProperties) CannotHold(f, "more than 255 properties");
    if (ds.dimensions.Count() > kMaxDimensions) CannotHold(f, "more than 255 dimensions");
    if (ds.viewState.dimensionCount > 20) CannotHold(f, "the view state of more than 20 dimensions");
    // A remark count above 255 reads as the start of an old-style single remark.
    if (static_cast<std::uint32_t>(ds.remarks.Count()) > kMaxRemarkCount) CannotHold(f, "more than 255 remarks");
    native::RequireNoNul(ds.title, f, "a title");
    for (int i = 0; i < ds.remarks.Count(); ++i) native::RequireNoNul(ds.remarks.At(i), f, "a remark");
    for (int i = 0; i < ds.properties.Count(); ++i) native::RequireNoNul(ds.properties.At(i), f, "a property name");
    for (int k = 0; k < ds.dimensions.Count(); ++k) native::RequireNoNul(ds.dimensions.At(k).name, f, "a dimension name");
    for (const FileAttributes* a : {static_cast<const FileAttributes*>(&ds.fileAttributes),
                                    static_cast<const FileAttributes*>(&ds.parentAttributes)}) {
        native::RequireNoNul(a->fileId, f, "a file identifier");
        native::RequireNoNul(a->timeStamp, f, "a file time stamp");
    }
    native::RequireNoNul(ds.parentAttributes.fileName, f, "a parent file name");
    for (const auto& list : ds.viewState.markers)
        for (const Marker& m : list)
            if (m.visible) native::RequireNoNul(m.label, f, "a marker label");
    for (const HistoryEntry& e : ds.history) {
        native::RequireNoNul(e.title, f, "a history title");
        native::RequireNoNul(e.text, f, "a history text");
        native::RequireNoNul(e.user, f, "a history entry's user name");
    }
}

}  // namespace

std::ostream& DataStore::WriteVarnixBinaryX(std::ostream& os, bool headerOnly) {
    CheckVarnixBinaryXCanHold(*this);
    Crc32 crc;
    os << kMagic << '\n';
    formatName = kMagic;
    crc.Add(std::string_view(kMagic));
    WriteText(os, title);
    crc.Add(std::string_view(title.c_str()));

    // The attribute records and the view state go to the file and to the trailing group. The
    // view state is serialised first: a DataStore without one is refused before more is written.
    std::ostringstream trailing(std::ios_base::binary);
    std::ostringstream head(std::ios_base::binary);
    binaryx::WriteViewState(head, viewState);
    binaryx::WriteAttributes(trailing, fileAttributes);
    binaryx::WriteAttributes(trailing, parentAttributes);
    trailing << head.str();
    os << trailing.str();

    WriteI32(os, remarks.Count());
    crc.AddI32(remarks.Count());
    for (int i = 0; i < remarks.Count() && os.good(); ++i) {
        WriteText(os, remarks.At(i));
        crc.Add(std::string_view(remarks.At(i).c_str()));
    }
    binaryx::WriteOptions(os, keyedOptions);
    WriteI32(os, properties.Count());
    crc.AddI32(properties.Count());
    for (int i = 0; i < properties.Count() && os.good(); ++i) {
        WriteText(os, properties.At(i));
        crc.Add(std::string_view(properties.At(i).c_str()));
    }
    WriteI32(os, dimensions.Count());
    crc.AddI32(dimensions.Count());
    for (int k = 0; k < dimensions.Count() && os.good(); ++k) {
        Dimension& d = dimensions.At(k);
        RemoveAll(d.name, "-arb");
        native::WriteDimensionRecord(os, d, &crc);
    }
    if (!headerOnly) {
        native::WriteValueBlock(os, *this, &crc);
        std::ostringstream historyBytes(std::ios_base::binary);
        binaryx::WriteHistory(historyBytes, history);
        os << historyBytes.str();
        trailing << historyBytes.str();
    }
    FeedBuffer(crc, trailing);
    WriteU32(os, crc.Result());
    os.flush();
    saved = true;
    return os;
}

std::istream& DataStore::ReadVarnixBinaryX(std::istream& is, bool headerOnly) {
    Crc32 crc;
    is.clear();
    is.seekg(0);
    is.clear();

    std::string line;
    std::getline(is, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    crc.Add(std::string_view(line));
    if (is.fail() || is.bad() || line != kMagic) Fail(msg::kFileCorrupt);

    title = ReadTerminatedString(is);
    crc.Add(std::string_view(title));
    if (is.fail() || is.bad()) Fail(msg::kFileCorrupt);

    binaryx::ReadAttributes(is, fileAttributes);
    binaryx::ReadAttributes(is, parentAttributes);
    DimensionViewState storedView;
    binaryx::ReadViewState(is, storedView);
    std::ostringstream trailing(std::ios_base::binary);
    binaryx::WriteAttributes(trailing, fileAttributes);
    binaryx::WriteAttributes(trailing, parentAttributes);
    binaryx::WriteViewState(trailing, storedView);

    const std::uint32_t remarkCount = ReadU32(is);
    crc.AddI32(static_cast<std::int32_t>(remarkCount));
    if (remarkCount <= kMaxRemarkCount) {
        ReportProgress("reading " + std::to_string(remarkCount) + " comments\n");
        remarks.Resize(static_cast<int>(remarkCount));
        for (int i = 0; i < static_cast<int>(remarkCount); ++i) {
            remarks.At(i) = ReadTerminatedString(is);
            crc.Add(std::string_view(remarks.At(i)));
        }
    } else {
        ReportProgress("reading old style comment.\n");
        native::StepBack4(is);
        remarks.Resize(1);
        remarks.At(0) = ReadTerminatedString(is);
    }

    binaryx::ReadOptions(is, keyedOptions);

    const std::int32_t propertyCount = ReadI32(is);
    crc.AddI32(propertyCount);
    if (is.fail() || is.bad() || propertyCount < 0 || propertyCount > kMaxProperties) Fail(msg::kFileCorrupt);
    properties.Resize(propertyCount);
    for (int i = 0; i < propertyCount && is.good(); ++i) {
        properties.At(i) = ReadTerminatedString(is);
        crc.Add(std::string_view(properties.At(i)));
    }

    const std::int32_t dimensionCount = ReadI32(is);
    crc.AddI32(dimensionCount);
    if (is.fail() || is.bad() || dimensionCount < 0 || dimensionCount > kMaxDimensions) Fail(msg::kFileCorrupt);
    dimensions.Resize(dimensionCount);
    for (int k = 0; k < dimensionCount && is.good(); ++k)
        if (!native::ReadDimensionRecord(is, dimensions.At(k), &crc, true)) break;

    native::CheckValueCount(*this, headerOnly ? -1 : BytesLeft(is), 4);
    Initialize();
    if (headerOnly) return is;

    const std::uint32_t byteCount = ReadU32(is);
    crc.AddI32(static_cast<std::int32_t>(byteCount));
    if (is.fail() || is.bad() || byteCount > native::kMaxDataBytes) Fail(msg::kFileCorrupt);
    native::ReadValueBlock(is, *this, byteCount, &crc);
    native::ComputeRangeIfAny(*this);

    binaryx::ReadHistory(is, history);
    binaryx::WriteHistory(trailing, history);
    FeedBuffer(crc, trailing);
    const std::uint32_t expected = crc.Result();
    const std::uint32_t stored = ReadU32(is);  // 0 when the file ends before it
    if (is.fail() || (kCompareChecksum && stored != expected)) Fail(msg::kFileCorrupt);

    viewState = storedView;
    formatName = kMagic;
    return is;
}

namespace {
void WriteVarnixBinaryXFile(DataStore& ds, std::ostream& os, const WriterOptions&) { ds.WriteVarnixBinaryX(os, false); }
}  // namespace

constinit const FormatInfo kVarnixBinaryXFormat = {
    .name = "VarnixBinaryX",
    .fuzzKey = "varnixbinaryx",
    .accepts = {FirstLines::Match::WholeLine, "VarnixBinaryX", {}},
    .refuses = {},
    .refusal = nullptr,
    .probe = nullptr,
    .readsFrom = ReadsFrom::BinaryStream,
    .read = &DataStore::ReadVarnixBinaryX,
    .write = WriteVarnixBinaryXFile,
    .mode = StreamMode::Binary,
    .holds = {0, true, true, true},
    .target = {0, "dsx", ".dsx", "VarnixBinaryX", "Save in VarnixBinaryX format",
               "Save the converted DataStore in the VarnixBinaryX format.", WriteVarnixBinaryXFile},
};

}  // namespace kyn

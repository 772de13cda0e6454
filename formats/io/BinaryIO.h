// Little-endian binary fields of the native binary formats: 32-bit integers and floats, and
// texts stored as their bytes followed by one NUL.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

namespace kyn {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

inline std::uint32_t ToLittle(std::uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) return v;
    return ((v & 0xffu) << 24) | ((v & 0xff00u) << 8) | ((v >> 8) & 0xff00u) | (v >> 24);
}

inline void WriteU32(std::ostream& os, std::uint32_t v) {
    const std::uint32_t le = ToLittle(v);
    os.write(reinterpret_cast<const char*>(&le), 4);
}
inline void WriteI32(std::ostream& os, std::int32_t v) { WriteU32(os, static_cast<std::uint32_t>(v)); }
inline void WriteF32(std::ostream& os, float v) { WriteU32(os, std::bit_cast<std::uint32_t>(v)); }
inline void WriteByte(std::ostream& os, std::uint8_t v) { os.put(static_cast<char>(v)); }
// The bytes of `s` up to its first NUL, then one NUL.
void WriteText(std::ostream& os, const std::string& s);

// Reads four bytes; on a short read the stream fails and 0 is returned.
inline std::uint32_t ReadU32(std::istream& is) {
    std::uint32_t v = 0;
    if (!is.read(reinterpret_cast<char*>(&v), 4)) return 0;
    return ToLittle(v);
}
inline std::int32_t ReadI32(std::istream& is) { return static_cast<std::int32_t>(ReadU32(is)); }
inline float ReadF32(std::istream& is) { return std::bit_cast<float>(ReadU32(is)); }
inline std::uint8_t ReadByte(std::istream& is) {
    const auto c = is.get();
    return c == std::char_traits<char>::eof() ? 0 : static_cast<std::uint8_t>(c);
}

// Reads characters while the stream is good, up to and consuming the first NUL. If the stream
// stops first (end of file before the NUL) it throws "The file is corrupt.\n".
std::string ReadTerminatedString(std::istream& is);

// How many bytes the stream can still deliver from its current position, or -1 when it cannot
// tell (not seekable). Used to refuse counts that the rest of a file cannot hold before anything
// is allocated for them.
std::int64_t BytesLeft(std::istream& is);

// True when `count` items of at least `minBytesEach` bytes can still be in the stream (or when the
// stream cannot tell its length).
bool CountFits(std::istream& is, std::int64_t count, std::int64_t minBytesEach);

}  // namespace kyn

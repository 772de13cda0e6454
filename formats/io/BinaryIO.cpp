#include "formats/io/BinaryIO.h"

#include "datastore/Errors.h"

namespace kyn {

void WriteText(std::ostream& os, const std::string& s) {
    const std::size_t n = s.find('\0');
    os.write(s.data(), static_cast<std::streamsize>(n == std::string::npos ? s.size() : n));
    os.put('\0');
}

std::string ReadTerminatedString(std::istream& is) {
    std::string s;
    std::streambuf* sb = is.rdbuf();
    if (!sb || !is.good()) Fail(msg::kFileCorrupt);
    for (;;) {
        const int c = sb->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            is.setstate(std::ios_base::eofbit | std::ios_base::failbit);
            Fail(msg::kFileCorrupt);
        }
        if (c == 0) return s;
        s.push_back(static_cast<char>(c));
    }
}

std::int64_t BytesLeft(std::istream& is) {
    if (!is.good()) return 0;
    std::streambuf* sb = is.rdbuf();
    if (!sb) return 0;
    const auto here = sb->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    if (here == std::streampos(-1)) return -1;
    const auto end = sb->pubseekoff(0, std::ios_base::end, std::ios_base::in);
    sb->pubseekpos(here, std::ios_base::in);
    if (end == std::streampos(-1)) return -1;
    return static_cast<std::int64_t>(end - here);
}

bool CountFits(std::istream& is, std::int64_t count, std::int64_t minBytesEach) {
    if (count < 0) return false;
    const std::int64_t left = BytesLeft(is);
    if (left < 0) return true;
    if (minBytesEach <= 0) return true;
    return count <= left / minBytesEach;
}

}  // namespace kyn

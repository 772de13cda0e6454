#include "conversion/SafeOutput.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "conversion/OutputNaming.h"

// renameat2 with RENAME_NOREPLACE (Linux, declared in <cstdio> by glibc).
#if defined(__linux__) && defined(RENAME_NOREPLACE)
#include <fcntl.h>
#define KYN_RENAME_NOREPLACE 1
#else
#define KYN_RENAME_NOREPLACE 0
#endif

namespace kyn {

namespace fs = std::filesystem;

namespace {

// Opening a stream on a file that must not exist yet ("exclusive" creation). Where the library
// offers it, the stream itself creates the file; otherwise the file is created empty first and
// the stream opened on it without truncation (truncating, even an empty file, makes ext4 flush
// it to disk when it is closed, which costs a large output a tenth of a second or more).
#if defined(__cpp_lib_ios_noreplace)
constexpr std::ios_base::openmode kNoReplace = std::ios_base::noreplace;
#elif defined(__GLIBCXX__)
constexpr std::ios_base::openmode kNoReplace = std::ios_base::__noreplace;
#else
constexpr std::ios_base::openmode kNoReplace{};
#endif
constexpr bool kStreamsCreateExclusively = kNoReplace != std::ios_base::openmode{};

[[maybe_unused]] bool CreateEmpty(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) return false;
    std::fclose(f);
    return true;
}

}  // namespace

SafeOutputFile::~SafeOutputFile() { Discard(); }

bool SafeOutputFile::Open(const std::string& target, StreamMode mode) {
    Discard();
    target_ = target;
    mode_ = mode;
    binary_.clear();
    text_.clear();
    // The temporary is named after the target with a random part ("dir/.name.kyn1a2b3c4d.tmp",
    // hidden where a leading dot hides); a long name would push it past the file system's name
    // limit, so a prefix will do.
    const std::size_t nameStart = NameStart(target);
    const std::string name = target.substr(nameStart, 64);
    // Seeded once per thread: a random_device costs more than writing a small file.
    thread_local std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 32; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
        const std::string candidate = target.substr(0, nameStart) + "." + name + ".kyn" + tag + ".tmp";
        std::ios_base::openmode openMode = std::ios_base::out | kNoReplace;
        if constexpr (!kStreamsCreateExclusively) {
            if (!CreateEmpty(candidate)) {
                if (errno == EEXIST) continue;
                break;
            }
            openMode = std::ios_base::out | std::ios_base::in;
        }
        errno = 0;
        bool open = false;
        if (mode_ == StreamMode::Binary) {
            binary_.open(candidate, openMode | std::ios_base::binary);
            open = binary_.is_open();
        } else {
            text_.open(candidate, openMode);
            open = text_.is_open();
        }
        if (open) {
            temporary_ = candidate;
            return true;
        }
        // An existing file is never taken over: another name is tried.
        if (kStreamsCreateExclusively && errno == EEXIST) continue;
        if (!kStreamsCreateExclusively) {
            std::error_code ec;
            fs::remove(candidate, ec);
        }
        break;
    }
    binary_.clear();
    text_.clear();
    return false;
}

std::ostream& SafeOutputFile::Stream() {
    if (mode_ == StreamMode::Binary) return binary_;
    return text_;
}

bool SafeOutputFile::Commit() {
    if (temporary_.empty()) return false;
    std::ostream& os = Stream();
    if (os.good()) os.flush();
    if (mode_ == StreamMode::Binary)
        binary_.close();
    else
        text_.close();
    if (os.fail() || os.bad()) {
        Discard();
        return false;
    }
#if KYN_RENAME_NOREPLACE
    // A new output, the common case, needs no look-up of the target (a costly one, where the
    // file system keeps no record of names that do not exist): a rename that may not replace
    // anything. Where the file system cannot do that, the general rename below follows.
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
        temporary_.clear();
        return true;
    }
#endif
    std::error_code ec;
    const fs::file_status existing = fs::status(target_, ec);
    if (!ec && fs::is_regular_file(existing))
        fs::permissions(temporary_, existing.permissions(), fs::perm_options::replace, ec);
    fs::rename(temporary_, target_, ec);
    if (ec) {
        Discard();
        return false;
    }
    temporary_.clear();
    return true;
}

void SafeOutputFile::Discard() {
    if (binary_.is_open()) binary_.close();
    if (text_.is_open()) text_.close();
    if (!temporary_.empty()) {
        std::error_code ec;
        fs::remove(temporary_, ec);
        temporary_.clear();
    }
}

}  // namespace kyn

#include "conversion/SafeOutput.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "conversion/OutputNaming.h"

// renameat2 with RENAME_NOREPLACE (Linux, declared in <cstdio> by glibc).
#if defined(__linux__) && defined(RENAME_NOREPLACE)
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

// The temporaries that exist, where a signal handler can find them without locks or allocation.
// A slot is claimed (1), given its path, then made live (2); a handler removes the live ones.
// Enough slots for the largest number of workers and then some; a temporary that finds none is
// simply not listed. The states sit together and the paths apart, so that finding a free slot
// reads a few cache lines and only the path buffers in use ever become resident.
constexpr int kTemporarySlots = 1024 + 64;
constexpr std::size_t kTemporaryPathSize = 4096;
constinit std::atomic<int> g_temporaryState[kTemporarySlots]{};  // 0 free, 1 claimed, 2 live
char g_temporaryPath[kTemporarySlots][kTemporaryPathSize];
static_assert(std::atomic<int>::is_always_lock_free);

int ListTemporary(const std::string& path) {
    if (path.size() >= kTemporaryPathSize) return -1;  // too long to exist at all
    for (int i = 0; i < kTemporarySlots; ++i) {
        int expected = 0;
        if (!g_temporaryState[i].compare_exchange_strong(expected, 1)) continue;
        std::memcpy(g_temporaryPath[i], path.c_str(), path.size() + 1);
        g_temporaryState[i].store(2, std::memory_order_release);
        return i;
    }
    return -1;
}

void UnlistTemporary(int slot) {
    if (slot < 0) return;
    g_temporaryState[slot].store(1);
    g_temporaryState[slot].store(0, std::memory_order_release);
}

}  // namespace

void RemoveTemporaryFiles() noexcept {
    for (int i = 0; i < kTemporarySlots; ++i)
        if (g_temporaryState[i].load(std::memory_order_acquire) == 2) ::unlink(g_temporaryPath[i]);
}

void RemoveTemporariesWhenEnded() {
    struct sigaction sa {};
    sa.sa_handler = [](int signal) {
        RemoveTemporaryFiles();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    };
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;
    for (const int s : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) sigaction(s, &sa, nullptr);
    ::signal(SIGXFSZ, SIG_IGN);
}

SafeOutputFile::~SafeOutputFile() { Discard(); }

void SafeOutputFile::NoteError(int errorNumber) {
    if (errorNumber != 0) error_ = std::strerror(errorNumber);
}

bool SafeOutputFile::Open(const std::string& target, StreamMode mode) {
    Discard();
    target_ = target;
    mode_ = mode;
    closed_ = false;
    error_.clear();
    binary_.clear();
    text_.clear();
    // The temporary is named after the target with a random part, hidden where a leading dot
    // hides; a long name would push it past the file system's name limit, so a prefix will do.
    const std::size_t nameStart = NameStart(target);
    const std::string name = target.substr(nameStart, 64);
    // Seeded once per thread: a random_device costs more than writing a small file.
    thread_local std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 32; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
        const std::string candidate =
            target.substr(0, nameStart) + "." + name + ".unfinished-conversion-" + tag + ".tmp";
        std::ios_base::openmode openMode = std::ios_base::out | kNoReplace;
        if constexpr (!kStreamsCreateExclusively) {
            if (!CreateEmpty(candidate)) {
                if (errno == EEXIST) continue;
                NoteError(errno);
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
            slot_ = ListTemporary(candidate);
            return true;
        }
        // An existing file is never taken over: another name is tried.
        if (kStreamsCreateExclusively && errno == EEXIST) continue;
        NoteError(errno);
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

bool SafeOutputFile::Close() {
    if (temporary_.empty()) return false;
    if (closed_) return true;
    std::ostream& os = Stream();
    if (os.good()) {
        errno = 0;
        os.flush();
    }
    if (mode_ == StreamMode::Binary)
        binary_.close();
    else
        text_.close();
    if (os.fail() || os.bad()) {
        // The last failing write or close left its reason in errno (a full disk, a file-size
        // limit): nothing but writes to the stream came after it.
        NoteError(errno);
        Discard();
        return false;
    }
    closed_ = true;
    return true;
}

SafeOutputFile::CommitResult SafeOutputFile::Commit(bool mayReplace) {
    if (!Close()) return CommitResult::Failed;
    if (!mayReplace) {
#if KYN_RENAME_NOREPLACE
        // The common case, a new output, needs no look-up of the target (a costly one, where the
        // file system keeps no record of names that do not exist).
        if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0) {
            UnlistTemporary(slot_);
            slot_ = -1;
            temporary_.clear();
            return CommitResult::Committed;
        }
        if (errno == EEXIST) return CommitResult::TargetExists;
#endif
        // Without that rename: a hard link under the target's name, made only if the name is
        // free, then the temporary's name goes.
        if (::link(temporary_.c_str(), target_.c_str()) == 0) {
            Discard();
            return CommitResult::Committed;
        }
        if (errno == EEXIST) return CommitResult::TargetExists;
        // A file system without hard links: look, then rename (a file appearing in between is
        // the one case left open).
        struct stat st {};
        if (::lstat(target_.c_str(), &st) == 0) return CommitResult::TargetExists;
    }
    std::error_code ec;
    const fs::file_status existing = fs::status(target_, ec);
    if (!ec && fs::is_regular_file(existing))
        fs::permissions(temporary_, existing.permissions(), fs::perm_options::replace, ec);
    fs::rename(temporary_, target_, ec);
    if (ec) {
        error_ = ec.message();
        Discard();
        return CommitResult::Failed;
    }
    UnlistTemporary(slot_);
    slot_ = -1;
    temporary_.clear();
    return CommitResult::Committed;
}

void SafeOutputFile::Discard() {
    if (binary_.is_open()) binary_.close();
    if (text_.is_open()) text_.close();
    if (!temporary_.empty()) {
        std::error_code ec;
        fs::remove(temporary_, ec);
        temporary_.clear();
    }
    UnlistTemporary(slot_);
    slot_ = -1;
}

}  // namespace kyn

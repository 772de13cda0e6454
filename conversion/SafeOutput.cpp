#include "conversion/SafeOutput.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "conversion/OutputNaming.h"

namespace kyn {

namespace fs = std::filesystem;

namespace {

// Creates an empty file that did not exist before, named after the target with a random part
// ("dir/.name.kyn1a2b3c4d.tmp", hidden where a leading dot hides). Returns "" when none can be made.
std::string CreateTemporaryFor(const std::string& target) {
    const std::size_t nameStart = NameStart(target);
    // A long name would push the temporary past the file system's name limit; a prefix will do.
    const std::string name = target.substr(nameStart, 64);
    // Seeded once per thread: a random_device costs more than writing a small file.
    thread_local std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 32; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
        const std::string candidate = target.substr(0, nameStart) + "." + name + ".kyn" + tag + ".tmp";
        // "x": exclusive creation, so an existing file is never taken over.
        if (std::FILE* f = std::fopen(candidate.c_str(), "wbx")) {
            std::fclose(f);
            return candidate;
        }
        if (errno != EEXIST) return {};
    }
    return {};
}

}  // namespace

SafeOutputFile::~SafeOutputFile() { Discard(); }

bool SafeOutputFile::Open(const std::string& target, StreamMode mode) {
    Discard();
    target_ = target;
    mode_ = mode;
    temporary_ = CreateTemporaryFor(target);
    if (temporary_.empty()) return false;
    // The temporary exists and is empty: it is opened without truncation. Truncating a file
    // (even an empty one) makes ext4 flush it to disk when it is closed, which costs a large
    // output a tenth of a second or more.
    const auto intoExisting = std::ios_base::out | std::ios_base::in;
    if (mode_ == StreamMode::Binary) {
        binary_.clear();
        binary_.open(temporary_, intoExisting | std::ios_base::binary);
        if (binary_.is_open()) return true;
    } else {
        text_.clear();
        text_.open(temporary_, intoExisting);
        if (text_.is_open()) return true;
    }
    Discard();
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

#include "util/UserName.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace kyn {

namespace {

std::string Truncated(std::string s, std::size_t limit) {
    if (s.size() > limit) s.resize(limit);
    return s;
}

}  // namespace

std::string CurrentUserName() {
    // The account the process runs as does not change while it runs, and looking it up reads the
    // password database (a file, perhaps a name service) every time: every DataStore made asks,
    // so the answer is looked up once.
    static const std::string account = [] {
        std::vector<char> buf(16384);
        passwd pw{};
        passwd* result = nullptr;
        if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_name &&
            result->pw_name[0] != '\0')
            return Truncated(result->pw_name, 1023);
        return std::string();
    }();
    if (!account.empty()) return account;
    if (const char* env = std::getenv("USERNAME")) return Truncated(env, 1023);
    return "Unknown";
}

std::string OwnerName() {
    if (const char* env = std::getenv("USERNAME")) return Truncated(env, 259);
    return "Unknown";
}

}  // namespace kyn

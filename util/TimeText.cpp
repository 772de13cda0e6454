#include "util/TimeText.h"

#include <charconv>

namespace kyn {

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::tm LocalNow() { return LocalTime(std::time(nullptr)); }

namespace {

void Put2(std::string& s, int v) {
    // Values outside 0..99 (only possible for a hand-made record) are printed whole.
    if (v >= 0 && v < 100) {
        s += static_cast<char>('0' + v / 10);
        s += static_cast<char>('0' + v % 10);
    } else {
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        s.append(buf, r.ptr);
    }
}

}  // namespace

std::string FormatCTime(const std::tm& tm) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::string s;
    s.reserve(24);
    s += (tm.tm_wday >= 0 && tm.tm_wday < 7) ? kDays[tm.tm_wday] : "???";
    s += ' ';
    s += (tm.tm_mon >= 0 && tm.tm_mon < 12) ? kMonths[tm.tm_mon] : "???";
    s += ' ';
    Put2(s, tm.tm_mday);
    s += ' ';
    Put2(s, tm.tm_hour);
    s += ':';
    Put2(s, tm.tm_min);
    s += ':';
    Put2(s, tm.tm_sec);
    s += ' ';
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, 1900LL + tm.tm_year);
    s.append(buf, r.ptr);
    return s;
}

std::string FormatCTime(std::time_t t) { return FormatCTime(LocalTime(t)); }

}  // namespace kyn

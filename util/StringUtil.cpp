#include "util/StringUtil.h"

#include <charconv>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <string>

namespace kyn {

void RemoveAll(std::string& text, std::string_view what) { ReplaceAll(text, what, {}); }

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    std::size_t pos = 0;
    bool changed = false;
    for (;;) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::string::npos) break;
        if (!changed) out.reserve(text.size());
        changed = true;
        out.append(text, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    if (!changed) return;
    out.append(text, pos, std::string::npos);
    text.swap(out);
}

std::string KindOf(std::string_view name) {
    std::size_t end = 0;
    while (end < name.size() && name[end] != ' ' && name[end] != '\0') ++end;
    return std::string(name.substr(0, end));
}

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

double ParseLeadingDouble(std::string_view text) {
    // What atof reads, without depending on the process locale: leading white space, an optional
    // sign, then the longest decimal number (or inf/nan).
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
    double v = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    auto r = std::from_chars(first, last, v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large gives infinity, too small gives zero.
        std::string_view rest(first, static_cast<std::size_t>(r.ptr - first));
        const std::size_t e = rest.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < rest.size() && rest[e + 1] == '-';
        v = tiny ? 0.0 : HUGE_VAL;
    } else if (r.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -v : v;
}

int ParseLeadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) break;  // atoi leaves this undefined; clamp
    }
    if (negative) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

double NumberAfterFlag(std::string_view name, std::string_view flag, bool* found) {
    const std::size_t pos = name.find(flag);
    if (found) *found = pos != std::string_view::npos;
    if (pos == std::string_view::npos) return 0.0;
    return ParseLeadingDouble(name.substr(pos + flag.size()));
}

int IntegerAfterFlag(std::string_view name, std::string_view flag, bool* found) {
    const std::size_t pos = name.find(flag);
    if (found) *found = pos != std::string_view::npos;
    if (pos == std::string_view::npos) return 0;
    return ParseLeadingInt(name.substr(pos + flag.size()));
}

}  // namespace kyn

#include "formats/Registry.h"

#include <algorithm>

namespace kyn {

bool FirstLines::Claims(std::string_view first) const {
    switch (match) {
        case Match::WholeLine:
            return first == line || (!alsoLine.empty() && first == alsoLine);
        case Match::Prefix:
            return first.starts_with(line);
        case Match::None:
            break;
    }
    return false;
}

namespace {

// Every format, the native ones first, then the exports, then the foreign imports; targets in
// the order of their index. (The order of detection does not depend on it: Load.cpp tries whole
// lines first, which cannot shadow one another, then prefixes, then probes.)
const FormatInfo* const kFormats[] = {
    &kVarnixBinaryXFormat, &kVarnixBinaryFormat, &kVarnixStoreFormat, &kVarnixCsvFormat,
    &kSimpleCsvFormat,     &kSpectraKineticFormat, &kKynAsciiFormat,  &kVarnixTsvFormat,
    &kJcampDxFormat,       &kAsciiImportFormat,  &kCaryAsciiFormat,
};

}  // namespace

std::span<const FormatInfo* const> Formats() { return kFormats; }

const FormatInfo* FindFormat(std::string_view name) {
    for (const FormatInfo* f : kFormats)
        if (name == f->name) return f;
    return nullptr;
}

std::vector<const FormatInfo*> TargetRows() {
    std::vector<const FormatInfo*> rows;
    for (const FormatInfo* f : kFormats)
        if (f->target.index >= 0) rows.push_back(f);
    std::sort(rows.begin(), rows.end(),
              [](const FormatInfo* a, const FormatInfo* b) { return a->target.index < b->target.index; });
    return rows;
}

}  // namespace kyn

#include "conversion/TargetFormat.h"

namespace kyn {

const TargetTable& TargetFormats() {
    static const TargetTable table = [] {
        TargetTable t;
        for (const FormatInfo* f : TargetRows())
            t.push_back({f->target.index, f->target.key, f->target.help, f->target.extension, f->mode, f->target.write});
        return t;
    }();
    return table;
}

const TargetFormat* FindTarget(const TargetTable& table, int index) {
    for (const auto& t : table)
        if (t.index == index) return &t;
    return nullptr;
}

const TargetFormat* FindTargetByKey(const TargetTable& table, std::string_view key) {
    for (const auto& t : table)
        if (key == t.key) return &t;
    return nullptr;
}

std::string TargetExtension(const TargetFormat& target, int useSensibleExtensions) {
    return useSensibleExtensions == 0 ? ".txt" : target.extension;
}

}  // namespace kyn

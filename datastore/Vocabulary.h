// The words the system gives meaning to: property kinds with their display units, and the label
// maps of the kinetic text formats.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kyn {

struct UnitRow {
    const char* kind;
    const char* flag;  // "" for the last row of a kind, which applies when no earlier row does
    const char* fullLabel;
    const char* shortLabel;
    int code;
};

// The display row of a property entry: the first kind of the unit table found in the entry
// (substring search, in table order), then that kind's first row whose flag occurs in the entry.
std::optional<UnitRow> FindUnitRow(std::string_view propertyEntry);

// Kinetic label maps (whole-text comparison; anything else passes unchanged).
std::string NameToLabel(const std::string& name);
std::string LabelToName(const std::string& label);

}  // namespace kyn

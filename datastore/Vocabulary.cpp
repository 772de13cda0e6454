#include "datastore/Vocabulary.h"

#include <iterator>

namespace kyn {

namespace {

// Rows grouped by kind in lookup order; within a kind the flagged rows come first.
constexpr UnitRow kUnitTable[] = {
    {"CircularDichroism", "-me", "Molar Ellipticity", "Circular Dichroism", 3},
    {"CircularDichroism", "-mrme", "Mean Residue Molar Ellipticity", "Circular Dichroism", 6},
    {"CircularDichroism", "-mre", "Mean Residue Ellipticity", "Circular Dichroism", 5},
    {"CircularDichroism", "-mcd", "Delta Epsilon", "Circular Dichroism", 2},
    {"CircularDichroism", "-mrmcd", "Mean Residue Delta Epsilon", "Circular Dichroism", 4},
    {"CircularDichroism", "-deltaa", "Circular Dichroism (delta A)", "Circular Dichroism", 1},
    {"CircularDichroism", "", "Circular Dichroism (mdeg)", "Circular Dichroism", 0},
    {"Absorbance", "-tran", "Transmission (%)", "Transmission", 7},
    {"Absorbance", "", "Absorbance (AU)", "Absorbance", 7},
    {"PhotodiodeArray", "-abs", "Absorbance", "Absorbance", 7},
    {"PhotodiodeArray", "-tran", "Transmission (%)", "Transmission", 7},
    {"PhotodiodeArray", "-volt", "PDA Voltage", "Voltage", 7},
    {"PhotodiodeArray", "", "Voltage", "", 7},
    {"Voltage", "", "Voltage (v)", "Voltage", 8},
    {"Fluorescence", "", "Fluorescence (v)", "Fluorescence", 9},
    {"FluoPolarisation", "-Ani", "Fluorescence Anisotropy", "Fluorescence Anisotropy", 10},
    {"FluoPolarisation", "", "Fluorescence Polarisation", "Fluorescence Polarisation", 10},
    {"Temperature", "", "Temperature (C)", "Temperature", 11},
    {"Count", "", "Number of Samples", "Number of Samples", 12},
    {"HT", "", "HV (v)", "HT", 13},
    {"LinearDichroism", "", "Linear Dichroism (delta A)", "Linear Dichroism", 13},
    {"OpticalRotation", "", "Optical Rotation (mdeg)", "Optical Rotation", 13},
};

struct LabelPair {
    const char* name;
    const char* label;
};

constexpr LabelPair kNameToLabel[] = {
    {"CircularDichroism", "CD"},      {"Wavelength", "Wavelength (nm)"}, {"Absorbance", "Rel.Absorbance"},
    {"Fluorescence", "Emission"},     {"Time", "Time (seconds)"},
};

// "Time (seconds)" deliberately has no way back: such an axis keeps that name, which the prefix
// search still finds as "Time".
constexpr LabelPair kLabelToName[] = {
    {"CircularDichroism", "CD"},
    {"Absorbance", "Rel.Absorbance"},
    {"Fluorescence", "Emission"},
    {"Wavelength", "Wavelength (nm)"},
};

}  // namespace

std::optional<UnitRow> FindUnitRow(std::string_view entry) {
    const char* kind = nullptr;
    for (const auto& row : kUnitTable) {
        if (kind && std::string_view(row.kind) == kind) continue;
        if (entry.find(row.kind) != std::string_view::npos) {
            kind = row.kind;
            break;
        }
    }
    if (!kind) return std::nullopt;
    for (const auto& row : kUnitTable) {
        if (std::string_view(row.kind) != kind) continue;
        if (row.flag[0] == '\0' || entry.find(row.flag) != std::string_view::npos) return row;
    }
    return std::nullopt;
}

std::string NameToLabel(const std::string& name) {
    for (const auto& p : kNameToLabel)
        if (name == p.name) return p.label;
    return name;
}

std::string LabelToName(const std::string& label) {
    for (const auto& p : kLabelToName)
        if (label == p.label) return p.name;
    return label;
}

}  // namespace kyn

// One-line readable descriptions of how an axis or a quantity was acquired, built from the kind
// word, the flags of its name and (for axes) its axis values. The spreadsheet exports print them
// in their lists of dimensions and properties.
#pragma once

#include <string>

#include "datastore/Dimension.h"

namespace kyn {

// "1000 time points over 1s,logarithmic,...", "Wavelength: 180nm - 260nm, Step Size: 1nm", ...
// A Time, Wavelength or Temperature axis without steps cannot be described and throws the
// container's index message.
std::string DimensionDescription(const Dimension& dimension);

// "Adaptive: enabled,...", "using CD detector ", "" for the dichroism kinds, else the kind word.
std::string PropertyDescription(const std::string& entry);

}  // namespace kyn

#include "datastore/Descriptions.h"

#include <algorithm>
#include <cmath>

#include "util/NumberFormat.h"
#include "util/StringUtil.h"

namespace kyn {

namespace {

// Numbers as the text streams print them: %g with six significant digits.
void AddNumber(std::string& s, double v) {
    char buf[kMaxGChars];
    s.append(buf, FormatG(buf, v));
}

void AddInt(std::string& s, long long v) { s += std::to_string(v); }

// A value taken to one decimal: integer part of v x 10 + 0.5, divided by 10.
double OneDecimal(double v) { return std::trunc(v * 10.0 + 0.5) / 10.0; }

std::string TimeDescription(const Dimension& d) {
    const std::string& name = d.name;
    const int n = d.Steps();
    std::string s;
    AddInt(s, n);
    s += " time point";
    if (n > 1) s += 's';
    s += " over ";
    AddNumber(s, d.values[n - 1]);  // no steps: "Array out of bounds!"
    s += 's';
    s += HasFlag(name, "-log") ? ",logarithmic" : ",linear";
    s += HasFlag(name, "-ovs") ? ",oversampled" : ",not oversampled";
    if (HasFlag(name, "-trigger")) {
        s += ",external trigger";
        s += HasFlag(name, "-ptd") ? ",pressure hold in operation"
                                   : ",pressure hold off (pressure released immediately)";
    } else if (HasFlag(name, "-pretrigger")) {
        s += ",with pre-trigger";
    } else if (HasFlag(name, "-remotetrigger")) {
        s += ",remote trigger";
    } else {
        s += ",internal trigger";
    }
    return s;
}

std::string WavelengthDescription(const Dimension& d) {
    const std::string& name = d.name;
    const int n = d.Steps();
    std::string s;
    if (n == 1) {
        s += "Wavelength: ";
        AddNumber(s, d[0]);
        s += "nm,";
    } else {
        const float first = d[0];  // no steps: "index out-of-range in Dimension::operator[]."
        const float last = d[n - 1];
        const float lo = std::min(first, last);
        const float hi = std::max(first, last);
        const double step = OneDecimal(std::fabs(static_cast<double>(d[1]) - static_cast<double>(first)));
        enum { kNone, kEmission, kExcitation } mode = kNone;
        double fixed = 0.0;
        if (HasFlag(name, "-emmono")) {
            mode = kEmission;
            fixed = NumberAfterFlag(name, "-excitation ");
        } else if (HasFlag(name, "-exmono")) {
            mode = kExcitation;
            fixed = NumberAfterFlag(name, "-emission ");
        }
        s += "Wavelength";
        if (mode == kEmission) s += " (Emission Scanning) Range";
        if (mode == kExcitation) s += " (Excitation Scanning) Range";
        s += ": ";
        AddNumber(s, lo);
        s += "nm - ";
        AddNumber(s, hi);
        s += "nm, Step Size: ";
        AddNumber(s, step);
        s += "nm";
        if (mode == kEmission) {
            s += ",Excitation Wavelength: ";
            AddNumber(s, fixed);
            s += " nm";
        } else if (mode == kExcitation) {
            s += ",Emission Wavelength: ";
            AddNumber(s, fixed);
            s += " nm";
        }
    }
    if (HasFlag(name, "-pda1024"))
        s += ", using 1024 element photodiode array";
    else if (HasFlag(name, "-pda512"))
        s += ", using 512 element photodiode array";
    else if (HasFlag(name, "-pda256"))
        s += ", using 256 element photodiode array";
    else if (HasFlag(name, "-pda"))
        s += ", using photodiode array";

    double entrance = -1.0, exit = -1.0;
    bool found = false;
    const double en = NumberAfterFlag(name, "-en ", &found);
    if (found) entrance = en;
    const double ex = NumberAfterFlag(name, "-ex ", &found);
    if (found) exit = ex;
    if (entrance >= 0.0) {
        if (OneDecimal(entrance) == OneDecimal(exit)) {
            s += ",Bandwidth: ";
            AddNumber(s, entrance);
            s += "nm";
            return s;
        }
        s += ",Bandwidth (entrance slit): ";
        AddNumber(s, entrance);
        s += "nm";
    }
    if (exit >= 0.0) {
        s += ",Bandwidth (exit slit): ";
        AddNumber(s, exit);
        s += "nm";
    }
    return s;
}

std::string TemperatureDescription(const Dimension& d) {
    const int n = d.Steps();
    std::string s;
    if (n == 1) {
        s += "temperature is: ";
        AddNumber(s, d[0]);
    } else {
        const float first = d[0];  // no steps: "index out-of-range in Dimension::operator[]."
        const float last = d[n - 1];
        AddInt(s, n);
        s += " temperatures, from ";
        AddNumber(s, std::min(first, last));
        s += " to ";
        AddNumber(s, std::max(first, last));
        s += "degrees Celsius";
    }
    if (HasFlag(d.name, "-ramp ")) {
        s += "  in smooth ramp mode at ramp-rate of ";
        AddNumber(s, NumberAfterFlag(d.name, "-ramp "));
        s += "degrees C per min.";
    } else {
        s += " in stepped ramp mode.";
    }
    return s;
}

std::string CountDescription(const std::string& entry) {
    std::string s;
    if (HasFlag(entry, "-adaptive ") || HasFlag(entry, "-auto ")) s += "Adaptive: enabled,";
    const int n = IntegerAfterFlag(entry, "-current ");
    double t = 0.0;
    if (HasFlag(entry, "-sampleperiod ")) t = IntegerAfterFlag(entry, "-sampleperiod ") / 10.0;
    if (t != 0.0 && n != 0) {
        s += "Time-per-point: ";
        AddNumber(s, t * n / 1000000.0);
        s += "s (";
        AddNumber(s, t);
        s += "us x ";
        AddInt(s, n);
        s += "),";
    }
    if (HasFlag(entry, "-ntca")) s += "Noise-Time Correlation Analysis: enabled,";
    return s;
}

}  // namespace

std::string DimensionDescription(const Dimension& d) {
    const std::string kind = d.Kind();
    if (kind == "Time") return TimeDescription(d);
    if (kind == "Wavelength") return WavelengthDescription(d);
    if (kind == "Cell" || kind == "Repeat") {
        std::string s;
        AddInt(s, d.Steps());
        s += kind == "Cell" ? " cells in set." : " repeats in set.";
        if (HasFlag(d.name, "-iter")) s += ", -iter option selected";
        return s;
    }
    if (kind == "Temperature") return TemperatureDescription(d);
    return kind;
}

std::string PropertyDescription(const std::string& entry) {
    const std::string kind = KindOf(entry);
    std::string s;
    if (kind == "Absorbance") {
        if (HasFlag(entry, "-cd")) s += "using CD detector ";
        if (HasFlag(entry, "-dual")) s += "reference beam in operation ";
    } else if (kind == "Fluorescence") {
        if (HasFlag(entry, "-cd")) s += "using CD detector ";
        if (HasFlag(entry, "-abs")) s += "using Absorbance detector ";
        if (HasFlag(entry, "-dual")) s += "dual channel fluorescence ";
    } else if (kind == "FluoPolarisation") {
        s += HasFlag(entry, "-Ani") ? "Anisotropy units " : "Polarisation units ";
    } else if (kind == "CircularDichroism" || kind == "LinearDichroism" || kind == "OpticalRotation") {
        // nothing to add
    } else if (kind == "Count") {
        s = CountDescription(entry);
    } else if (kind == "HT" || kind == "Voltage") {
        if (HasFlag(entry, "-autopm")) s += "AutoPM: enabled";
    } else if (kind == "Temperature") {
        s += "measured with sensor number: ";
        AddNumber(s, NumberAfterFlag(entry, "-sensor "));
    } else {
        s = kind;
    }
    return s;
}

}  // namespace kyn

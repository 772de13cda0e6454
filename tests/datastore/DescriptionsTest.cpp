// The readable acquisition descriptions of axes and quantities.
#include <gtest/gtest.h>

#include <string>

#include "datastore/Descriptions.h"

namespace {

using kyn::Dimension;
using kyn::DimensionDescription;
using kyn::PropertyDescription;

Dimension Axis(const std::string& name, std::initializer_list<float> values) {
    Dimension d(name, static_cast<int>(values.size()));
    int i = 0;
    for (float v : values) d[i++] = v;
    return d;
}

Dimension Ramp(const std::string& name, int n, float first, float step) {
    Dimension d(name, n);
    for (int i = 0; i < n; ++i) d[i] = first + step * static_cast<float>(i);
    return d;
}

std::string MessageOf(const Dimension& d) {
    try {
        DimensionDescription(d);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no exception)";
}

TEST(DimensionDescription, TimeAxes) {
    Dimension log = Ramp("Time -log -trigger", 1000, 0.0f, 0.0f);
    log[999] = 1.0f;
    EXPECT_EQ(DimensionDescription(log),
              "1000 time points over 1s,logarithmic,not oversampled,external trigger,pressure hold off "
              "(pressure released immediately)");
    EXPECT_EQ(DimensionDescription(Axis("Time", {2.5f})),
              "1 time point over 2.5s,linear,not oversampled,internal trigger");
    EXPECT_EQ(DimensionDescription(Axis("Time -ovs -trigger -ptd", {0, 1e-5f})),
              "2 time points over 1e-005s,linear,oversampled,external trigger,pressure hold in operation");
    EXPECT_EQ(DimensionDescription(Axis("Time -pretrigger -remotetrigger", {0, 3})),
              "2 time points over 3s,linear,not oversampled,with pre-trigger");
    EXPECT_EQ(DimensionDescription(Axis("Time -remotetrigger", {0, 3})),
              "2 time points over 3s,linear,not oversampled,remote trigger");
}

TEST(DimensionDescription, WavelengthAxes) {
    EXPECT_EQ(DimensionDescription(Ramp("Wavelength", 81, 260.0f, -1.0f)), "Wavelength: 180nm - 260nm, Step Size: 1nm");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -pda512", {250})), "Wavelength: 250nm,, using 512 element photodiode array");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -en 1 -ex 1", {200, 200.25f})),
              "Wavelength: 200nm - 200.25nm, Step Size: 0.3nm,Bandwidth: 1nm");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -en 1", {200, 201})),
              "Wavelength: 200nm - 201nm, Step Size: 1nm,Bandwidth (entrance slit): 1nm");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -en 2 -ex 0.5", {200, 201})),
              "Wavelength: 200nm - 201nm, Step Size: 1nm,Bandwidth (entrance slit): 2nm,Bandwidth (exit slit): 0.5nm");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -ex 4", {250})), "Wavelength: 250nm,,Bandwidth (exit slit): 4nm");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -emmono -excitation 280.5 -pda", {300, 302})),
              "Wavelength (Emission Scanning) Range: 300nm - 302nm, Step Size: 2nm,Excitation Wavelength: 280.5 nm"
              ", using photodiode array");
    EXPECT_EQ(DimensionDescription(Axis("Wavelength -exmono", {300, 302})),
              "Wavelength (Excitation Scanning) Range: 300nm - 302nm, Step Size: 2nm,Emission Wavelength: 0 nm");
}

TEST(DimensionDescription, TemperatureCountsAndOtherKinds) {
    EXPECT_EQ(DimensionDescription(Ramp("Temperature -ramp 1.5", 5, 20.0f, 5.0f)),
              "5 temperatures, from 20 to 40degrees Celsius  in smooth ramp mode at ramp-rate of 1.5degrees C per min.");
    EXPECT_EQ(DimensionDescription(Axis("Temperature", {25})), "temperature is: 25 in stepped ramp mode.");
    EXPECT_EQ(DimensionDescription(Ramp("Repeat", 3, 1, 1)), "3 repeats in set.");
    EXPECT_EQ(DimensionDescription(Ramp("Repeat -iter", 3, 1, 1)), "3 repeats in set., -iter option selected");
    EXPECT_EQ(DimensionDescription(Ramp("Cell", 6, 1, 1)), "6 cells in set.");
    EXPECT_EQ(DimensionDescription(Ramp("Concentration -x", 2, 1, 1)), "Concentration");
}

TEST(DimensionDescription, AxesWithoutStepsThrowTheContainerMessages) {
    EXPECT_EQ(MessageOf(Dimension("Time", 0)), "Array out of bounds!");
    EXPECT_EQ(MessageOf(Dimension("Wavelength", 0)), "index out-of-range in Dimension::operator[].");
    EXPECT_EQ(MessageOf(Dimension("Temperature", 0)), "index out-of-range in Dimension::operator[].");
    EXPECT_EQ(MessageOf(Dimension("Repeat", 0)), "(no exception)");
}

TEST(PropertyDescription, Kinds) {
    EXPECT_EQ(PropertyDescription("Count -adaptive -current 100 -sampleperiod 50"),
              "Adaptive: enabled,Time-per-point: 0.0005s (5us x 100),");
    EXPECT_EQ(PropertyDescription("Count -current 100 -ntca"), "Noise-Time Correlation Analysis: enabled,");
    EXPECT_EQ(PropertyDescription("CircularDichroism -mrme"), "");
    EXPECT_EQ(PropertyDescription("Viscosity -fast"), "Viscosity");
    EXPECT_EQ(PropertyDescription("Absorbance -cd -dual"), "using CD detector reference beam in operation ");
    EXPECT_EQ(PropertyDescription("Fluorescence -abs -dual"), "using Absorbance detector dual channel fluorescence ");
    EXPECT_EQ(PropertyDescription("FluoPolarisation -Ani"), "Anisotropy units ");
    EXPECT_EQ(PropertyDescription("FluoPolarisation"), "Polarisation units ");
    EXPECT_EQ(PropertyDescription("HT -autopm"), "AutoPM: enabled");
    EXPECT_EQ(PropertyDescription("Voltage"), "");
    EXPECT_EQ(PropertyDescription("Temperature -sensor 2"), "measured with sensor number: 2");
    EXPECT_EQ(PropertyDescription("Temperature -sensor x"), "measured with sensor number: 0");
}

}  // namespace

// The readable acquisition descriptions of axes and quantities: the flags that change them. (The
// plain axes are checked by the VarnixCSV golden files.)
#include <gtest/gtest.h>

#include <string>

#include "Stores.h"
#include "TestSupport.h"
#include "datastore/Descriptions.h"

namespace kyn::test {
namespace {


TEST(DimensionDescription, FlagsOfEachKind) {
    Dimension log("Time -log -trigger", 1000);
    log[999] = 1.0f;
    const std::pair<Dimension, const char*> cases[] = {
        {log,
         "1000 time points over 1s,logarithmic,not oversampled,external trigger,pressure hold off "
         "(pressure released immediately)"},
        {Dim("Time", {2.5f}), "1 time point over 2.5s,linear,not oversampled,internal trigger"},
        {Dim("Time -ovs -trigger -ptd", {0, 1e-5f}),
         "2 time points over 1e-005s,linear,oversampled,external trigger,pressure hold in operation"},
        {Dim("Time -pretrigger -remotetrigger", {0, 3}), "2 time points over 3s,linear,not oversampled,with pre-trigger"},
        {Dim("Time -remotetrigger", {0, 3}), "2 time points over 3s,linear,not oversampled,remote trigger"},
        {Dim("Wavelength -pda512", {250}), "Wavelength: 250nm,, using 512 element photodiode array"},
        {Dim("Wavelength -en 1 -ex 1", {200, 200.25f}), "Wavelength: 200nm - 200.25nm, Step Size: 0.3nm,Bandwidth: 1nm"},
        {Dim("Wavelength -en 2 -ex 0.5", {200, 201}),
         "Wavelength: 200nm - 201nm, Step Size: 1nm,Bandwidth (entrance slit): 2nm,Bandwidth (exit slit): 0.5nm"},
        {Dim("Wavelength -ex 4", {250}), "Wavelength: 250nm,,Bandwidth (exit slit): 4nm"},
        {Dim("Wavelength -emmono -excitation 280.5 -pda", {300, 302}),
         "Wavelength (Emission Scanning) Range: 300nm - 302nm, Step Size: 2nm,Excitation Wavelength: 280.5 nm"
         ", using photodiode array"},
        {Dim("Wavelength -exmono", {300, 302}),
         "Wavelength (Excitation Scanning) Range: 300nm - 302nm, Step Size: 2nm,Emission Wavelength: 0 nm"},
        {Dim("Temperature -ramp 1.5", {20, 25, 30, 35, 40}),
         "5 temperatures, from 20 to 40degrees Celsius  in smooth ramp mode at ramp-rate of 1.5degrees C per min."},
        {Dim("Temperature", {25}), "temperature is: 25 in stepped ramp mode."},
        {Dim("Repeat -iter", {1, 2, 3}), "3 repeats in set., -iter option selected"},
        {Dim("Concentration -x", {1, 2}), "Concentration"},
    };
    for (const auto& [d, text] : cases) EXPECT_EQ(DimensionDescription(d), text) << d.name;
}

TEST(DimensionDescription, AxesWithoutStepsThrowTheContainerMessages) {
    const auto message = [](const char* name) {
        return kyn::test::MessageOf([&] { DimensionDescription(Dimension(name, 0)); });
    };
    EXPECT_EQ(message("Time"), "Array out of bounds!");
    EXPECT_EQ(message("Wavelength"), "index out-of-range in Dimension::operator[].");
    EXPECT_EQ(message("Repeat"), "");
}

TEST(PropertyDescription, FlagsOfEachKind) {
    const std::pair<const char*, const char*> cases[] = {
        {"Count -adaptive -current 100 -sampleperiod 50", "Adaptive: enabled,Time-per-point: 0.0005s (5us x 100),"},
        {"Count -current 100 -ntca", "Noise-Time Correlation Analysis: enabled,"},
        {"Viscosity -fast", "Viscosity"},
        {"Absorbance -cd -dual", "using CD detector reference beam in operation "},
        {"Fluorescence -abs -dual", "using Absorbance detector dual channel fluorescence "},
        {"FluoPolarisation -Ani", "Anisotropy units "},
        {"FluoPolarisation", "Polarisation units "},
        {"HT -autopm", "AutoPM: enabled"},
        {"Voltage", ""},
        {"Temperature -sensor 2", "measured with sensor number: 2"},
        {"Temperature -sensor x", "measured with sensor number: 0"},
    };
    for (const auto& [name, text] : cases) EXPECT_EQ(PropertyDescription(name), text) << name;
}

}  // namespace
}  // namespace kyn::test

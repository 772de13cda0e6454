// Small measurement files made with our own writers, for the tests that drive whole conversions.
#pragma once

#include <string>

#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace kyn::test {

// A VarnixStore file of one absorbance over two wavelengths by three times; false when it could
// not be written.
inline bool WriteSmallMeasurement(const std::string& path, const std::string& title) {
    DataStore ds(title, 0, 0);
    ds.AddProperty("Absorbance");
    Dimension w("Wavelength", 2);
    w[0] = 250.0f;
    w[1] = 260.0f;
    Dimension t("Time", 3);
    for (int k = 0; k < 3; ++k) t[k] = 0.5f * static_cast<float>(k);
    ds.AddDimension(w);
    ds.AddDimension(t);
    for (int k = 0; k < ds.data.Count(); ++k) ds.data[k] = 0.125f * static_cast<float>(k);
    ds.ComputeDataRange();
    TextOFStream os(path);
    ds.WriteVarnixStore(os, false);
    os.close();
    return os.good();
}

}  // namespace kyn::test

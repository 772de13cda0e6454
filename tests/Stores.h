// The one store builder of the tests: axes, history entries and whole DataStores made in memory,
// written to disk with our own writers and loaded back.
#pragma once

#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace kyn::test {

// An axis with the given values.
inline Dimension Dim(const std::string& name, const std::vector<float>& values) {
    Dimension d(name, static_cast<int>(values.size()));
    int i = 0;
    for (float v : values) d.values.At(i++) = v;
    return d;
}
inline Dimension Dim(const std::string& name, std::initializer_list<float> values) {
    return Dim(name, std::vector<float>(values));
}

// An axis of `steps` values from `first` in steps of `step`.
inline Dimension Ramp(const std::string& name, int steps, float first = 200.0f, float step = 1.0f) {
    Dimension d(name, steps);
    for (int i = 0; i < steps; ++i) d.values.At(i) = first + step * static_cast<float>(i);
    return d;
}

// A raw history entry with a fixed stamp.
inline HistoryEntry RawEntry(const std::string& text) {
    HistoryEntry e;
    e.isRawText = true;
    e.title = "Old Comment";
    e.text = text;
    e.user = "tester";
    e.timeStamp = {113, 10, 14, 10, 5, 0, 0, 4, 317};
    return e;
}

// A DataStore with the given structure, initialised, holding `values` and the given history.
inline DataStore MakeStore(const std::string& title, std::vector<std::string> remarks, std::vector<std::string> properties,
                           std::vector<Dimension> dims, std::vector<float> values, std::vector<HistoryEntry> history) {
    DataStore ds;
    ds.title = title;
    ds.remarks.Resize(static_cast<int>(remarks.size()));
    for (int i = 0; i < ds.remarks.Count(); ++i) ds.remarks.At(i) = remarks[static_cast<std::size_t>(i)];
    ds.properties.Resize(static_cast<int>(properties.size()));
    for (int i = 0; i < ds.properties.Count(); ++i) ds.properties.At(i) = properties[static_cast<std::size_t>(i)];
    ds.dimensions.Resize(static_cast<int>(dims.size()));
    for (int i = 0; i < ds.dimensions.Count(); ++i) ds.dimensions.At(i) = dims[static_cast<std::size_t>(i)];
    ds.Initialize();
    for (std::size_t i = 0; i < values.size(); ++i) ds.data[static_cast<std::int64_t>(i)] = values[i];
    ds.history = std::move(history);
    return ds;
}

// Properties over dimensions, no title, no history; value i of the block is f(i).
inline DataStore Store(std::vector<std::string> properties, std::vector<Dimension> dims,
                       const std::function<float(int)>& f = [](int i) { return static_cast<float>(i); }) {
    DataStore ds = MakeStore("", {}, std::move(properties), std::move(dims), {}, {});
    for (int i = 0; i < ds.data.Count(); ++i) ds.data[i] = f(i);
    return ds;
}

// One absorbance over two wavelengths by three times, the values telling every position apart,
// and one history entry.
inline DataStore SmallMeasurement(const std::string& title) {
    DataStore ds = Store({"Absorbance"}, {Dim("Wavelength", {250, 260}), Dim("Time", {0, 0.5f, 1})},
                         [](int i) { return 0.125f * static_cast<float>(i); });
    ds.title = title;
    ds.history = {RawEntry("measured")};
    ds.ComputeDataRange();
    return ds;
}

// Writes the store as VarnixBinary (a name ending in .dsb), VarnixBinaryX (.dsx) or VarnixStore
// (any other name); false when it could not.
inline bool WriteStore(DataStore ds, const std::string& path) {
    if (path.ends_with(".dsb") || path.ends_with(".dsx")) {
        std::ofstream os(path, std::ios::binary);
        if (path.ends_with(".dsb"))
            ds.WriteVarnixBinary(os);
        else
            ds.WriteVarnixBinaryX(os);
        os.close();
        return os.good();
    }
    TextOFStream os(path);
    ds.WriteVarnixStore(os);
    os.close();
    return os.good();
}

// The title of the file as loaded, or in angle brackets what kept it from loading.
inline std::string TitleOf(const std::string& path) {
    DataStore ds;
    try {
        return ds.Load(path) ? ds.title : "<not loaded>";
    } catch (const std::exception& e) {
        return std::string("<") + e.what() + ">";
    }
}

inline std::vector<std::string> Lines(const Array<std::string>& a) {
    std::vector<std::string> v;
    for (int i = 0; i < a.Count(); ++i) v.push_back(a.At(i));
    return v;
}

inline std::vector<float> Values(const Array<float>& a) {
    std::vector<float> v;
    for (int i = 0; i < a.Count(); ++i) v.push_back(a.At(i));
    return v;
}

inline std::vector<float> Values(const DPointer& d) { return std::vector<float>(d.Data(), d.Data() + d.Count()); }

}  // namespace kyn::test

#include "datastore/DataStore.h"

#include <climits>

#include "util/StringUtil.h"
#include "util/TimeText.h"

namespace kyn {

DataStore::DataStore(bool isSaved) : saved(isSaved) {}

DataStore::DataStore(const std::string& t, int nProperties, int nDimensions)
    : title(t), properties(nProperties), dimensions(nDimensions), saved(true) {}

DataStore::DataStore(const std::string& t, const std::string& firstRemark, int nProperties, int nDimensions)
    : DataStore(t, nProperties, nDimensions) {
    remarks.Resize(1);
    remarks.At(0) = firstRemark;
}

std::int64_t DataStore::ValueCount() const {
    std::int64_t n = properties.Count();
    if (n <= 0) return 0;
    for (int k = 0; k < dimensions.Count(); ++k) {
        const std::int64_t s = dimensions.At(k).Steps();
        if (s <= 0) return 0;
        if (n > INT_MAX / s) return -1;
        n *= s;
    }
    return n;
}

bool DataStore::Initialize() {
    if (properties.Count() <= 0) return true;
    for (int k = 0; k < dimensions.Count(); ++k) dimensions.At(k).current = 0;
    const std::int64_t n = ValueCount();
    if (n == 0) return true;
    // A product beyond the block's 32-bit count cannot be allocated.
    if (n < 0) Fail(data.Count() > 0 ? msg::kDPointerRealloc : msg::kDPointerAlloc);
    if (data.Count() != n) {
        if (!data.Resize(static_cast<int>(n))) return false;
    }
    data.Clear();
    viewState.Rebuild(dimensions);
    HistoryEntry entry;
    entry.Stamp("DataStore initialized :");
    entry.text = "DataStore created and initialized for data acquisition.\r\n";
    entry.isRawText = false;
    AddHistory(entry);
    initialized = true;
    return true;
}

int DataStore::AddProperty(const std::string& name) {
    properties.Append(name);
    Initialize();
    return properties.Count() - 1;
}

int DataStore::AddDimension(const Dimension& dimension) {
    dimensions.Append(dimension);
    Initialize();
    return dimensions.Count() - 1;
}

void DataStore::RemoveProperty(int i) {
    if (i < 0) Fail(msg::kArrayOutOfBounds);
    if (i >= properties.Count()) return;
    properties.RemoveAt(i);
    Initialize();
}

void DataStore::RemoveDimension(int i) {
    if (i < 0 || i >= dimensions.Count()) return;
    const bool hadSteps = dimensions.At(i).Steps() > 1;
    dimensions.RemoveAt(i);
    if (hadSteps) Initialize();
}

bool DataStore::EnsureDimension() {
    if (dimensions.Count() > 0) return false;
    AddProperty("None");
    Dimension none("None", 2);
    none.values.At(0) = 0.0f;
    none.values.At(1) = 1.0f;
    AddDimension(none);
    placeholderDimensionAdded = true;
    return true;
}

int DataStore::FindDimension(const std::string& name) const {
    for (int k = 0; k < dimensions.Count(); ++k)
        if (dimensions.At(k).name.compare(0, name.size(), name) == 0) return k;
    return -1;
}

bool DataStore::HasTimeDimension() const { return FindDimension("Time") != -1; }

bool DataStore::IsSpectraKinetic() const {
    const int w = FindDimension("Wavelength");
    if (w == -1 || dimensions.At(w).Steps() < 2) return false;
    return FindDimension("Time") != -1;
}

std::string DataStore::GetPropertyName(int i, bool kindOnly) const {
    if (i < 0) Fail(msg::kArrayOutOfBounds);
    if (i >= properties.Count()) return "IllegalProperty";
    return kindOnly ? KindOf(properties.At(i)) : properties.At(i);
}

std::string DataStore::GetDimensionName(int i, bool kindOnly) const {
    if (i < -1) Fail(msg::kArrayOutOfBounds);
    if (i == -1 || i >= dimensions.Count()) return "IllegalDimension";
    return kindOnly ? dimensions.At(i).Kind() : dimensions.At(i).name;
}

int DataStore::GetDimensionCurrent(int d) const {
    if (d < 0 || d >= dimensions.Count()) return -1;
    return dimensions.At(d).current;
}

void DataStore::SetDimensionCurrent(int d, int step) { dimensions[d].current = step; }

float DataStore::GetCurrentValue(int d) const {
    const Dimension& dim = dimensions[d];
    return dim[dim.current];
}

float DataStore::GetCurrentValue(const std::string& name) const { return GetCurrentValue(FindDimension(name)); }

Array<float> DataStore::GetSlice(int d, int p) {
    std::int64_t offset = 0;
    std::int64_t r = 1;
    std::int64_t stride = 1;
    for (int k = 0; k < dimensions.Count(); ++k) {
        const Dimension& dim = dimensions.At(k);
        if (k != d)
            offset += static_cast<std::int64_t>(dim.current) * r;
        else
            stride = r;
        r *= dim.Steps();
    }
    const int n = dimensions[d].Steps();
    const std::int64_t start = offset + r * p;
    if (n == 0) return Array<float>();
    // The view must lie inside the block: a current step or property outside its range would
    // otherwise let a writer read memory that is not the DataStore's.
    const std::int64_t last = start + stride * (n - 1);
    if (start < 0 || last >= data.Count() || stride > INT_MAX) Fail(msg::kDPointerIndex);
    return Array<float>(n, data.Data() + start, static_cast<int>(stride));
}

void DataStore::SetPoint(const Array<int>& steps, const Array<float>& values) {
    std::int64_t offset = 0;
    std::int64_t r = 1;
    for (int k = 0; k < dimensions.Count(); ++k) {
        offset += static_cast<std::int64_t>(steps[k]) * r;
        r *= dimensions.At(k).Steps();
    }
    for (int p = 0; p < properties.Count(); ++p) data[offset + p * r] = values[p];
}

void DataStore::ComputeDataRange() {
    std::int64_t n = ValueCount();
    if (n < 0) n = INT_MAX;
    minValue = maxValue = data[0];
    if (n > data.Count()) Fail(msg::kDPointerIndex);
    const float* v = data.Data();
    float lo = v[0], hi = v[0];
    for (std::int64_t i = n - 1; i >= 0; --i) {
        if (v[i] < lo) lo = v[i];
        if (v[i] > hi) hi = v[i];
    }
    minValue = lo;
    maxValue = hi;
}

std::string DataStore::StampLastModified() {
    lastModified = FormatCTime(LocalNow());
    return lastModified;
}

std::vector<std::string> DataStore::GetHistoryText() const {
    std::vector<std::string> blocks;
    blocks.reserve(history.size());
    for (const auto& e : history) blocks.push_back(e.Block());
    return blocks;
}

void DataStore::AddOldComments(const std::vector<std::string>& texts) {
    for (const auto& t : texts) {
        HistoryEntry e;
        e.Stamp("Old Comment");
        e.text = t;
        e.isRawText = true;
        AddHistory(e);
    }
}

}  // namespace kyn

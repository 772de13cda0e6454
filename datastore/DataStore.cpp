#include "datastore/DataStore.h"

#include <climits>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// Smallest and largest of v[0..n), NaN left out (+inf and -inf when there is nothing else).
void NumericRange(const float* v, std::int64_t n, float& lo, float& hi) {
    std::int64_t i = 0;
    lo = std::numeric_limits<float>::infinity();
    hi = -lo;
#if defined(__SSE2__)
    // minps(x, m) is "x < m ? x : m", so a NaN in x leaves m alone; four lanes, two registers.
    __m128 lo0 = _mm_set1_ps(lo), lo1 = lo0, hi0 = _mm_set1_ps(hi), hi1 = hi0;
    for (; i + 8 <= n; i += 8) {
        const __m128 a = _mm_loadu_ps(v + i), b = _mm_loadu_ps(v + i + 4);
        lo0 = _mm_min_ps(a, lo0);
        lo1 = _mm_min_ps(b, lo1);
        hi0 = _mm_max_ps(a, hi0);
        hi1 = _mm_max_ps(b, hi1);
    }
    alignas(16) float l[8], h[8];
    _mm_store_ps(l, lo0);
    _mm_store_ps(l + 4, lo1);
    _mm_store_ps(h, hi0);
    _mm_store_ps(h + 4, hi1);
    for (int k = 0; k < 8; ++k) {
        if (l[k] < lo) lo = l[k];
        if (h[k] > hi) hi = h[k];
    }
#endif
    for (; i < n; ++i) {
        if (v[i] < lo) lo = v[i];
        if (v[i] > hi) hi = v[i];
    }
}

}  // namespace

void DataStore::ComputeDataRange() {
    std::int64_t n = ValueCount();
    if (n < 0) n = INT_MAX;
    minValue = maxValue = data[0];
    if (n > data.Count()) Fail(msg::kDPointerIndex);
    const float* v = data.Data();
    // The range is that of a walk from v[0] and then from the last value down to the first,
    // taking a value only when it is strictly below (above) the one held. So a NaN first value
    // stays, other NaNs are passed over, and of equal values the first one met is kept, which
    // matters only for zeros: v[0] when it is the extreme, otherwise the zero with the highest
    // index. The extremes themselves come from a vectorised pass.
    float lo, hi;
    NumericRange(v, n, lo, hi);
    const auto pick = [&](float extreme, bool beyondFirst) {
        if (!beyondFirst) return v[0];
        if (extreme != 0.0f) return extreme;
        for (std::int64_t i = n - 1;; --i)
            if (v[i] == 0.0f) return v[i];
    };
    minValue = pick(lo, lo < v[0]);
    maxValue = pick(hi, hi > v[0]);
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

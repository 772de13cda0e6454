#include "datastore/Dimension.h"

#include "util/StringUtil.h"

namespace kyn {

Dimension::Dimension(std::string n, int steps) : name(std::move(n)), values(steps) {}

Dimension::Dimension(std::string n, float value) : name(std::move(n)), values(1) { values.At(0) = value; }

Dimension& Dimension::operator=(const Dimension& other) {
    if (this == &other) return *this;
    name = other.name;
    values = other.values;
    current = other.current;
    return *this;
}

void Dimension::Reset(const std::string& n, int steps) {
    name = n;
    values.Resize(steps);
    current = 0;
}

float& Dimension::operator[](int i) {
    if (i >= values.Count()) Fail(msg::kDimensionIndex);
    return values[i];
}

const float& Dimension::operator[](int i) const {
    if (i >= values.Count()) Fail(msg::kDimensionIndex);
    return values[i];
}

std::pair<float, float> Dimension::Range() const {
    if (values.Count() == 0) return {0.0f, 0.0f};
    float hi = values.At(0), lo = values.At(0);
    for (int i = 1; i < values.Count(); ++i) {
        const float v = values.At(i);
        if (v > hi) hi = v;
        if (v < lo) lo = v;
    }
    return {hi, lo};
}

std::string Dimension::Kind() const { return KindOf(name); }

void DimensionViewState::Rebuild(const Array<Dimension>& dimensions) {
    dimensionCount = dimensions.Count();
    if (dimensionCount < 1) return;
    order.resize(static_cast<std::size_t>(dimensionCount));
    ranges.resize(static_cast<std::size_t>(dimensionCount));
    markers.assign(static_cast<std::size_t>(dimensionCount), {});
    for (int k = 0; k < dimensionCount; ++k) {
        order[static_cast<std::size_t>(k)] = k;
        ranges[static_cast<std::size_t>(k)] = dimensions.At(k).Range();
    }
}

}  // namespace kyn

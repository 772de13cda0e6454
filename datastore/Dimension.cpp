#include "datastore/Dimension.h"

#include "datastore/BinaryIO.h"
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

void DimensionViewState::Write(std::ostream& os) const {
    if (dimensionCount < 1) Fail(msg::kDatastoreNotValid);
    WriteI32(os, reserved);
    WriteI32(os, dimensionCount);
    for (int k = 0; k < dimensionCount; ++k)
        WriteI32(os, k < static_cast<int>(order.size()) ? order[static_cast<std::size_t>(k)] : k);
    for (int k = 0; k < dimensionCount; ++k) {
        const auto r = k < static_cast<int>(ranges.size()) ? ranges[static_cast<std::size_t>(k)]
                                                            : std::pair<float, float>{0.0f, 0.0f};
        WriteF32(os, r.first);
        WriteF32(os, r.second);
    }
    WriteI32(os, static_cast<std::int32_t>(markers.size()));
    for (const auto& list : markers) {
        std::int32_t visible = 0;
        for (const auto& m : list) visible += m.visible ? 1 : 0;
        WriteI32(os, visible);
        for (const auto& m : list) {
            if (!m.visible) continue;
            WriteF32(os, m.position);
            WriteI32(os, m.b);
            WriteI32(os, m.a);
            WriteText(os, m.label);
            WriteByte(os, 1);
        }
    }
}

void DimensionViewState::Read(std::istream& is) {
    reserved = ReadI32(is);
    dimensionCount = ReadI32(is);
    if (!is || dimensionCount < 1 || dimensionCount > 20) Fail(msg::kFileCorrupt);
    order.resize(static_cast<std::size_t>(dimensionCount));
    for (auto& o : order) o = ReadI32(is);
    ranges.resize(static_cast<std::size_t>(dimensionCount));
    for (auto& r : ranges) {
        r.first = ReadF32(is);
        r.second = ReadF32(is);
    }
    const std::int32_t lists = ReadI32(is);
    // Each list holds at least its four-byte count; each marker at least 14 bytes.
    if (!is || lists < 0 || !CountFits(is, lists, 4)) Fail(msg::kFileCorrupt);
    markers.assign(static_cast<std::size_t>(lists), {});
    for (auto& list : markers) {
        const std::int32_t k = ReadI32(is);
        if (!is || k < 0 || !CountFits(is, k, 14)) Fail(msg::kFileCorrupt);
        list.resize(static_cast<std::size_t>(k));
        for (auto& m : list) {
            m.position = ReadF32(is);
            m.b = ReadI32(is);
            m.a = ReadI32(is);
            m.label = ReadTerminatedString(is);
            m.visible = ReadByte(is) != 0;
        }
        if (!is) Fail(msg::kFileCorrupt);
    }
    if (!is) Fail(msg::kFileCorrupt);
}

}  // namespace kyn

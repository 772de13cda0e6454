// Dimension: one axis of a DataStore (a name made of a kind word and flags, the axis value of
// each step, and the current step used for slicing), and DimensionViewState, the per-dimension
// display state that the extended binary format stores.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "datastore/Array.h"

namespace kyn {

class Dimension {
public:
    Dimension() = default;
    Dimension(std::string name, int steps);  // axis values not set
    Dimension(std::string name, float value);  // one step holding `value`
    Dimension(const Dimension&) = default;
    Dimension(Dimension&&) noexcept = default;
    Dimension& operator=(const Dimension& other);
    Dimension& operator=(Dimension&&) noexcept = default;
    virtual ~Dimension() = default;

    // Sets the name and n steps keeping the first min(old, n) axis values; current becomes 0.
    void Reset(const std::string& name, int n);

    // Axis value of step i. i at or above the step count: "index out-of-range in
    // Dimension::operator[]."; a negative i: "Array out of bounds!".
    float& operator[](int i);
    const float& operator[](int i) const;

    // (maximum, minimum) of the axis values; (0, 0) without steps.
    std::pair<float, float> Range() const;

    int Steps() const { return values.Count(); }
    std::string Kind() const;

    std::string name = "UnInit";
    std::int32_t current = 0;
    Array<float> values;
};

struct Marker {
    float position = 0.0f;
    std::int32_t a = 0;
    std::int32_t b = 0;
    std::string label;
    bool visible = false;
};

struct DimensionViewState {
    std::int32_t reserved = 0;
    std::int32_t dimensionCount = 0;
    std::vector<std::int32_t> order;
    std::vector<std::pair<float, float>> ranges;  // (maximum, minimum) per dimension
    std::vector<std::vector<Marker>> markers;

    // Order 0..n-1, each dimension's range, empty marker lists; only the count without dimensions.
    // (VarnixBinaryX stores the state; its file has the stored form.)
    void Rebuild(const Array<Dimension>& dimensions);
};

}  // namespace kyn

// KYN-ASCII: one kinetic trace (a property over one axis) with a line of conditions, held in an
// APdata record between the file and the DataStore.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace kyn {

class APdata {
public:
    APdata() = default;
    virtual ~APdata() = default;

    // Fills the points and texts; the bounds become the running minimum and maximum of x and y
    // starting from the first point.
    void Make(int n, const float* x, const float* y, const std::string& title, const std::string& xLabel,
              const std::string& yLabel);
    // A trace read where it lies: point i is (x[i * xStride], y[i * yStride]).
    struct Points {
        const float* x;
        std::ptrdiff_t xStride;
        const float* y;
        std::ptrdiff_t yStride;
    };
    // Make without copying the points: count, bounds and texts from `points`; x and y stay empty,
    // so the record is written with WritePoints and the same points.
    void MakeInPlace(int n, const Points& points, const std::string& title, const std::string& xLabel,
                     const std::string& yLabel);
    // The timestamp becomes the current local time in the ctime layout.
    void Stamp();

    // The file layout: magic, INFO line, N, N rows, empty line, four bounds, the two labels, the
    // four comment lines, title, timestamp. Numbers in upper-case %G.
    std::ostream& Write(std::ostream& os) const;
    // Write with the rows taken from `points` instead of x and y.
    std::ostream& WritePoints(std::ostream& os, const Points& points) const;
    // Reads that layout from the start of the stream. A mismatch or unreadable number leaves the
    // stream failed; the record is then partly filled and must not be used.
    std::istream& Read(std::istream& is);

    std::int32_t count = 0;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> fit;  // present only with the fit flag
    std::string title;
    std::array<std::string, 4> comments;
    std::string xLabel;
    std::string yLabel;
    double xMin = 0.0, yMin = 0.0, xMax = 0.0, yMax = 0.0;
    std::int32_t wavelength = 0;  // tenths of a nanometre
    float temperature = 0.0f;
    float time = 0.0f;
    std::int32_t fitFlag = 0;
    std::string timestamp;
};

}  // namespace kyn

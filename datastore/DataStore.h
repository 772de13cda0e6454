// DataStore: the one in-memory form of a measurement file.
//
// A title, free text (remarks, options, a history), the measured quantities (properties), the
// axes (dimensions) and one flat float32 block holding every property at every combination of
// dimension steps. Index of property p at steps (i0, ..., iD-1):
//
//   p x (S0 x ... x SD-1) + i0 + i1 x S0 + i2 x S0 x S1 + ... + iD-1 x S0 x ... x SD-2
//
// so the property varies slowest and dimensions[0] fastest. Every reader fills one DataStore and
// every writer reads one; the readers and writers are members, each defined in the file of its
// format under formats/.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "datastore/Array.h"
#include "datastore/DPointer.h"
#include "datastore/Dimension.h"
#include "datastore/Errors.h"
#include "datastore/History.h"

namespace kyn {

// What an export could not carry, one sentence each ("wrote 960 of 3840 values: ..."); the
// export writers add to it when given one. Empty when nothing was lost.
using LossNotes = std::vector<std::string>;

class DataStore {
public:
    explicit DataStore(bool saved = true);
    DataStore(const std::string& title, int nProperties, int nDimensions);
    DataStore(const std::string& title, const std::string& firstRemark, int nProperties, int nDimensions);
    DataStore(const DataStore&) = default;
    DataStore& operator=(const DataStore&) = default;
    virtual ~DataStore() = default;

    // Allocates and zeroes the value block for the current properties and dimensions, resets
    // every current step, rebuilds the view state and appends the "DataStore initialized :"
    // history entry. With no properties, or a dimension without steps, it changes nothing.
    bool Initialize();

    // Structure changes; each re-initialises (stored values are lost).
    int AddProperty(const std::string& name);
    int AddDimension(const Dimension& dimension);
    void RemoveProperty(int i);
    void RemoveDimension(int i);
    // Adds the placeholder property and two-step dimension "None" to a DataStore without
    // dimensions; true when it did.
    bool EnsureDimension();

    // Lookup.
    int FindDimension(const std::string& name) const;  // first dimension whose name starts so
    bool HasTimeDimension() const;
    bool IsSpectraKinetic() const;
    std::string GetPropertyName(int i, bool kindOnly = false) const;
    std::string GetDimensionName(int i, bool kindOnly = false) const;
    int GetDimensionCurrent(int d) const;
    void SetDimensionCurrent(int d, int step);
    float GetCurrentValue(int d) const;
    float GetCurrentValue(const std::string& name) const;
    int GetCurrentProperty() const { return currentProperty; }
    void SetCurrentProperty(int p) { currentProperty = p; }
    const std::string& GetFormatName() const { return formatName; }
    const std::string& GetFileName() const { return fileName; }
    void SetFileName(const std::string& name) { fileName = name; }

    // Values.
    // Property p along dimension d, every other dimension at its current step: a strided view
    // into `data` (valid until the block is reallocated).
    Array<float> GetSlice(int d, int p);
    Array<float> GetCurrentSlice(int d) { return GetSlice(d, currentProperty); }
    void SetPoint(const Array<int>& steps, const Array<float>& values);
    void ComputeDataRange();
    // Number of values the properties and dimensions call for (P x S0 x ... x SD-1, or P without
    // dimensions); 0 when any count is 0. -1 when it does not fit in the block's 32-bit count.
    std::int64_t ValueCount() const;
    // Sets lastModified to the current local time in the ctime layout and returns it.
    std::string StampLastModified();

    // History.
    void AddHistory(const HistoryEntry& entry) { history.push_back(entry); }
    std::vector<std::string> GetHistoryText() const;
    // One raw entry stamped "Old Comment" per text.
    void AddOldComments(const std::vector<std::string>& texts);

    // Loading: picks the reader by the file's first line (formats/Load.cpp).
    bool Load(const std::string& path, bool headerOnly = false);

    // Native formats.
    std::ostream& WriteVarnixStore(std::ostream& os, bool headerOnly = false);
    std::istream& ReadVarnixStore(std::istream& is, bool headerOnly = false);
    std::ostream& WriteVarnixBinary(std::ostream& os, bool headerOnly = false);
    std::istream& ReadVarnixBinary(std::istream& is, bool headerOnly = false);
    std::ostream& WriteVarnixBinaryX(std::ostream& os, bool headerOnly = false);
    std::istream& ReadVarnixBinaryX(std::istream& is, bool headerOnly = false);

    // Foreign text imports. Every reader takes the `headerOnly` flag, so that all of them have
    // one signature; only the native formats act on it.
    std::istream& ReadAsciiImport(std::istream& is, bool headerOnly = false);
    std::istream& ReadCaryAscii(std::istream& is, bool headerOnly = false);

    // Exports and interchange formats. Each notes in `losses`, when given, what it left out.
    std::ostream& WriteVarnixCSV(std::ostream& os, bool saveExtraInfo, LossNotes* losses = nullptr);
    std::ostream& WriteVarnixTSV(std::ostream& os, bool euroLocale, LossNotes* losses = nullptr);
    std::ostream& WriteSimpleCSV(std::ostream& os, LossNotes* losses = nullptr);
    std::istream& ReadJcampText(std::istream& is, bool headerOnly = false);
    std::ostream& WriteKynAscii(std::ostream& os, int timeDimension, LossNotes* losses = nullptr);
    std::istream& ReadKynAscii(std::istream& is, bool headerOnly = false);
    std::ostream& WriteSpectraKinetic(std::ostream& os, LossNotes* losses = nullptr);
    std::istream& ReadSpectraKinetic(std::istream& is, bool headerOnly = false);

    // Fields. The DataStore owns all of them by value.
    std::string title;
    Array<std::string> remarks;
    Array<std::string> properties;
    Array<Dimension> dimensions;
    Array<std::string> options;
    Array<std::string> importHeader;
    std::vector<HistoryEntry> history;
    OptionList keyedOptions;
    bool placeholderDimensionAdded = false;
    DPointer data;
    double minValue = 0.0;
    double maxValue = 0.0;
    std::int32_t currentProperty = 0;
    std::string formatName;
    std::string fileName;
    std::string lastModified;
    std::string modifiedBy;
    bool allowCaryImport = false;
    bool saved = true;
    bool initialized = false;
    DimensionViewState viewState;
    FileAttributes fileAttributes;
    ParentFileAttributes parentAttributes;
};

}  // namespace kyn

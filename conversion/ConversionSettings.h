// ConversionSettings: the options that steer every conversion, and the per-user store they live in.
//
// The program holds one ConversionSettings for its whole run: read from the store at start-up,
// edited by the options dialog, copied into each ConversionJob, written back at a normal end.
// All fields are 32-bit integers; the flags hold 0 or 1, but stored values are used as read
// (a target index outside the table is handled by the job).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kyn {

struct ConversionSettings {
    std::int32_t DefaultFileType = 2;         // TargetFormat index; 2 = VarnixStore
    std::int32_t EuroLocale = 0;              // VarnixTSV with German number conventions
    std::int32_t StripHeaderInformation = 0;  // CSV target written as SimpleCSV; never stored
    std::int32_t SaveExtraInfo = 0;           // VarnixCSV followed by the raw DataStore data
    std::int32_t StripAcornFileTypes = 0;     // output name drops a ",FFA"-style suffix
    std::int32_t UseSensibleExtensions = 1;   // 0: every output gets ".txt"
    std::int32_t SaveInPlace = 0;             // output replaces the input under its own name
    std::int32_t DeleteOriginals = 0;         // input deleted after a successful conversion
    std::int32_t SkipBadFilesSilently = 0;    // unreadable input skipped without asking
    std::int32_t SilentlyOverwrite = 0;       // existing output overwritten without asking
    std::int32_t Configured = 0;              // options confirmed at least once

    bool operator==(const ConversionSettings&) const = default;
};

// Integer values by section and value name. The desktop program backs it with its per-user
// settings; tests and the command line use the in-memory one.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored value, or nothing when the value is absent.
    virtual std::optional<std::int32_t> ReadInt(const std::string& section, const std::string& name) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, std::int32_t value) = 0;
};

class MemorySettingsStore : public SettingsStore {
public:
    std::optional<std::int32_t> ReadInt(const std::string& section, const std::string& name) override;
    void WriteInt(const std::string& section, const std::string& name, std::int32_t value) override;

    // Every access in order, as "section/name" (reads) and "section/name=value" (writes), so that
    // the read and write orders can be checked.
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

private:
    std::map<std::pair<std::string, std::string>, std::int32_t> values_;
    std::vector<std::string> log_;
};

inline constexpr const char* kOptionsSection = "Options";

// Reads every stored field (absent ones take their defaults) in the fixed read order.
// StripHeaderInformation is not stored and starts at 0.
ConversionSettings LoadConversionSettings(SettingsStore& store);

// Writes the stored fields in the fixed save order. DefaultFileType and UseSensibleExtensions are
// written as they stand, the other flags as 1 when not 0, and Configured always as 1.
void SaveConversionSettings(SettingsStore& store, const ConversionSettings& settings);

}  // namespace kyn

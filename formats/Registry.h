// The format registry: the one place that knows the formats.
//
// Each format's file declares its row: its name, the first lines that select it (or refuse it,
// for an export-only format), its reader and writer, the stream mode, what it can hold of a
// DataStore, and, for the formats a conversion can write, the target choice (the stored index,
// the --to key, the extension, the options dialog's label and tool tip). Registry.cpp lists the
// rows. Detection (Load.cpp), the conversion's target table, kynconvert's --help and --to, the
// options dialog's format choices, the fuzz targets and the round-trip test table are made from
// the list, so adding a format is one file, one row in the list and one row in the round-trip
// test table.
//
// Readers and writers stay DataStore member functions (the model's public API); a row points at
// them.
#pragma once

#include <istream>
#include <ostream>
#include <span>
#include <string_view>
#include <vector>

#include "datastore/DataStore.h"

namespace kyn {

class TextCursor;

enum class StreamMode { Binary, Text };

// The settings a writer may need, and where an export notes what it could not carry.
struct WriterOptions {
    int StripHeaderInformation = 0;  // CSV: SimpleCSV instead of VarnixCSV
    int SaveExtraInfo = 0;           // VarnixCSV: append the raw DataStore data
    int EuroLocale = 0;              // VarnixTSV: German number conventions
    LossNotes* losses = nullptr;     // the export's losses, when given (see DataStore.h)
};

// Reads a whole file into a fresh store and returns the stream, whose state says whether it
// worked (a reader may also throw with the user's message). `headerOnly` limits the native
// formats to their header sections; the others read everything.
using FormatReader = std::istream& (DataStore::*)(std::istream&, bool headerOnly);
// Writes a store; a failure shows in the stream's state or as an exception whose text is the
// reason.
using FormatWriter = void (*)(DataStore&, std::ostream&, const WriterOptions&);

// First lines (after leading white space, without a closing carriage return) that a row claims.
struct FirstLines {
    enum class Match { None, WholeLine, Prefix };
    Match match = Match::None;
    std::string_view line;
    std::string_view alsoLine;  // a second whole line read the same ("VarnixStore 1.1")
    bool Claims(std::string_view first) const;
};

// Where a reader gets the file: the binary stream the first line was read from (it seeks back
// itself), or the file again from its start through the text-mode translation (CR LF read as one
// line end).
enum class ReadsFrom { BinaryStream, TextFromStart };

// What a format carries of a store, for the list of formats and the loss notes.
struct Holds {
    int dimensions;      // dimensions of more than one step it carries; 0 for any number
    bool allProperties;  // every property (otherwise one)
    bool history;        // the processing history
    bool exactValues;    // values bit for bit (otherwise six significant digits or fewer)
};

// A choice of target for a conversion.
struct TargetChoice {
    int index = -1;         // the stored DefaultFileType; -1: the format is no target of its own
    const char* key;        // kynconvert --to
    const char* extension;  // with UseSensibleExtensions
    const char* help;       // what --help calls it
    const char* label;      // the options dialog's choice
    const char* tooltip;    // its tool tip, "" for none
    FormatWriter write;     // the target's writer (it may choose a related format)
};

struct FormatInfo {
    const char* name;      // the format's name, which a load sets as formatName
    const char* fuzzKey;   // the fuzz target of its reader, "" without a reader
    FirstLines accepts;    // first lines that select the reader
    FirstLines refuses;    // first lines refused with `refusal` (an export-only format)
    const char* refusal;
    // A weaker test of the file's content, tried when no first line matched (and only for a
    // store that allows it, see DataStore::allowCaryImport); null for most formats.
    bool (*probe)(TextCursor& afterFirstLine);
    ReadsFrom readsFrom;
    FormatReader read;     // null: export only
    FormatWriter write;    // null: read only
    StreamMode mode;
    Holds holds;
    TargetChoice target;
};

// Every format (Registry.cpp has the list).
std::span<const FormatInfo* const> Formats();
// The row of that name (formatName), or null.
const FormatInfo* FindFormat(std::string_view name);
// The rows that are targets, in the order of their index.
std::vector<const FormatInfo*> TargetRows();

// The rows, declared each in its format's file.
extern const FormatInfo kVarnixBinaryXFormat;
extern const FormatInfo kVarnixBinaryFormat;
extern const FormatInfo kVarnixStoreFormat;
extern const FormatInfo kVarnixCsvFormat;
extern const FormatInfo kSimpleCsvFormat;
extern const FormatInfo kSpectraKineticFormat;
extern const FormatInfo kKynAsciiFormat;
extern const FormatInfo kVarnixTsvFormat;
extern const FormatInfo kJcampDxFormat;
extern const FormatInfo kAsciiImportFormat;
extern const FormatInfo kCaryAsciiFormat;

}  // namespace kyn
